#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "search/Query.h"

// Reads the query language of the search bar and the command line:
//   word                 a word (every word must match)
//   "two words"          a phrase: the words one after the other
//   -word, -"phrase"     the mail must not match
//   a OR b               either (OR in capitals, between two terms; it binds
//                        tighter than the blank: a b OR c d is a (b|c) d)
//   from: to: subject: body: attachment:   the word or phrase in that part
//                        (to: is To and Cc; attachment: the file names)
//   has:attachment       mails with an attachment
//   after:2024-04-01     mails of that day or later; before: earlier than
//                        that day (also 2024/4/1)
//   in:NAME              mails in a folder of that name or below it
//   in:                  (alone) mails in the current folder or below it:
//                        Query::inCurrentFolder, for the caller to pass on
// The text is read after NFKC, so full-width letters, colons, quotes and
// blanks act as their ASCII forms; “ and ” are quotes too. Field names are
// case-blind. A word with a colon whose name is none of the above
// ("re:", "10:30", "http://...") is an ordinary word: mail text is full of
// them, and refusing them would only get in the way.
//
// A query of negative terms only finds every mail but those. Words that
// hold nothing the index can find ("!!!") are left out; a query left with
// nothing is refused.
namespace quorvel::search {

enum class QueryProblem {
    None,
    Empty,          // nothing but blanks
    UnclosedQuote,  // a quote with no closing quote
    LoneMinus,      // "-" followed by nothing
    MisplacedOr,    // OR at the start, at the end, or twice
    MissingValue,   // "from:" followed by nothing
    BadDate,        // after:/before: with no real date
    UnknownHas,     // has: with anything but attachment
    NothingToFind,  // only words that hold nothing the index can find
    TooLong,        // more terms or text than a search takes
};

struct ParsedQuery {
    std::optional<Query> query;  // set when the text is a query
    QueryProblem problem = QueryProblem::None;
    std::string message;   // the text to show (SearchTexts.h), when refused
    std::string fragment;  // the part of the query the problem is in
};

inline constexpr size_t kMaxQueryBytes = 8192;
inline constexpr size_t kMaxQueryTerms = 64;

ParsedQuery parseQuery(std::string_view text);

}  // namespace quorvel::search
