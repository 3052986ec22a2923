#pragma once

#include <string>
#include <vector>

namespace quorvel::test {

// A temporary folder removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CONFIG_DIRS and
// XDG_DATA_DIRS at folders inside a fresh temporary folder for the life of
// the object, so that no test reads or writes the real user's settings.
class IsolatedXdg {
public:
    IsolatedXdg();
    ~IsolatedXdg();
    IsolatedXdg(const IsolatedXdg&) = delete;
    IsolatedXdg& operator=(const IsolatedXdg&) = delete;

    std::string configHome() const { return root_.path() + "/config"; }
    std::string dataHome() const { return root_.path() + "/data"; }
    std::string dataDir() const { return root_.path() + "/share"; }
    std::string root() const { return root_.path(); }

private:
    TempDir root_;
    struct Saved;
    Saved* saved_;
};

// Writes bytes to a file, creating its folder; fails the test on error.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

// A program folder as the build lays it out: sys/ with the template archive,
// sys/tmp/ and tmp/. The template comes from the build's program folder.
std::string makeProgramFolder(const std::string& parent);
// The template archive the build generated.
std::string builtTemplatePath();

}  // namespace quorvel::test
