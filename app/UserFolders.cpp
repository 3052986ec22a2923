#include "app/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace quorvel {

namespace {

bool writableFolder(const std::string& path) {
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

// A folder only this user can enter: made 0700 when missing; an existing one
// must be a real folder of this user's, and is narrowed to 0700.
bool privateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        return false;
    }
    return (st.st_mode & 0777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

std::string fromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : "";
}

}  // namespace

bool programFolderWritable(const std::string& programFolder) {
    return writableFolder(programFolder + "/tmp") && writableFolder(programFolder + "/sys");
}

std::string privateWorkFolder() {
    std::string base = fromEnv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (base.empty() || ::stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        base = fromEnv("XDG_CACHE_HOME");
        if (base.empty()) {
            const std::string home = fromEnv("HOME");
            if (home.empty()) {
                return {};
            }
            base = home + "/.cache";
            ::mkdir(base.c_str(), 0700);
        }
    }
    const std::string folder = base + "/quorvel";
    return privateFolder(folder) ? folder : std::string();
}

WorkFolders defaultWorkFolders(const std::string& programFolder, bool writable, const std::string& privateFolder) {
    if (writable || privateFolder.empty()) {
        return {programFolder + "/tmp", programFolder + "/sys/tmp"};
    }
    WorkFolders folders{privateFolder + "/tmp", privateFolder + "/drop"};
    ::mkdir(folders.tmpPath.c_str(), 0700);
    ::mkdir(folders.dropPath.c_str(), 0700);
    return folders;
}

}  // namespace quorvel
