#include "search/Search.h"

#include <sqlite3.h>

#include "search/IndexSchema.h"
#include "search/SearchIndex.h"
#include "search/SearchStatement.h"
#include "search/Segmenter.h"
#include "search/Sql.h"

namespace quorvel::search {

namespace {

int interruptWhenCancelled(void* flag) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// The folders whose names fold to the same text as `name`.
std::vector<int64_t> foldersNamed(sqlite3* db, const std::string& name) {
    const ArchiveNames& n = archiveNames();
    const std::string wanted = foldText(name);
    std::vector<int64_t> ids;
    sql::Statement st(db, "SELECT " + n.folderId + ", " + n.folderName + " FROM " + n.folders + " WHERE " + n.folderId +
                              " IS NOT NULL");
    while (st.step()) {
        if (foldText(st.text(1)) == wanted) {
            ids.push_back(st.integer(0));
        }
    }
    return ids;
}

// While it lives, the connection's statements stop when the flag is set.
class CancelWatch {
public:
    CancelWatch(sqlite3* db, const std::atomic<bool>* cancel) : db_(db), active_(cancel != nullptr) {
        if (active_) {
            sqlite3_progress_handler(db_, 100, interruptWhenCancelled, const_cast<std::atomic<bool>*>(cancel));
        }
    }
    ~CancelWatch() {
        if (active_) {
            sqlite3_progress_handler(db_, 0, nullptr, nullptr);
        }
    }
    CancelWatch(const CancelWatch&) = delete;
    CancelWatch& operator=(const CancelWatch&) = delete;

private:
    sqlite3* db_;
    bool active_;
};

}  // namespace

SearchResult search(sqlite3* db, const Query& query, std::optional<int64_t> inFolder, const std::atomic<bool>* cancel) {
    SearchResult result;
    if (!hasIndex(db)) {
        result.status = SearchResult::Status::NoIndex;
        return result;
    }
    if (cancel && cancel->load()) {
        result.status = SearchResult::Status::Cancelled;
        return result;
    }
    const SearchStatement statement =
        buildSearchStatement(query, inFolder, [db](const std::string& name) { return foldersNamed(db, name); });
    CancelWatch watch(db, cancel);
    sql::Statement st(db, statement.sql);
    for (size_t i = 0; i < statement.values.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (const auto* number = std::get_if<int64_t>(&statement.values[i])) {
            st.bind(index, *number);
        } else {
            st.bind(index, std::get<std::string>(statement.values[i]));
        }
    }
    while (st.step()) {
        Hit hit;
        hit.id = st.integer(0);
        hit.dirId = st.integer(1);
        hit.mailType = st.text(2);
        hit.priority = st.text(3);
        hit.attachment = st.text(4);
        hit.dateR = st.text(5);
        hit.from = st.text(6);
        hit.subject = st.text(7);
        hit.date = st.text(8);
        hit.to = st.text(9);
        hit.size = st.text(10);
        result.hits.push_back(std::move(hit));
    }
    if (st.ok()) {
        result.status = SearchResult::Status::Done;
        return result;
    }
    result.hits.clear();
    const bool interrupted = (st.code() & 0xFF) == SQLITE_INTERRUPT;
    result.status = interrupted ? SearchResult::Status::Cancelled : SearchResult::Status::Failed;
    result.error = st.message();
    return result;
}

}  // namespace quorvel::search
