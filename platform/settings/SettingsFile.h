#pragma once

#include <map>
#include <optional>
#include <string>

namespace quorvel::platform {

// One settings key kept as a UTF-8 text file of "name=value" lines. A value may
// hold any bytes: a backslash escapes a backslash ("\\"), a line feed ("\n")
// and a carriage return ("\r").
//
// Several program instances share the file, so every write takes an advisory
// lock on a companion ".lock" file, re-reads the file under that lock, changes
// the one value and replaces the file atomically (temporary file + rename).
// Two instances writing different values at the same moment lose neither.
class SettingsFile {
public:
    explicit SettingsFile(std::string path);

    const std::string& path() const { return path_; }

    // The stored value, or nothing when the file or the value is missing or
    // the file cannot be read. A damaged line is skipped, never fatal.
    std::optional<std::string> read(const std::string& name) const;

    // Stores one value; false when the folder, the lock or the file could not
    // be written. A damaged or unreadable file is replaced by a clean one.
    bool write(const std::string& name, const std::string& value) const;

    static std::string escape(const std::string& value);
    static std::string unescape(const std::string& text);
    static std::map<std::string, std::string> parse(const std::string& content);

private:
    std::string path_;
};

}  // namespace quorvel::platform
