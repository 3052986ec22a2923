#include "platform/settings/SettingsFile.h"

#include "platform/settings/LockedFile.h"

namespace quorvel::platform {

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

std::string SettingsFile::escape(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string SettingsFile::unescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char next = text[++i];
        switch (next) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:  // not an escape we write: keep it as it stands
                out += '\\';
                out += next;
        }
    }
    return out;
}

std::map<std::string, std::string> SettingsFile::parse(const std::string& content) {
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        start = end + 1;
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0 || line.find('\0') != std::string::npos) {
            continue;  // a damaged line
        }
        values[line.substr(0, eq)] = unescape(line.substr(eq + 1));
    }
    return values;
}

std::optional<std::string> SettingsFile::read(const std::string& name) const {
    std::string content;
    if (!readWholeFile(path_, content)) {
        return std::nullopt;
    }
    auto values = parse(content);
    auto it = values.find(name);
    if (it == values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool SettingsFile::write(const std::string& name, const std::string& value) const {
    if (name.empty() || name.find_first_of("=\n\r") != std::string::npos) {
        return false;
    }
    // Re-read under the lock so that a value another instance wrote a moment
    // ago is kept; a damaged or unreadable file starts again from what parses.
    return updateFileLocked(path_, [&](const std::string& current) {
        auto values = parse(current);
        values[name] = value;
        std::string text;
        for (const auto& [key, val] : values) {
            text += key + '=' + escape(val) + '\n';
        }
        return text;
    });
}

}  // namespace quorvel::platform
