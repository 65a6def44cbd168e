#include "feeds/article_stream.h"

#include "feeds/article_reading.h"
#include "feeds/element_lookup.h"
#include "feeds/rss_file.h"
#include "xml/element.h"
#include "xml/parse_observer.h"

namespace varlo {

void ArticleStream::Started(const CMXMLElement& element) {
    const std::string_view name = element.NodeName();
    if (element.GetParentNode() == nullptr) {
        // A new root (or an item of the prolog before it): the feed's kind follows its name, as
        // the readers decide it.
        m_root = &element;
        m_atom = name == "feed";
        m_atom03 = m_atom && element.GetAttribute("version") == "0.3";
        m_rdf = !m_atom && name != "rss";
        m_articleName = m_atom ? "entry" : "item";
        m_stopped = m_channelSeen = m_authorSeen = m_capReached = false;
        m_firstName = {};
        m_firstId = {};
        m_articles.clear();
        m_ownLinks.clear();
        m_run = {};
        m_forgottenUpTo = nullptr;
        m_forgetAt = 0;
        return;
    }
    if (m_root == nullptr) return;
    if (m_atom) {
        if (name == "author") {
            m_authorSeen = true;
        } else if (name == "name") {
            NoteFirst(m_firstName, element);
        } else if (name == "id") {
            NoteFirst(m_firstId, element);
        }
    } else if (name == "channel" && !m_channelSeen) {
        m_channelSeen = true;
        // The feed's texts come from its first channel: one inside an article must stay.
        if (InsideArticle(element)) m_stopped = true;
    }
}

bool ArticleStream::Completed(CMXMLElement& element, std::string_view markup) {
    if (m_root == nullptr || m_stopped || element.NodeName() != m_articleName) return false;
    // An article inside another is read after it, with it, as a walk of the tree would.
    if (InsideArticle(element)) return false;
    Read(element);
    WalkElements(element, [this](const CMXMLElement& inner) {
        if (inner.NodeName() == m_articleName) Read(inner);
        return false;
    });
    if (m_atom) {
        KeepIfInside(m_firstName, element);
        KeepIfInside(m_firstId, element);
    }
    CMXMLNode* parent = element.GetParentNode();
    if (parent == nullptr || parent->GetLastChild() != &element) return false;
    TakeOut(element, markup);
    return true;
}

void ArticleStream::TakeOut(CMXMLElement& article, std::string_view markup) {
    CMXMLNode* parent = article.GetParentNode();
    parent->RemoveLastChild();
    // Gathered until this much text can go back at once: articles are often smaller than a page,
    // and each call costs a flush of the address cache, which in steps of an article costs a fifth
    // of the whole reading. What is gathered is held beside the articles read from it, at the
    // peak of a large feed too: the step stays small (a text on huge pages goes back by whole
    // huge pages in any case).
    constexpr size_t kForgetBatch = size_t{1} << 20;
    const char* runEnd = m_run.data() + m_run.size();
    bool joined = !m_run.empty() && markup.data() == runEnd;
    if (!joined && !m_run.empty()) {
        // The line break between two articles is a text node that nothing reads: it goes with
        // them, so that their text can go back as one.
        const CMXMLNode* between = parent->GetLastChild();
        if (between != nullptr && between->GetNodeType() == kTextNode) {
            const std::string_view space = between->NodeValue();
            if (space.data() == runEnd && space.data() + space.size() == markup.data() &&
                Trim(space).empty()) {
                parent->RemoveLastChild();
                joined = true;
            }
        }
    }
    if (!joined) {
        if (!m_run.empty()) {
            ForgetParsedText({m_forgottenUpTo, static_cast<size_t>(runEnd - m_forgottenUpTo)});
        }
        m_run = markup;
        m_forgottenUpTo = markup.data();
        m_forgetAt = kForgetBatch;
    } else {
        m_run = {m_run.data(), static_cast<size_t>(markup.data() + markup.size() - m_run.data())};
    }
    const char* end = m_run.data() + m_run.size();
    const size_t held = static_cast<size_t>(end - m_forgottenUpTo);
    if (held >= m_forgetAt) {
        const char* upTo = ForgetParsedText({m_forgottenUpTo, held});
        // Nothing went back (a huge page not yet whole, a text kept for the next reading): tried
        // again a step further on, not at every article.
        m_forgetAt = upTo == m_forgottenUpTo ? held + kForgetBatch : kForgetBatch;
        m_forgottenUpTo = upTo;
    }
}

void ArticleStream::MoveArticlesInto(CRssFile& feed, const Text& channelAddress) {
    for (size_t i = 0; i < m_articles.size(); ++i) {
        if (!m_ownLinks[i]) m_articles[i]->m_strLink = channelAddress;
        feed.Add(std::move(m_articles[i]));
    }
    m_articles.clear();
    m_ownLinks.clear();
    if (m_capReached) feed.m_bArticleCapReached = true;
}

bool ArticleStream::TakenOut(const FirstOfName& first, Text& text) {
    if (!first.takenOut) return false;
    text = first.text;
    return true;
}

void ArticleStream::NoteFirst(FirstOfName& first, const CMXMLElement& element) {
    if (first.seen) return;
    first.seen = true;
    first.element = &element;
}

void ArticleStream::KeepIfInside(FirstOfName& first, const CMXMLElement& article) {
    if (first.element == nullptr) return;
    for (const CMXMLNode* node = first.element; node != nullptr; node = node->GetParentNode()) {
        if (node == &article) {
            first.text = TextOf(*first.element);
            first.takenOut = true;
            first.element = nullptr;
            return;
        }
    }
}

bool ArticleStream::InsideArticle(const CMXMLElement& element) const {
    for (const CMXMLNode* node = element.GetParentNode(); node != nullptr && node != m_root;
         node = node->GetParentNode()) {
        if (node->GetNodeType() == kElementNode && node->NodeName() == m_articleName) return true;
    }
    return false;
}

void ArticleStream::Read(const CMXMLElement& article) {
    if (m_articles.size() >= static_cast<size_t>(kMaxArticles)) {
        m_capReached = true;
        return;
    }
    bool ownLink = true;
    m_articles.push_back(m_atom ? ReadAtomEntry(article, m_atom03)
                                : ReadRssItem(article, m_rdf, &ownLink));
    m_ownLinks.push_back(ownLink);
}

}  // namespace varlo
