#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "search/Query.h"

// Turns a query into one SELECT over the index and the archive. No text of
// the user's ever becomes part of the statement: every word and date is a
// bound value, and the words go into FTS5 expressions (also bound values)
// only as FTS5 strings, inside double quotes with their own quotes doubled.
namespace quorvel::search {

// The FTS5 expression for one text term, e.g. subject : "予算" or "予" * ;
// empty when the term holds nothing the index can find.
std::string matchExpression(const TextTerm& term);

using BoundValue = std::variant<int64_t, std::string>;

struct SearchStatement {
    std::string sql;
    std::vector<BoundValue> values;  // for ?1, ?2, ...
};

// The folders a name given to in: stands for.
using FolderLookup = std::function<std::vector<int64_t>(const std::string& name)>;

// The statement's rows are the columns of MailInfTabl as Hit (Search.h)
// holds them, newest first. `inFolder` limits it to that folder and the
// folders below it.
SearchStatement buildSearchStatement(const Query& query, std::optional<int64_t> inFolder, const FolderLookup& folders);

}  // namespace quorvel::search
