#pragma once

#include <string>

struct sqlite3;

// The index's tokenizer as an FTS5 tokenizer of the connection.
namespace quorvel::search {

// The name the index's table names in its tokenize= option.
inline constexpr const char* kTokenizerName = "quorvel";
// Raised whenever the terms the tokenizer makes of a text change; an index
// made by another version is made again (SearchIndex.h).
inline constexpr int kTokenizerVersion = 1;

// Registers the tokenizer on one connection. Every connection that opens
// the index's table must have it: FTS5 looks the tokenizer up by name when
// the table is first used on a connection, and a connection without it
// cannot read or write the table ("no such tokenizer"). False, with the
// reason in `error` when given, when the connection has no FTS5.
bool registerTokenizer(sqlite3* db, std::string* error = nullptr);

}  // namespace quorvel::search
