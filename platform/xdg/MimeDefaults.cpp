#include "platform/xdg/MimeDefaults.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace quorvel::platform::xdg {

namespace {

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::string(value) : fallback;
}

std::string home() {
    return envOr("HOME", "/");
}

std::vector<std::string> splitList(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, sep)) {
        if (!item.empty()) {
            out.push_back(item);
        }
    }
    return out;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) {
        return {};
    }
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The group -> key -> value contents of an ini-style freedesktop file.
using IniGroups = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

IniGroups readIni(const std::string& path) {
    IniGroups groups;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            groups.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos || groups.empty()) {
            continue;
        }
        groups.back().second.push_back({trim(line.substr(0, eq)), trim(line.substr(eq + 1))});
    }
    return groups;
}

std::vector<std::string> iniList(const IniGroups& groups, const std::string& group, const std::string& key) {
    std::vector<std::string> out;
    for (const auto& [name, entries] : groups) {
        if (name != group) {
            continue;
        }
        for (const auto& [k, v] : entries) {
            if (k == key) {
                for (auto& id : splitList(v, ';')) {
                    out.push_back(id);
                }
            }
        }
    }
    return out;
}

std::string unescapeString(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char c = value[++i];
        switch (c) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += c;
        }
    }
    return out;
}

std::vector<std::string> mimeappsFiles() {
    std::vector<std::string> desktops = splitList(envOr("XDG_CURRENT_DESKTOP", ""), ':');
    std::vector<std::string> files;
    auto addDir = [&](const std::string& dir) {
        for (const auto& d : desktops) {
            std::string lower;
            for (char c : d) {
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            files.push_back(dir + "/" + lower + "-mimeapps.list");
        }
        files.push_back(dir + "/mimeapps.list");
    };
    addDir(configHome());
    for (const auto& d : configDirs()) {
        addDir(d);
    }
    addDir(dataHome() + "/applications");
    for (const auto& d : dataDirs()) {
        addDir(d + "/applications");
    }
    return files;
}

}  // namespace

std::string configHome() {
    return envOr("XDG_CONFIG_HOME", home() + "/.config");
}
std::string dataHome() {
    return envOr("XDG_DATA_HOME", home() + "/.local/share");
}
std::vector<std::string> configDirs() {
    return splitList(envOr("XDG_CONFIG_DIRS", "/etc/xdg"), ':');
}
std::vector<std::string> dataDirs() {
    return splitList(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
}

std::optional<std::string> findDesktopFile(const std::string& desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos) {
        return std::nullopt;
    }
    // "vendor-app.desktop" may also lie at vendor/app.desktop.
    std::vector<std::string> relative{desktopId};
    std::string variant = desktopId;
    for (size_t pos = variant.find('-'); pos != std::string::npos; pos = variant.find('-', pos + 1)) {
        variant[pos] = '/';
        relative.push_back(variant);
    }
    std::vector<std::string> dirs{dataHome()};
    for (const auto& d : dataDirs()) {
        dirs.push_back(d);
    }
    std::error_code ec;
    for (const auto& dir : dirs) {
        for (const auto& rel : relative) {
            std::string path = dir + "/applications/" + rel;
            if (!std::filesystem::is_regular_file(path, ec)) {
                continue;
            }
            // The first entry found decides, even when it hides the program.
            auto hidden = desktopEntryValue(path, "Hidden");
            if (hidden && *hidden == "true") {
                return std::nullopt;
            }
            return path;
        }
    }
    return std::nullopt;
}

std::optional<std::string> desktopEntryValue(const std::string& desktopFile, const std::string& key) {
    for (const auto& [group, entries] : readIni(desktopFile)) {
        if (group != "Desktop Entry") {
            continue;
        }
        for (const auto& [k, v] : entries) {
            if (k == key) {
                return unescapeString(v);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> defaultApplication(const std::string& mimeType) {
    auto usable = [](const std::string& id) {
        auto file = findDesktopFile(id);
        return file && desktopEntryValue(*file, "Exec").has_value();
    };
    std::vector<IniGroups> lists;
    for (const auto& path : mimeappsFiles()) {
        lists.push_back(readIni(path));
    }
    for (const auto& groups : lists) {
        for (const auto& id : iniList(groups, "Default Applications", mimeType)) {
            if (usable(id)) {
                return id;
            }
        }
    }
    std::set<std::string> removed;
    for (const auto& groups : lists) {
        for (const auto& id : iniList(groups, "Removed Associations", mimeType)) {
            removed.insert(id);
        }
        for (const auto& id : iniList(groups, "Added Associations", mimeType)) {
            if (!removed.count(id) && usable(id)) {
                return id;
            }
        }
    }
    std::vector<std::string> cacheDirs{dataHome()};
    for (const auto& d : dataDirs()) {
        cacheDirs.push_back(d);
    }
    for (const auto& dir : cacheDirs) {
        auto cache = readIni(dir + "/applications/mimeinfo.cache");
        for (const auto& id : iniList(cache, "MIME Cache", mimeType)) {
            if (!removed.count(id) && usable(id)) {
                return id;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> splitExec(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() && std::string("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                current += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == '"') {
            quoted = true;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg) {
                args.push_back(current);
                current.clear();
                inArg = false;
            }
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) {
        args.push_back(current);
    }
    return args;
}

std::string execToCommandLine(const std::string& exec) {
    std::vector<std::string> args = splitExec(exec);
    if (args.empty()) {
        return {};
    }
    std::string line = "\"" + args[0] + "\"";
    bool fileSeen = false;
    for (size_t a = 1; a < args.size(); ++a) {
        const std::string& arg = args[a];
        if (arg == "@@" || arg == "@@u" || arg == "@@f") {
            continue;  // a sandbox launcher's file-forwarding brackets
        }
        std::string out;
        bool isFile = false;
        for (size_t i = 0; i < arg.size(); ++i) {
            if (arg[i] != '%' || i + 1 == arg.size()) {
                out += arg[i];
                continue;
            }
            char code = arg[++i];
            if (code == '%') {
                out += '%';
            } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                if (!fileSeen) {
                    out += "%1";
                    isFile = true;
                    fileSeen = true;
                }
            }
            // %i, %c, %k and the deprecated codes stand for nothing here.
        }
        if (out.empty()) {
            continue;
        }
        bool needsQuotes = isFile || out.find_first_of(" \t") != std::string::npos;
        line += needsQuotes ? " \"" + out + "\"" : " " + out;
    }
    return line;
}

}  // namespace quorvel::platform::xdg
