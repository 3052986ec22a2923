#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

namespace quorvel::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "quorvel-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only files or folders behind; make them removable.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

struct IsolatedXdg::Saved {
    std::map<std::string, std::optional<std::string>> values;
};

namespace {
const char* const kVars[] = {"HOME",          "XDG_CONFIG_HOME",     "XDG_DATA_HOME",  "XDG_CONFIG_DIRS",
                             "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
}

IsolatedXdg::IsolatedXdg() : saved_(new Saved) {
    for (const char* v : kVars) {
        const char* value = std::getenv(v);
        saved_->values[v] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    fs::create_directories(configHome());
    fs::create_directories(dataHome());
    fs::create_directories(dataDir());
    fs::create_directories(root() + "/etc");
    ::setenv("HOME", root().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
    ::setenv("XDG_DATA_HOME", dataHome().c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root() + "/etc").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", dataDir().c_str(), 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    // The cache and the runtime folder are the user's too: never the real ones.
    fs::create_directories(root() + "/cache");
    fs::create_directories(root() + "/run");
    fs::permissions(root() + "/run", fs::perms::owner_all);
    ::setenv("XDG_CACHE_HOME", (root() + "/cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root() + "/run").c_str(), 1);
}

IsolatedXdg::~IsolatedXdg() {
    for (const auto& [name, value] : saved_->values) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    delete saved_;
}

void writeFile(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path()) {
        fs::create_directories(p.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string builtTemplatePath() {
    return QUORVEL_TEST_TEMPLATE;
}

std::string makeProgramFolder(const std::string& parent) {
    std::string folder = parent + "/program";
    fs::create_directories(folder + "/sys/tmp");
    fs::create_directories(folder + "/tmp");
    fs::copy_file(builtTemplatePath(), folder + "/sys/inttmpl.qvb", fs::copy_options::overwrite_existing);
    return folder;
}

}  // namespace quorvel::test
