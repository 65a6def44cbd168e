#include "feeds/rss_item.h"

#include <ctime>

#include "feeds/display_form.h"
#include "feeds/html_form.h"

namespace varlo {

// One reading of the clock for both fields, so that an undated article never carries two
// different times of reading.
CRssItem::CRssItem() : CRssItem(static_cast<TimeValue>(std::time(nullptr))) {}

const char* TextKindName(int kind) {
    switch (kind) {
        case kKindText:
            return "text";
        case kKindXhtml:
            return "xhtml";
        default:
            return "html";
    }
}

CRssItem::CRssItem(TimeValue t) : m_timeUpdated(t), m_timePublished(t) {}

CRssItem::~CRssItem() = default;

namespace {

const Text kNoText;
const std::vector<MediaLink> kNoLinks;

Text HtmlFrom(const Text& text, HtmlSource source) {
    switch (source) {
        case kHtmlSameAsText:
            return text;
        case kHtmlDecodedText:
            return DecodeReferences(text);
        case kHtmlPlainText:
            return DecodeToHtmlText(text);
        case kHtmlEscapedText: {
            Text out;
            AppendHtmlEscaped(out, text);
            return out;
        }
        default:
            return {};
    }
}

}  // namespace

CRssItem::Extras& CRssItem::TheExtras() {
    if (!m_extras) m_extras = std::make_unique<Extras>();
    return *m_extras;
}

Text CRssItem::DescriptionHtml() const {
    if (m_descriptionHtmlFrom != kHtmlHeld)
        return HtmlFrom(m_strDescription, m_descriptionHtmlFrom);
    return m_extras ? m_extras->descriptionHtml : Text();
}

Text CRssItem::ContentHtml() const {
    if (m_contentHtmlFrom != kHtmlHeld) return HtmlFrom(m_strContent, m_contentHtmlFrom);
    return m_extras ? m_extras->contentHtml : Text();
}

void CRssItem::SetDescriptionHtml(Text html) {
    m_descriptionHtmlFrom = kHtmlHeld;
    if (html.empty() && !m_extras) return;
    TheExtras().descriptionHtml = std::move(html);
}

void CRssItem::SetContentHtml(Text html) {
    m_contentHtmlFrom = kHtmlHeld;
    if (html.empty() && !m_extras) return;
    TheExtras().contentHtml = std::move(html);
}

void CRssItem::SetDescriptionHtmlFrom(HtmlSource source) {
    if (m_extras) m_extras->descriptionHtml.clear();
    m_descriptionHtmlFrom = source;
}

void CRssItem::SetContentHtmlFrom(HtmlSource source) {
    if (m_extras) m_extras->contentHtml.clear();
    m_contentHtmlFrom = source;
}

const Text& CRssItem::Base() const {
    return m_extras ? m_extras->base : kNoText;
}

void CRssItem::SetBase(Text base) {
    if (base.empty() && !m_extras) return;
    TheExtras().base = std::move(base);
}

const std::vector<MediaLink>& CRssItem::Enclosures() const {
    return m_extras ? m_extras->enclosures : kNoLinks;
}

const std::vector<MediaLink>& CRssItem::Media() const {
    return m_extras ? m_extras->media : kNoLinks;
}

void CRssItem::AddEnclosure(MediaLink link) {
    TheExtras().enclosures.push_back(std::move(link));
}

void CRssItem::AddMedia(MediaLink link) {
    TheExtras().media.push_back(std::move(link));
}

const Text& CRssItem::MediaDescription() const {
    return m_extras ? m_extras->mediaDescription : kNoText;
}

void CRssItem::SetMediaDescription(Text text) {
    if (text.empty() && !m_extras) return;
    TheExtras().mediaDescription = std::move(text);
}

}  // namespace varlo
