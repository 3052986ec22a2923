#include "platform/settings/SettingsFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvel::platform {

namespace {

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

// Holds an exclusive flock on a file for as long as it lives.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0) {
                if (errno != EINTR) {
                    ::close(fd_);
                    fd_ = -1;
                    break;
                }
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // closing the descriptor releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

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
    std::error_code ec;
    const std::filesystem::path target(path_);
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }
    FileLock lock(path_ + ".lock");
    if (!lock.held()) {
        return false;
    }

    // Re-read under the lock so that a value another instance wrote a moment
    // ago is kept. An unreadable file starts again from nothing.
    std::string content;
    std::map<std::string, std::string> values;
    if (readWholeFile(path_, content)) {
        values = parse(content);
    }
    values[name] = value;

    std::string text;
    for (const auto& [key, val] : values) {
        text += key;
        text += '=';
        text += escape(val);
        text += '\n';
    }

    std::string tmpPath = path_ + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmpPath.c_str(), path_.c_str()) == 0) {
        return true;
    }
    ::unlink(tmpPath.c_str());
    return false;
}

}  // namespace quorvel::platform
