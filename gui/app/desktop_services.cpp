#include "gui/app/desktop_services.h"

#include "gui/app/main_frame.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/desktop_notices.h"
#include "gui/platform/settings.h"
#include "gui/views/varlo_view.h"
#include "shell/new_articles_notice.h"

namespace varlo {

CDesktopServices::CDesktopServices(CMainFrame& frame)
    : m_frame(frame), m_notify(Settings().GetInt("View", "Notify", 1) != 0) {
    // The notification leads to the window and its unread articles.
    m_notices = std::make_unique<CDesktopNotices>([this] {
        if (m_frame.IsIconized()) m_frame.Iconize(false);
        m_frame.Show();
        m_frame.Raise();
        if (CVarloView* sites = m_frame.SiteList()) sites->ChooseUnreadRow();
    });
    if (CVarloView* sites = m_frame.SiteList()) {
        sites->SetOnUnreadCount([this](int64_t count) { m_notices->SetLauncherCount(count); });
    }
}

CDesktopServices::~CDesktopServices() {
    if (CVarloView* sites = m_frame.SiteList()) sites->SetOnUnreadCount(nullptr);
}

int64_t CDesktopServices::Mark() const {
    return FeedMarks().Library().LastArticleId();
}

void CDesktopServices::AnnounceNew(int64_t mark) {
    CVarloView* sites = m_frame.SiteList();
    if (!m_notify || !sites || WindowInFront()) return;
    const auto [count, newest] = sites->NewUnreadAfter(mark);
    if (count == 0) return;
    const NewArticlesNotice notice = MakeNewArticlesNotice(count, newest);
    m_notices->Notify(notice.summary, notice.body);
}

void CDesktopServices::SetNotify(bool on) {
    m_notify = on;
    Settings().WriteInt("View", "Notify", on ? 1 : 0);
}

bool CDesktopServices::WindowInFront() const {
    return m_frame.IsShown() && !m_frame.IsIconized() && m_frame.IsActive();
}

}  // namespace varlo
