#include "import/DateRecognition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <vector>

namespace quorvel::mailimport {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string_view> split(std::string_view s, char sep1, char sep2) {
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == sep1 || s[i] == sep2) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < s.size() && s[j] != sep1 && s[j] != sep2) {
            ++j;
        }
        parts.push_back(s.substr(i, j - i));
        i = j;
    }
    return parts;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A number of minDigits to maxDigits decimal digits, else -1.
int number(std::string_view s, size_t minDigits, size_t maxDigits) {
    if (s.size() < minDigits || s.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

constexpr std::array<std::string_view, 12> kMonths = {"january",   "february", "march",    "april",
                                                      "may",       "june",     "july",     "august",
                                                      "september", "october",  "november", "december"};
constexpr std::array<std::string_view, 7> kDays = {"monday", "tuesday",  "wednesday", "thursday",
                                                   "friday", "saturday", "sunday"};
constexpr std::array<std::string_view, 13> kZones = {"UT",  "UTC", "GMT", "Z",   "EST", "EDT", "CST",
                                                     "CDT", "MST", "MDT", "PST", "PDT", "JST"};

// A full English name or its first three letters.
bool isNameOrAbbreviation(std::string_view s, std::string_view name) {
    return equalsNoCase(s, name) || equalsNoCase(s, name.substr(0, 3));
}

int monthNumber(std::string_view s) {
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (isNameOrAbbreviation(s, kMonths[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return -1;
}

bool isDayName(std::string_view s) {
    if (!s.empty() && s.back() == ',') {
        s.remove_suffix(1);
    }
    return std::any_of(kDays.begin(), kDays.end(), [&](std::string_view d) { return isNameOrAbbreviation(s, d); });
}

bool isZone(std::string_view s) {
    if (s.size() == 5 && (s[0] == '+' || s[0] == '-') && number(s.substr(1), 4, 4) >= 0) {
        return true;
    }
    return std::any_of(kZones.begin(), kZones.end(), [&](std::string_view z) { return equalsNoCase(s, z); });
}

int daysInMonth(int year, int month) {
    static constexpr int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDaysIn[month - 1];
}

bool validDate(const DateTimeParts& p) {
    return p.year >= 1 && p.year <= 9999 && p.month >= 1 && p.month <= 12 && p.day >= 1 &&
           p.day <= daysInMonth(p.year, p.month);
}

int yearNumber(std::string_view s) {
    int y = number(s, 4, 4);
    if (y >= 0) {
        return y;
    }
    y = number(s, 2, 2);
    return y < 0 ? -1 : y < 50 ? 2000 + y : 1900 + y;
}

// day month year, from three parts.
bool dayMonthYear(std::string_view d, std::string_view m, std::string_view y, DateTimeParts& p) {
    p.day = number(d, 1, 2);
    p.month = monthNumber(m);
    p.year = yearNumber(y);
    return p.day >= 0 && p.month > 0 && p.year >= 0 && validDate(p);
}

// yyyy/m/d or yyyy-m-d in one token.
bool numericDate(std::string_view token, DateTimeParts& p) {
    char sep = token.find('/') != std::string_view::npos ? '/' : '-';
    if (std::count(token.begin(), token.end(), sep) != 2 || token.front() == sep || token.back() == sep ||
        token.find(std::string(2, sep)) != std::string_view::npos) {
        return false;
    }
    auto parts = split(token, sep, sep);
    p.year = number(parts[0], 4, 4);
    p.month = number(parts[1], 1, 2);
    p.day = number(parts[2], 1, 2);
    return p.year >= 0 && p.month >= 0 && p.day >= 0 && validDate(p);
}

bool timeOfDay(std::string_view token, DateTimeParts& p) {
    if (token.front() == ':' || token.back() == ':' || token.find("::") != std::string_view::npos) {
        return false;
    }
    auto parts = split(token, ':', ':');
    if (parts.size() < 2 || parts.size() > 3) {
        return false;
    }
    p.hour = number(parts[0], 1, 2);
    p.minute = number(parts[1], 1, 2);
    int second = parts.size() == 3 ? number(parts[2], 1, 2) : 0;
    return p.hour >= 0 && p.hour <= 23 && p.minute >= 0 && p.minute <= 59 && second >= 0 && second <= 60;
}

}  // namespace

std::optional<DateTimeParts> recogniseDateTime(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.back() == ')') {
        size_t open = text.rfind('(');
        if (open == std::string_view::npos || open == 0) {
            return std::nullopt;
        }
        text = trim(text.substr(0, open));
    }
    auto tokens = split(text, ' ', '\t');
    size_t at = 0;
    if (at < tokens.size() && isDayName(tokens[at])) {
        ++at;
    }
    if (at >= tokens.size()) {
        return std::nullopt;
    }
    DateTimeParts p;
    std::string_view first = tokens[at];
    bool yearFirst = first.find('/') != std::string_view::npos ||
                     (first.size() > 4 && first[4] == '-' && number(first.substr(0, 4), 4, 4) >= 0);
    if (yearFirst) {
        if (!numericDate(first, p)) {
            return std::nullopt;
        }
        ++at;
    } else if (first.find('-') != std::string_view::npos) {
        auto parts = split(first, '-', '-');
        if (parts.size() != 3 || std::count(first.begin(), first.end(), '-') != 2 ||
            !dayMonthYear(parts[0], parts[1], parts[2], p)) {
            return std::nullopt;
        }
        ++at;
    } else {
        if (at + 3 > tokens.size() || !dayMonthYear(tokens[at], tokens[at + 1], tokens[at + 2], p)) {
            return std::nullopt;
        }
        at += 3;
    }
    if (at < tokens.size()) {
        if (!timeOfDay(tokens[at], p)) {
            return std::nullopt;
        }
        ++at;
        if (at < tokens.size() && isZone(tokens[at])) {
            ++at;
        }
    }
    if (at != tokens.size()) {
        return std::nullopt;
    }
    return p;
}

std::string formatDateTime(const DateTimeParts& p) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return text;
}

}  // namespace quorvel::mailimport
