#include "mailbox/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace quorvel::mailbox {

namespace {

DirectoryEntry::Type typeOf(const struct stat& st) {
    if (S_ISREG(st.st_mode)) {
        return DirectoryEntry::Type::File;
    }
    if (S_ISDIR(st.st_mode)) {
        return DirectoryEntry::Type::Folder;
    }
    if (S_ISLNK(st.st_mode)) {
        return DirectoryEntry::Type::Link;
    }
    return DirectoryEntry::Type::Other;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

bool listDirectory(const std::string& folder, std::vector<DirectoryEntry>& entries, std::string& error) {
    entries.clear();
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = folder + ": " + std::strerror(errno);
        return false;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        error = folder + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0) {
                error = folder + ": " + std::strerror(errno);
                return false;
            }
            break;
        }
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        DirectoryEntry found{name, DirectoryEntry::Type::Other, 0};
        // An entry removed meanwhile stays listed as Other: the caller reports it.
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            found.type = typeOf(st);
            found.size = found.type == DirectoryEntry::Type::File ? static_cast<uint64_t>(st.st_size) : 0;
        }
        entries.push_back(std::move(found));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

DirectoryEntry::Type entryType(const std::string& path, uint64_t& size, std::string& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return DirectoryEntry::Type::Other;
    }
    size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    return typeOf(st);
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quorvel::mailbox
