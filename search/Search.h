#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "search/Query.h"

struct sqlite3;

// Search over an archive with its index (SearchIndex.h). The caller
//   1. registers the tokenizer on its connection (registerTokenizer);
//   2. on the first search of a session, runs synchronise() (with its
//      progress and cancel), which makes the index of an archive that has
//      none and heals any drift;
//   3. parses the text (parseQuery) and shows ParsedQuery::message when it
//      is refused;
//   4. calls search() with the query and, for 「このフォルダ」, the folder.
namespace quorvel::search {

// One mail found: the columns of its MailInfTabl row as the mail list shows
// them (the texts exactly as stored, null as empty).
struct Hit {
    int64_t id = 0;
    int64_t dirId = 0;
    std::string mailType, priority, attachment, dateR, from, subject, date, to, size;
};

struct SearchResult {
    enum class Status {
        Done,
        Cancelled,  // `cancel` was set; hits is empty
        NoIndex,    // the archive has no index of this version: run synchronise() first
        Failed,     // SQLite failed (error says how); hits is empty
    };
    Status status = Status::Failed;
    std::vector<Hit> hits;
    std::string error;
};

// The mails that match, newest first. The order is by the mail's date: the
// received date (DateR) when it has one, else the sent date (Date); both
// are stored as "yyyy/mm/dd hh:mm", zero-padded, which sorts as the time it
// names. Mails without a date come last; mails of the same minute by
// identifier, higher first. after: and before: compare the same date.
//
// `inFolder` limits the search to that folder and every folder below it
// (from mailDirTabl at the time of the search). `cancel`, when set from
// another thread, stops the statement at once (through SQLite's progress
// handler, which this replaces on the connection while it runs).
SearchResult search(sqlite3* db, const Query& query, std::optional<int64_t> inFolder = std::nullopt,
                    const std::atomic<bool>* cancel = nullptr);

}  // namespace quorvel::search
