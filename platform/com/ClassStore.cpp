#include "platform/com/ClassStore.h"

#include "platform/settings/LockedFile.h"
#include "platform/settings/SettingsFile.h"
#include "platform/xdg/MimeDefaults.h"

namespace quorvel::com {

namespace {

using platform::SettingsFile;

constexpr const char* kDefaultName = "@";

}  // namespace

bool isValidKeyName(const std::string& key) {
    if (key.empty() || key.find_first_of("]\n\r") != std::string::npos) {
        return false;
    }
    return key.front() != '\\' && key.back() != '\\' && key.find("\\\\") == std::string::npos;
}

std::string ClassStoreData::fold(const std::string& key) {
    std::string f = key;
    for (char& c : f) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return f;
}

bool ClassStoreData::keyExists(const std::string& key) const {
    return keys_.count(fold(key)) != 0;
}

bool ClassStoreData::hasSubKeys(const std::string& key) const {
    const std::string below = fold(key) + "\\";
    auto it = keys_.lower_bound(below);
    return it != keys_.end() && it->first.compare(0, below.size(), below) == 0;
}

void ClassStoreData::createKey(const std::string& key) {
    if (!isValidKeyName(key)) {
        return;
    }
    size_t end = 0;
    do {
        end = key.find('\\', end + 1);
        const std::string part = key.substr(0, end);
        auto [it, added] = keys_.try_emplace(fold(part));
        if (added) {
            it->second.name = part;
        }
    } while (end != std::string::npos);
}

void ClassStoreData::setValue(const std::string& key, const std::string& name, const std::string& value) {
    if (!isValidKeyName(key) || name.find_first_of("=\n\r") != std::string::npos || name == kDefaultName) {
        return;
    }
    createKey(key);
    keys_[fold(key)].values[name.empty() ? kDefaultName : name] = value;
}

std::optional<std::string> ClassStoreData::value(const std::string& key, const std::string& name) const {
    auto k = keys_.find(fold(key));
    if (k == keys_.end()) {
        return std::nullopt;
    }
    auto v = k->second.values.find(name.empty() ? kDefaultName : name);
    if (v == k->second.values.end()) {
        return std::nullopt;
    }
    return v->second;
}

void ClassStoreData::deleteTree(const std::string& key) {
    const std::string folded = fold(key);
    const std::string below = folded + "\\";
    for (auto it = keys_.begin(); it != keys_.end();) {
        if (it->first == folded || it->first.compare(0, below.size(), below) == 0) {
            it = keys_.erase(it);
        } else {
            ++it;
        }
    }
}

std::string ClassStoreData::text() const {
    std::string out;
    for (const auto& [folded, key] : keys_) {
        out += "[" + key.name + "]\n";
        for (const auto& [name, value] : key.values) {
            out += name + "=" + SettingsFile::escape(value) + "\n";
        }
    }
    return out;
}

ClassStoreData ClassStoreData::parse(const std::string& text) {
    ClassStoreData data;
    std::string current;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            if (isValidKeyName(current)) {
                data.createKey(current);
            } else {
                current.clear();  // values under a damaged key are dropped
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (current.empty() || eq == std::string::npos || eq == 0) {
            continue;
        }
        const std::string name = line.substr(0, eq);
        data.keys_[fold(current)].values[name] = SettingsFile::unescape(line.substr(eq + 1));
    }
    return data;
}

ClassStore::ClassStore() : path_(platform::xdg::configHome() + "/Halvane/classes.conf") {}

ClassStore::ClassStore(std::string path) : path_(std::move(path)) {}

ClassStoreData ClassStore::read() const {
    std::string content;
    if (!platform::readWholeFile(path_, content)) {
        return {};
    }
    return ClassStoreData::parse(content);
}

bool ClassStore::update(const std::function<void(ClassStoreData&)>& change) const {
    return platform::updateFileLocked(path_, [&](const std::string& current) {
        ClassStoreData data = ClassStoreData::parse(current);
        change(data);
        return data.text();
    });
}

}  // namespace quorvel::com
