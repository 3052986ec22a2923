#include "mailbox/MboxSniff.h"

#include <array>
#include <cctype>
#include <vector>

#include "mailbox/FileAccess.h"

namespace quorvel::mailbox {

namespace {

// A separator line longer than this is not one a writer made.
constexpr size_t kMaxSeparatorLine = 1024;

constexpr std::array<std::string_view, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            out.push_back(text.substr(start, i - start));
        }
    }
    return out;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

template <size_t N>
bool isOneOf(std::string_view word, const std::array<std::string_view, N>& names) {
    for (std::string_view name : names) {
        if (sameLetters(word, name)) {
            return true;
        }
    }
    return false;
}

bool allDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool isDay(std::string_view s) {
    return s.size() <= 2 && allDigits(s);
}

bool isYear(std::string_view s) {
    return s.size() == 4 && allDigits(s);
}

// "12:08" or "12:08:34".
bool isTime(std::string_view s) {
    auto part = [](std::string_view p, size_t min) { return p.size() >= min && p.size() <= 2 && allDigits(p); };
    size_t first = s.find(':');
    if (first == std::string_view::npos || !part(s.substr(0, first), 1)) {
        return false;
    }
    std::string_view rest = s.substr(first + 1);
    size_t second = rest.find(':');
    if (second == std::string_view::npos) {
        return part(rest, 2);
    }
    return part(rest.substr(0, second), 2) && part(rest.substr(second + 1), 2);
}

// "JST", "UTC", "+0900", "-0500".
bool isZone(std::string_view s) {
    if (s.size() == 5 && (s[0] == '+' || s[0] == '-')) {
        return allDigits(s.substr(1));
    }
    if (s.empty() || s.size() > 5) {
        return false;
    }
    for (char c : s) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// Www Mmm d hh:mm[:ss] [zone] yyyy [zone]
bool isAsctimeDate(const std::vector<std::string_view>& w) {
    if (w.size() < 5 || w.size() > 7 || !isOneOf(w[0], kWeekdays) || !isOneOf(w[1], kMonths) || !isDay(w[2]) ||
        !isTime(w[3])) {
        return false;
    }
    size_t year = isYear(w[4]) ? 4 : (w.size() > 5 && isZone(w[4]) && isYear(w[5])) ? 5 : 0;
    if (year == 0) {
        return false;
    }
    for (size_t i = year + 1; i < w.size(); ++i) {
        if (!isZone(w[i])) {
            return false;
        }
    }
    return w.size() <= year + 2;
}

// Www, d Mmm yyyy hh:mm[:ss] [zone]
bool isHeaderOrderDate(const std::vector<std::string_view>& w) {
    if (w.size() < 5 || w.size() > 6 || w[0].size() != 4 || w[0].back() != ',' ||
        !isOneOf(w[0].substr(0, 3), kWeekdays) || !isDay(w[1]) || !isOneOf(w[2], kMonths) || !isYear(w[3]) ||
        !isTime(w[4])) {
        return false;
    }
    return w.size() == 5 || isZone(w[5]);
}

}  // namespace

bool isSeparatorLine(std::string_view line) {
    if (line.size() > kMaxSeparatorLine || line.substr(0, 5) != "From ") {
        return false;
    }
    std::string_view rest = line.substr(5);
    if (rest.empty() || isBlank(rest[0])) {
        return false;  // no sender
    }
    size_t senderEnd = 0;
    while (senderEnd < rest.size() && !isBlank(rest[senderEnd])) {
        ++senderEnd;
    }
    const std::vector<std::string_view> date = words(rest.substr(senderEnd));
    return isAsctimeDate(date) || isHeaderOrderDate(date);
}

bool isMbox(const std::string& path) {
    uint64_t size = 0;
    std::string error;
    FileDescriptor fd = openRegularFile(path, size, error);
    std::string head;
    if (!fd.valid() || size == 0 || !readPrefix(fd.get(), kMaxSeparatorLine + 2, head, error)) {
        return false;
    }
    const size_t lf = head.find('\n');
    if (lf == std::string::npos) {
        return false;  // a first line that long, or a file of one unended line, is no mailbox
    }
    std::string_view line(head.data(), lf);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return isSeparatorLine(line);
}

}  // namespace quorvel::mailbox
