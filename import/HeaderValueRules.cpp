#include "import/HeaderValueRules.h"

#include "import/DateRecognition.h"
#include "import/Utf8Chars.h"

namespace quorvel::mailimport {

std::string f_body2Date(std::string_view curBody) {
    std::string_view work = curBody;
    size_t semicolon = work.find(';');
    if (semicolon != std::string_view::npos && semicolon + 1 < work.size()) {
        work.remove_prefix(semicolon + 1);
    }
    size_t comma = work.find(',');
    if (comma != std::string_view::npos) {
        work.remove_prefix(comma + 1);
    }
    size_t plus = work.find('+');
    if (plus != std::string_view::npos) {
        work = work.substr(0, plus);
    }
    auto parts = recogniseDateTime(work);
    return parts ? formatDateTime(*parts) : std::string();
}

std::string f_body2for(std::string_view curBody) {
    size_t at = curBody.find("for");
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view work = afterOneChar(curBody, at + 3);
    return std::string(work.substr(0, work.find(';')));
}

bool isUrgentPriority(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
        ++i;
    }
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        if (value[i] == '-') {
            return true;  // zero or less
        }
        ++i;
    }
    // Only the whole part matters: any fraction of 0 or 1 stays below 2.
    int whole = 0;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9' && whole < 2) {
        whole = whole * 10 + (value[i] - '0');
        ++i;
    }
    return whole < 2;
}

}  // namespace quorvel::mailimport
