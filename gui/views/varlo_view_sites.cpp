// The site list's own editing: adding a site by its page, editing, deleting, moving and sorting.
#include <wx/toplevel.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fetch/find_feed.h"
#include "gui/controls/list_ctrl_box.h"
#include "gui/controls/site_add_dlg.h"
#include "gui/controls/site_item_dlg.h"
#include "gui/document/feed_marks.h"
#include "gui/document/varlo_doc.h"
#include "gui/platform/background.h"
#include "gui/platform/wx_text.h"
#include "gui/views/browser_view.h"
#include "gui/views/varlo_view.h"
#include "platform/message_box.h"
#include "platform/program_folder.h"
#include "platform/secret_memory.h"
#include "platform/secret_store.h"
#include "store/rule_store.h"
#include "store/site_settings.h"

namespace varlo {

namespace {

// Holds back commands while a download of the list's own runs (adding a site dispatches window
// events while it downloads), so that no other command reaches an entry it is still using.
class BusyScope {
  public:
    explicit BusyScope(int& busy) : m_busy(busy) { ++m_busy; }
    ~BusyScope() { --m_busy; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    int& m_busy;
};

}  // namespace

void CVarloView::Place(COpmlItem* entry, std::unique_ptr<COpmlItem> owned, int index,
                       const Text& category) {
    CVarloDoc* doc = Doc();
    COpmlFile& list = doc->m_opmlFile;
    if (category != entry->m_strCategory) {
        entry->m_strCategory = category;
        if (index != -1) owned = list.TakeAt(index);
        if (list.m_nSortKey == -1) {
            index = list.FindInsertPos(category);
            list.InsertAt(index, std::move(owned));
        } else {
            list.Add(std::move(owned));
            list.Sort();
            index = list.FindItem(entry);
        }
    } else if (index == -1) {
        index = list.Add(std::move(owned));
    }
    RefreshList(index);
    doc->Modify(true);
}

bool CVarloView::AskSite(COpmlItem& entry, Text& category, bool showDetails) {
    std::vector<Text> categories;
    Doc()->m_opmlFile.GetCategories(categories);
    CSiteItemDlg dialog(wxGetTopLevelParent(m_listCtrl));
    dialog.m_pCategories = &categories;
    dialog.m_strTitle = entry.m_strTitle;
    dialog.m_strCategory = entry.m_strCategory;
    dialog.m_strUrl = entry.m_strHtmlUrl;
    dialog.m_strFeed = entry.m_strXmlUrl;
    const Text oldFeed = entry.m_strXmlUrl;
    if (!oldFeed.empty()) {
        dialog.m_settings = LoadSiteSettings(FeedMarks().Store(), oldFeed);
        std::optional<std::string> kept = LookupPassword(SitePasswordAccount(oldFeed));
        dialog.m_hasPassword = kept.has_value();
        if (kept) WipeString(*kept);
    }
    dialog.m_showDetails = showDetails;
    if (dialog.DoModal() != 1) return false;
    // The type is never edited; the category is placed by the caller.
    entry.m_strTitle = dialog.m_strTitle;
    entry.m_strHtmlUrl = dialog.m_strUrl;
    entry.m_strXmlUrl = dialog.m_strFeed;
    category = dialog.m_strCategory;
    const Text newFeed = entry.m_strXmlUrl;
    auto password = std::make_shared<CSecretBuffer>(dialog.m_password);
    WipeString(dialog.m_password);
    RunOffWindow(InStore{FeedMarks().Writer()},
                 [oldFeed, newFeed, settings = dialog.m_settings,
                  changed = dialog.m_passwordChanged, password](CFeedStore* store) {
                     if (store == nullptr || newFeed.empty()) return;
                     if (!oldFeed.empty() && oldFeed != newFeed) {
                         MoveSiteSettings(*store, oldFeed, newFeed);
                         CRuleStore(*store).MoveSiteRules(oldFeed, newFeed);
                     }
                     SaveSiteSettings(*store, newFeed, settings);
                     const std::string account = SitePasswordAccount(newFeed);
                     if (changed && password->Empty()) {
                         ForgetPassword(account);
                     } else if (changed) {
                         std::string copy(password->View());
                         StorePassword(account, copy);
                         WipeString(copy);
                     }
                     password->Clear();
                 });
    return true;
}

bool CVarloView::EditSite(int index) {
    CVarloDoc* doc = Doc();
    if (!doc || index < 0 || index >= doc->m_opmlFile.GetCount()) return false;
    COpmlItem* entry = doc->m_opmlFile.GetAt(index);
    Text category;
    if (!AskSite(*entry, category)) return false;
    Place(entry, nullptr, index, category);
    return true;
}

bool CVarloView::EditNewSite(std::unique_ptr<COpmlItem> entry, bool showDetails) {
    if (!Doc() || !entry) return false;
    Text category;
    if (!AskSite(*entry, category, showDetails)) return false;
    COpmlItem* raw = entry.get();
    Place(raw, std::move(entry), -1, category);
    return true;
}

void CVarloView::OnSiteEdit() {
    if (IsBusy() || !m_listCtrl) return;
    const int row = SelectedSite();
    if (row >= 0) EditSite(row);
}

void CVarloView::OnSiteDelete() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc || !m_listCtrl) return;
    const int row = SelectedSite();
    if (row < 0 || row >= doc->m_opmlFile.GetCount()) return;
    const Text question = doc->m_opmlFile.GetAt(row)->m_strTitle + Jp(" を削除しますか？");
    if (ShowMessageBox(question, kMbYesNo | kMbIconQuestion) != kIdYes) return;
    // The site's own settings, its password and the rules over it alone go with it.
    if (const Text feed = doc->m_opmlFile.GetAt(row)->m_strXmlUrl; !feed.empty()) {
        RunOffWindow(InStore{FeedMarks().Writer()}, [feed](CFeedStore* store) {
            if (store != nullptr) {
                ForgetSiteSettings(*store, feed);
                CRuleStore(*store).DeleteSiteRules(feed);
            }
        });
    }
    doc->m_opmlFile.RemoveAt(row);
    RefreshList(row);
    doc->Modify(true);
}

