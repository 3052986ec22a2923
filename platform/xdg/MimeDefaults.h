#pragma once

#include <optional>
#include <string>
#include <vector>

// The freedesktop answers to "which program opens this kind of file": the base
// directories, the mimeapps.list defaults and the desktop entries' Exec lines.
namespace quorvel::platform::xdg {

std::string configHome();
std::string dataHome();
std::vector<std::string> configDirs();
std::vector<std::string> dataDirs();

// Full path of an installed, not hidden desktop entry, or nothing.
std::optional<std::string> findDesktopFile(const std::string& desktopId);

// Desktop id of the default application for a MIME type: [Default
// Applications] of the mimeapps.list files in precedence order, then their
// [Added Associations], then the mimeinfo.cache files.
std::optional<std::string> defaultApplication(const std::string& mimeType);

// A key of the [Desktop Entry] group, with the string escapes undone.
std::optional<std::string> desktopEntryValue(const std::string& desktopFile, const std::string& key);

// Splits an Exec value into arguments by its quoting rules.
std::vector<std::string> splitExec(const std::string& exec);

// Turns an Exec value into a command line of the form the mail-program cutting
// rule expects: the program in double quotes, its arguments (quoted when they
// hold spaces), and "%1" in double quotes where the file goes. Field codes
// that name no file are dropped, "%%" becomes "%".
std::string execToCommandLine(const std::string& exec);

}  // namespace quorvel::platform::xdg
