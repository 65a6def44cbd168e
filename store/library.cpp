#include "store/library.h"

namespace varlo {

int CLibrary::RecordFeed(const Text&, const FeedValidators&, const std::vector<LibraryArticle>&,
                         int64_t, bool) {
    return -1;
}
int CLibrary::RecordArticles(const Text&, const std::vector<LibraryArticle>&, int64_t) {
    return -1;
}
bool CLibrary::SetRead(int64_t, bool, MarkSource) {
    return false;
}
bool CLibrary::SetStarred(int64_t, bool, MarkSource) {
    return false;
}
int CLibrary::SetReadByKey(const std::string&, bool, MarkSource) {
    return -1;
}
int CLibrary::SetStarredByKey(const std::string&, bool, MarkSource) {
    return -1;
}
bool CLibrary::MarkSiteRead(const Text&) {
    return false;
}
bool CLibrary::MarkViewRead(const LibraryView&) {
    return false;
}
std::map<Text, int64_t> CLibrary::UnreadCounts() {
    return {};
}
int64_t CLibrary::UnreadCount(const Text&) {
    return 0;
}
int64_t CLibrary::UnreadTotal() {
    return 0;
}
int64_t CLibrary::StarredCount() {
    return 0;
}
int64_t CLibrary::Count(const LibraryView&) {
    return 0;
}
std::vector<LibraryRow> CLibrary::Page(const LibraryView&, int64_t, int64_t) {
    return {};
}
std::vector<int64_t> CLibrary::Ids(const LibraryView&) {
    return {};
}
std::vector<LibraryRow> CLibrary::Rows(const std::vector<int64_t>&, bool) {
    return {};
}
std::optional<LibraryRow> CLibrary::Article(int64_t) {
    return std::nullopt;
}
std::vector<LibraryRow> CLibrary::SiteArticles(const Text&, int64_t) {
    return {};
}
std::vector<int64_t> CLibrary::Search(const std::string&, int64_t) {
    return {};
}
std::optional<LibraryRow> CLibrary::FindByServerId(const std::string&) {
    return std::nullopt;
}
std::optional<LibraryRow> CLibrary::FindByLink(const Text&, const std::string&) {
    return std::nullopt;
}
std::optional<LibraryRow> CLibrary::FindByTitleDate(const Text&, const std::string&, int64_t) {
    return std::nullopt;
}
bool CLibrary::SetServerId(int64_t, const std::string&) {
    return false;
}
std::vector<LibraryRef> CLibrary::UnreadSet() {
    return {};
}
std::vector<LibraryRef> CLibrary::StarredSet() {
    return {};
}
std::vector<PendingMark> CLibrary::TakePendingMarks(int64_t) {
    return {};
}
bool CLibrary::ClearSentMarks(const std::vector<PendingMark>&) {
    return false;
}
bool CLibrary::Prune(int64_t, int) {
    return false;
}

}  // namespace varlo
