#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the fuzz targets share: a file in memory for the readers that take a
// path, a scratch folder for the ones that write, and the report of a broken
// promise (which libFuzzer then keeps as a crash).
namespace quorvel::fuzz {

// One file in memory for the life of the process, reachable by a path. Each
// input replaces its whole content; nothing touches the disk.
class MemoryFile {
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Makes the file hold exactly `bytes`; returns its path.
    const std::string& hold(std::string_view bytes);
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// A folder of its own for this process, made on first use (in /dev/shm when
// there is one) and removed when the process ends.
const std::string& scratchFolder();
// Removes everything inside a folder, leaving the folder.
void emptyFolder(const std::string& folder);

// Prints what went wrong with the input and aborts.
[[noreturn]] void fail(std::string_view what, std::string_view input);

// Valid UTF-8, with no overlong forms, surrogates or code points above U+10FFFF.
bool isValidUtf8(std::string_view text);

}  // namespace quorvel::fuzz
