#include "archive/db/SimpleCondition.h"

#include <cctype>
#include <cstdlib>

namespace quorvel::archive {

std::optional<SimpleCondition> SimpleCondition::parse(const std::string& text) {
    size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
    };
    SimpleCondition c;
    skip();
    if (i < text.size() && text[i] == '[') {
        size_t end = text.find(']', i);
        if (end == std::string::npos) {
            return std::nullopt;
        }
        c.column = text.substr(i + 1, end - i - 1);
        i = end + 1;
    } else {
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) {
            c.column += text[i++];
        }
    }
    skip();
    for (const char* op : {"<>", "<=", ">=", "=", "<", ">"}) {
        if (text.compare(i, std::char_traits<char>::length(op), op) == 0) {
            c.op = op;
            i += c.op.size();
            break;
        }
    }
    skip();
    if (c.column.empty() || c.op.empty() || i >= text.size()) {
        return std::nullopt;
    }
    if (text[i] == '\'' || text[i] == '"') {
        char quote = text[i];
        size_t end = text.find(quote, i + 1);
        if (end == std::string::npos) {
            return std::nullopt;
        }
        c.literal = text.substr(i + 1, end - i - 1);
        i = end + 1;
    } else {
        size_t start = i;
        if (text[i] == '-' || text[i] == '+') {
            ++i;
        }
        while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
            ++i;
        }
        c.literal = text.substr(start, i - start);
        c.numeric = true;
        if (c.literal.empty() || c.literal == "-" || c.literal == "+") {
            return std::nullopt;
        }
    }
    skip();
    if (i != text.size()) {
        return std::nullopt;
    }
    return c;
}

bool SimpleCondition::matches(const DbValue& value) const {
    if (value.isNull()) {
        return false;  // null meets no comparison
    }
    int cmp;
    if (numeric) {
        double a = value.toReal();
        double b = std::strtod(literal.c_str(), nullptr);
        cmp = a < b ? -1 : (a > b ? 1 : 0);
    } else {
        cmp = value.toText().compare(literal);
        cmp = cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
    }
    if (op == "=")
        return cmp == 0;
    if (op == "<>")
        return cmp != 0;
    if (op == "<")
        return cmp < 0;
    if (op == ">")
        return cmp > 0;
    if (op == "<=")
        return cmp <= 0;
    return cmp >= 0;
}

}  // namespace quorvel::archive
