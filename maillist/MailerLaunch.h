#pragma once

#include <string>
#include <vector>

namespace quorvel {

inline constexpr const char* kMsgNoMailer = ".emlに関連付けられたメーラーはありません！";

// The program and arguments of the mail program's command prefix with a file
// appended. The prefix lost its quotes when it was cut, so a program path with
// spaces is found by taking the longest leading run of words that names an
// existing file; the file path always travels as one argument.
std::vector<std::string> mailerArguments(const std::string& mailerCmd, const std::string& path);

// Starts the mail program on a file without waiting; false when it could not
// be started.
bool startMailer(const std::string& mailerCmd, const std::string& path);

}  // namespace quorvel
