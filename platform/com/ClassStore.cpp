#include "platform/com/ClassStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/settings/SettingsFile.h"
#include "platform/xdg/MimeDefaults.h"

namespace quorvel::com {

namespace {

using platform::SettingsFile;

constexpr const char* kDefaultName = "@";

bool readWholeFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return !in.bad();
}

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

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
    if (!readWholeFile(path_, content)) {
        return {};
    }
    return ClassStoreData::parse(content);
}

bool ClassStore::update(const std::function<void(ClassStoreData&)>& change) const {
    std::error_code ec;
    const std::filesystem::path target(path_);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }
    FileLock lock(path_ + ".lock");
    if (!lock.held()) {
        return false;
    }
    ClassStoreData data = read();
    change(data);

    const std::string tmpPath = path_ + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, data.text()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmpPath.c_str(), path_.c_str()) == 0) {
        return true;
    }
    ::unlink(tmpPath.c_str());
    return false;
}

}  // namespace quorvel::com
