#include "feeds/rss_file.h"

#include "feeds/element_lookup.h"
#include "xml/document.h"

namespace varlo {
namespace {

constexpr const char* kDefaultRssFileName = "index.rdf";
constexpr const char* kDefaultAtomFileName = "atom.xml";

}  // namespace

CRssFile::CRssFile()
    : m_strRssFileName(kDefaultRssFileName), m_strAtomFileName(kDefaultAtomFileName) {}

void CRssFile::Clear() {
    RemoveAll();
    m_strTitle.clear();
    m_strLink.clear();
    m_strDescription.clear();
    m_strAuthor.clear();
    m_strFolder.clear();
    m_strId.clear();
    m_strRssFileName = kDefaultRssFileName;
    m_strAtomFileName = kDefaultAtomFileName;
}

int CRssFile::Add(std::unique_ptr<CRssItem> item) {
    if (!item) return -1;
    m_items.push_back(std::move(item));
    return GetSize() - 1;
}

void CRssFile::RemoveAll() {
    // Index order, as the articles were added.
    for (auto& item : m_items) item.reset();
    m_items.clear();
}

int CRssFile::ReadRss(const std::string& path) {
    CMXMLDocument document;
    // A file that cannot be read has been reported by the loader; whatever part of a tree it may
    // have built is not a feed.
    if (!document.LoadFile(path)) return 0;
    const CMXMLElement* root = document.GetDocumentElement();
    if (root == nullptr) return 0;

    // Paths are file-system paths: "/" never occurs inside a multi-byte UTF-8 character.
    const size_t slash = path.rfind('/');
    m_strFolder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);

    if (root->NodeName() == "feed") {
        m_strAtomFileName = std::move(fileName);
        if (root->GetAttribute("version") == "0.3") {
            m_nFormat = kFormatAtom03;
            return ReadAtom03(*root);
        }
        m_nFormat = kFormatAtom10;
        return ReadAtom10(*root);
    }
    m_nFormat = root->NodeName() == "rss" ? kFormatRss : kFormatRdf;
    m_strRssFileName = std::move(fileName);
    return ReadRssChannel(*root);
}

int CRssFile::ReadRssChannel(const CMXMLElement& root) {
    const CMXMLElement* channel = root.FindFirstElement("channel");
    if (channel == nullptr) return 0;

    TakeTextOfFirst(*channel, "title", m_strTitle);
    TakeTextOfFirst(*channel, "link", m_strLink);
    TakeTextOfFirst(*channel, "description", m_strDescription);

    // Every article starts with the channel's own address; its "link" replaces it.
    const Text channelAbout = channel->GetAttribute("rdf:about");
    // Items beside the channel (RSS 1.0) count as well as those inside it (RSS 2.0).
    const CMXMLNodeList items = root.GetElementsByTagName("item");
    m_items.reserve(m_items.size() + static_cast<size_t>(items.GetCount()));
    for (const CMXMLNode* node : items) {
        const auto& element = static_cast<const CMXMLElement&>(*node);
        auto item = std::make_unique<CRssItem>();
        item->m_strLink = channelAbout;
        TakeTextOfFirst(element, "title", item->m_strTitle);
        TakeTextOfFirst(element, "link", item->m_strLink);
        TakeTextOfFirst(element, "description", item->m_strDescription);
        TakeTextOfFirst(element, "content:encoded", item->m_strContent);

        TimeValue t = 0;
        if (m_nFormat == kFormatRdf) {
            if (const CMXMLElement* date = element.FindFirstElement("dc:date")) {
                t = ParseW3cDate(TextOf(*date));
            }
            TakeTextOfFirst(element, "dc:subject", item->m_strCategory);
        } else {
            // "dc:date" counts only when there is no "pubDate" at all, readable or not.
            if (const CMXMLElement* pubDate = element.FindFirstElement("pubDate")) {
                t = ParseRfc822Date(TextOf(*pubDate));
            } else if (const CMXMLElement* date = element.FindFirstElement("dc:date")) {
                t = ParseW3cDate(TextOf(*date));
            }
            TakeTextOfFirst(element, "category", item->m_strCategory);
        }
        if (t != 0) item->SetDate(t);
        m_items.push_back(std::move(item));
    }
    return 1;
}

}  // namespace varlo
