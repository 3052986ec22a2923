#pragma once

#include <string>

// A new file made beside an archive that is to replace it: created
// exclusively under the name pattern of the program's temporary copies and
// claimed while it is written (so the clean-up of abandoned copies leaves it
// alone, and takes it if the process dies), then flushed and renamed over
// the archive in one step. Removed unless committed.
namespace quorvel::health {

class ReplacementFile {
public:
    explicit ReplacementFile(const std::string& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // Flushes the new file, gives it the target's mode, and renames it over
    // the target; false with error() when any step fails.
    bool commit();

private:
    std::string target_;
    std::string path_;
    std::string error_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace quorvel::health
