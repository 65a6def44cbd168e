#pragma once
// The library's articles as a sync server knows them: looked up by the server's id, by link, key
// or title and date, and the sets a sync compares with the server's. Works on the connection of
// the CFeedStore it was made over, on that store's thread.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/feed_store.h"
#include "store/library_types.h"

namespace varlo {

class CLibrarySyncIds {
  public:
    explicit CLibrarySyncIds(CFeedStore& store) : m_store(store) {}
    CLibrarySyncIds(const CLibrarySyncIds&) = delete;
    CLibrarySyncIds& operator=(const CLibrarySyncIds&) = delete;

    // Which of `serverIds` some stored article holds already.
    std::set<std::string> KnownServerIds(const std::vector<std::string>& serverIds);
    std::optional<LibraryRow> FindByServerId(const std::string& serverId);
    std::optional<LibraryRow> FindByLink(const Text& url, const std::string& link);
    // The stored article of the site with the key (UTF-8), as a row of the site's feed names it.
    std::optional<LibraryRow> FindByKey(const Text& url, const std::string& key);
    std::optional<LibraryRow> FindByTitleDate(const Text& url, const std::string& title,
                                              int64_t date);
    bool SetServerId(int64_t id, const std::string& serverId);
    // Forgets every article's server id and the marks queued for the server (the sync account
    // was removed): the articles and their marks stay.
    bool ForgetServerIds();
    std::vector<LibraryRef> UnreadSet();
    std::vector<LibraryRef> StarredSet();
    // The articles rules hid.
    std::vector<LibraryRef> HiddenSet();

  private:
    // The first row the condition `sql` selects, with `texts` bound from ?1 and `number`, when
    // given, after them (a key's hash may be any 64-bit value, negative ones too).
    std::optional<LibraryRow> FindOne(const std::string& sql, const std::vector<std::string>& texts,
                                      std::optional<int64_t> number);
    std::vector<LibraryRef> RefsWhere(const char* where, const char* from = "articles a");

    CFeedStore& m_store;
};

}  // namespace varlo
