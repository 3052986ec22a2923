#include "maillist/MailerLaunch.h"

#include <QProcess>
#include <QStringList>
#include <cctype>
#include <filesystem>
#include <sstream>

namespace quorvel {

std::vector<std::string> mailerArguments(const std::string& mailerCmd, const std::string& path) {
    std::vector<std::string> words;
    std::istringstream in(mailerCmd);
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    if (words.empty()) {
        return {};
    }
    size_t programWords = 1;
    std::string candidate = words[0];
    std::error_code ec;
    for (size_t n = 1; n <= words.size(); ++n) {
        if (n > 1) {
            candidate += " " + words[n - 1];
        }
        if (std::filesystem::is_regular_file(candidate, ec)) {
            programWords = n;
        }
    }
    std::string program = words[0];
    for (size_t n = 1; n < programWords; ++n) {
        program += " " + words[n];
    }
    std::vector<std::string> args{program};
    args.insert(args.end(), words.begin() + static_cast<long>(programWords), words.end());
    // The path is appended to the command as text: a prefix that ends without
    // a space ("/eml:") is joined to the path in one argument.
    const bool joined = args.size() > 1 && !std::isspace(static_cast<unsigned char>(mailerCmd.back()));
    if (joined) {
        args.back() += path;
    } else {
        args.push_back(path);
    }
    return args;
}

bool startMailer(const std::string& mailerCmd, const std::string& path) {
    const auto args = mailerArguments(mailerCmd, path);
    if (args.empty()) {
        return false;
    }
    QStringList rest;
    for (size_t i = 1; i < args.size(); ++i) {
        rest << QString::fromStdString(args[i]);
    }
    return QProcess::startDetached(QString::fromStdString(args[0]), rest);
}

}  // namespace quorvel
