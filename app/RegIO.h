#pragma once

#include <optional>
#include <string>

// The per-user settings key and the file-type registrations, in the form the
// rest of the program reads them: text values with a default.
namespace quorvel {

// The settings key; a non-empty sub-key name lies below it.
inline constexpr const char* kSettingsKey = "Halvane/5172093846152077";

// Longest value text that can be read back; a longer value counts as missing.
inline constexpr size_t kRegValueLimit = 126;

// The settings file of a key: $XDG_CONFIG_HOME/Halvane/5172093846152077.conf,
// or .../5172093846152077/<subKey>.conf for a sub-key.
std::string settingsFilePath(const std::string& subKey);

// The stored text, or `def` unchanged when the value is missing, unreadable,
// longer than 126 bytes or equal to "unset".
std::string f_regGetVal(const std::string& subKey, const std::string& name, const std::string& def);

// Stores a value as text; true when it was stored. Numbers are written as
// their shortest decimal text: 1000, 1234.5.
bool f_regSetVal(const std::string& subKey, const std::string& name, const std::string& value);
bool f_regSetVal(const std::string& subKey, const std::string& name, long long value);
bool f_regSetVal(const std::string& subKey, const std::string& name, double value);
bool f_regSetVal(const std::string& subKey, const std::string& name, int value);

// A file-type registration: ".eml" answers the desktop id of the default
// program for message/rfc822, and "<desktop id>\shell\open\command" its
// command line. `def` when there is none, or when it is longer than 126 bytes.
std::string f_regGetClassVal(const std::string& key, const std::string& valueName, const std::string& def);

// The leading number of a text, as the counters are read: "12abc" is 12, an
// empty or non-numeric text is 0.
long long leadingNumber(const std::string& text);

// A text that is a whole number or a decimal number, and nothing else.
std::optional<double> plainNumber(const std::string& text);

// The shortest decimal text of a number: 1000, 1234.5, -3.
std::string numberText(double value);

}  // namespace quorvel