void CVarloView::AddSiteFrom(const Text& pageUrl) {
    std::unique_ptr<COpmlItem> entry;
    bool cancelled = false;
    bool unauthorized = false;
    {
        BusyScope busy(m_busy);
        entry = FindFeed(pageUrl, GetProgramFolder(), true, &cancelled, &unauthorized);
    }
    if (cancelled) ShowStatus(Wx("中止しました"));
    if (m_afterDownload) m_afterDownload();
    // An address that asks for credentials is the feed: the user gives them at once.
    if (entry) EditNewSite(std::move(entry), unauthorized);
}

void CVarloView::OnSiteAdd() {
    if (IsBusy()) return;
    CSiteAddDlg dialog(wxGetTopLevelParent(m_listCtrl));
    if (dialog.DoModal() != 1) return;
    AddSiteFrom(dialog.m_strUrl);
}

void CVarloView::OnAddCurrentPage() {
    if (IsBusy() || !m_browser) return;
    AddSiteFrom(m_browser->GetLocationURL());
}

void CVarloView::OnMoveUp() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc) return;
    const int row = SelectedSite();
    if (row <= 0 || row >= doc->m_opmlFile.GetCount()) return;
    doc->m_opmlFile.SwapItems(row, row - 1);
    RefreshList(row - 1);
}

void CVarloView::OnMoveDown() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc) return;
    const int row = SelectedSite();
    if (row < 0 || row >= doc->m_opmlFile.GetCount() - 1) return;
    doc->m_opmlFile.SwapItems(row, row + 1);
    RefreshList(row + 1);
}

void CVarloView::OnSortCategory() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc) return;
    doc->m_opmlFile.m_nSortKey = 0;
    doc->m_opmlFile.Sort();
    RefreshList(-1);
}

void CVarloView::OnSortTitle() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc) return;
    doc->m_opmlFile.m_nSortKey = 1;
    doc->m_opmlFile.Sort();
    RefreshList(-1);
}

void CVarloView::OnSortAscending() {
    CVarloDoc* doc = Doc();
    if (IsBusy() || !doc) return;
    doc->m_opmlFile.m_bDescending = !doc->m_opmlFile.m_bDescending;
    doc->m_opmlFile.Sort();
    RefreshList(-1);
}

}  // namespace varlo
