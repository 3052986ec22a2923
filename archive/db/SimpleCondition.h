#pragma once

#include <optional>
#include <string>

#include "archive/db/DbValue.h"

namespace quorvel::archive {

// A search condition of the form "column op literal" (op one of = <> < > <=
// >=, the literal a number or a quoted text), evaluated on fetched values.
// Used for result sets whose rows cannot be searched in the engine.
struct SimpleCondition {
    std::string column;
    std::string op;
    std::string literal;
    bool numeric = false;

    static std::optional<SimpleCondition> parse(const std::string& text);
    bool matches(const DbValue& value) const;
};

}  // namespace quorvel::archive
