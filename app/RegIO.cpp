#include "app/RegIO.h"

#include <charconv>
#include <cstdlib>

#include "platform/settings/SettingsFile.h"
#include "platform/xdg/MimeDefaults.h"

namespace quorvel {

namespace {

const char* const kMailMimeType = "message/rfc822";
const char* const kOpenCommandSuffix = "\\shell\\open\\command";

std::optional<std::string> classValue(const std::string& key, const std::string& valueName) {
    if (!valueName.empty()) {
        return std::nullopt;  // only the keys' default values are registered here
    }
    if (key == ".eml") {
        return platform::xdg::defaultApplication(kMailMimeType);
    }
    const std::string suffix = kOpenCommandSuffix;
    if (key.size() > suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0) {
        auto file = platform::xdg::findDesktopFile(key.substr(0, key.size() - suffix.size()));
        if (!file) {
            return std::nullopt;
        }
        auto exec = platform::xdg::desktopEntryValue(*file, "Exec");
        if (!exec) {
            return std::nullopt;
        }
        std::string line = platform::xdg::execToCommandLine(*exec);
        if (line.empty()) {
            return std::nullopt;
        }
        return line;
    }
    return std::nullopt;
}

}  // namespace

std::string settingsFilePath(const std::string& subKey) {
    std::string path = platform::xdg::configHome() + "/" + kSettingsKey;
    if (!subKey.empty()) {
        std::string sub = subKey;
        for (char& c : sub) {
            if (c == '\\') {
                c = '/';
            }
        }
        path += "/" + sub;
    }
    return path + ".conf";
}

std::string f_regGetVal(const std::string& subKey, const std::string& name, const std::string& def) {
    auto stored = platform::SettingsFile(settingsFilePath(subKey)).read(name);
    if (!stored || stored->size() > kRegValueLimit || *stored == "unset") {
        return def;
    }
    return *stored;
}

bool f_regSetVal(const std::string& subKey, const std::string& name, const std::string& value) {
    return platform::SettingsFile(settingsFilePath(subKey)).write(name, value);
}

bool f_regSetVal(const std::string& subKey, const std::string& name, long long value) {
    return f_regSetVal(subKey, name, std::to_string(value));
}

bool f_regSetVal(const std::string& subKey, const std::string& name, int value) {
    return f_regSetVal(subKey, name, std::to_string(value));
}

bool f_regSetVal(const std::string& subKey, const std::string& name, double value) {
    return f_regSetVal(subKey, name, numberText(value));
}

std::string f_regGetClassVal(const std::string& key, const std::string& valueName, const std::string& def) {
    auto value = classValue(key, valueName);
    if (!value || value->size() > kRegValueLimit) {
        return def;
    }
    return *value;
}

long long leadingNumber(const std::string& text) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) {
        return 0;
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (1LL << 53)) {
            break;  // far beyond any counter; stop before overflowing
        }
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::optional<double> plainNumber(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (*begin == '+') {
        ++begin;
    }
    auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::string numberText(double value) {
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) {
        return "0";
    }
    return std::string(buffer, ptr);
}

}  // namespace quorvel
