#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

// The few file operations every reader of a mailbox needs: a regular file is
// opened without following a link, and reading retries when interrupted.
namespace quorvel::mailbox {

// Owns one file descriptor and closes it.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();

private:
    int fd_ = -1;
};

// Opens a regular file for reading. A symbolic link (as the last component of
// the path), a folder, a FIFO or a device is refused: the walker has decided
// what to read, and a file swapped for a link since then is not followed.
// On failure the descriptor is invalid and `error` says why, naming the path.
FileDescriptor openRegularFile(const std::string& path, uint64_t& size, std::string& error);

// Checks that an open descriptor is a regular file and gives its length;
// `name` names it in the error.
bool isRegularFile(int fd, const std::string& name, uint64_t& size, std::string& error);

// read(2) retried on EINTR: the bytes read, 0 at the end, -1 on an error.
ssize_t readSome(int fd, char* into, size_t count);

// Reads at most `limit` bytes from the start of the file (fewer at its end).
bool readPrefix(int fd, size_t limit, std::string& out, std::string& error);

enum class WholeFile {
    Read,
    TooLarge,  // longer than the limit; `out` holds nothing of it
    Failed,
};

// Reads a whole regular file into `out`; memory is bounded by `maxBytes`
// even when the file grows while it is read.
WholeFile readWholeFile(const std::string& path, uint64_t maxBytes, std::string& out, std::string& error);

}  // namespace quorvel::mailbox
