#include "gui/app/desktop_services.h"

#include <wx/stdpaths.h>

#include "encoding/codepage.h"
#include "gui/app/main_frame.h"
#include "gui/document/feed_marks.h"
#include "gui/platform/desktop_notices.h"
#include "gui/platform/settings.h"
#include "gui/platform/tray_icon.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "shell/autostart.h"
#include "shell/command_ids.h"
#include "shell/new_articles_notice.h"

namespace varlo {

CDesktopServices::CDesktopServices(CMainFrame& frame)
    : m_frame(frame), m_notify(Settings().GetInt("View", "Notify", 1) != 0) {
    m_closeToTray = Settings().GetInt("View", "CloseToTray", 0) != 0;
    // The notification leads to the window and its unread articles.
    m_notices = std::make_unique<CDesktopNotices>([this] {
        ShowWindow();
        if (CVarloView* sites = m_frame.SiteList()) sites->ChooseUnreadRow();
    });
    CTrayIcon::Commands commands;
    commands.show = [this] { ShowWindow(); };
    commands.updateAll = [this] { m_frame.RunCommand(cmd::kUpdateAll); };
    commands.quit = [this] { m_frame.Quit(); };
    commands.shownChanged = [this](bool shown) {
        if (shown && m_hideInTray && m_frame.IsIconized()) m_frame.Hide();
    };
    m_tray = std::make_unique<CTrayIcon>(std::move(commands));
    if (CVarloView* sites = m_frame.SiteList()) {
        sites->SetOnUnreadCount([this](int64_t count) {
            m_notices->SetLauncherCount(count);
            m_tray->SetUnreadCount(count);
        });
    }
}

void CDesktopServices::ShowWindow() {
    m_hideInTray = false;
    if (m_frame.IsIconized()) m_frame.Iconize(false);
    m_frame.Show();
    m_frame.Raise();
}

void CDesktopServices::SetCloseToTray(bool on) {
    m_closeToTray = on;
    Settings().WriteInt("View", "CloseToTray", on ? 1 : 0);
}

bool CDesktopServices::KeepsRunningOnClose() const {
    return m_closeToTray && m_tray->Shown();
}

bool CDesktopServices::Autostart() const {
    return AutostartOn();
}

void CDesktopServices::SetAutostart(bool on) {
    if (!varlo::SetAutostart(on,
                             std::string(wxStandardPaths::Get().GetExecutablePath().utf8_str()))) {
        ShowMessageBox(on ? Jp("ログイン時の起動を設定できませんでした。")
                          : Jp("ログイン時の起動を解除できませんでした。"),
                       kMbOk | kMbIconWarning);
    }
}

void CDesktopServices::StartMinimized() {
    m_hideInTray = true;
    if (m_tray->Shown()) {
        m_frame.Hide();
    } else {
        m_frame.Iconize(true);
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
    if (!sites || WindowInFront()) return;
    if (m_notify) {
        const auto [count, newest] = sites->NewUnreadAfter(mark);
        if (count > 0) {
            const NewArticlesNotice notice = MakeNewArticlesNotice(count, newest);
            m_notices->Notify(notice.summary, notice.body);
        }
    }
    // A rule that notifies is the user's own request for its matches: it speaks even where the
    // news of a site, or all news, is kept quiet.
    for (const NewArticlesNotice& notice : sites->RuleNoticesAfter(mark)) {
        m_notices->Notify(notice.summary, notice.body);
    }
}

void CDesktopServices::SetNotify(bool on) {
    m_notify = on;
    Settings().WriteInt("View", "Notify", on ? 1 : 0);
}

bool CDesktopServices::WindowInFront() const {
    return m_frame.IsShown() && !m_frame.IsIconized() && m_frame.IsActive();
}

}  // namespace varlo
