#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestEnv.h"

namespace quorvel::test {

// One run of the built quorvel-cli: its exit status, standard output by line
// and standard error.
struct CliRun {
    int status = -1;
    std::vector<std::string> lines;
    std::string err;
};

// Runs the tool with arguments (each quoted for the shell); its output goes
// through files in `dir`.
inline CliRun runCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string command = QUORVEL_CLI;
    for (const auto& a : args) {
        command += " '" + a + "'";
    }
    command += " >" + dir.file("out") + " 2>" + dir.file("err");
    const int raw = std::system(command.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::istringstream out(readFile(dir.file("out")));
    for (std::string line; std::getline(out, line);) {
        r.lines.push_back(line);
    }
    r.err = readFile(dir.file("err"));
    return r;
}

// One line of the tool's JSON output; the test fails when it is not JSON.
inline QJsonObject jsonLine(const std::string& line) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return doc.object();
}

}  // namespace quorvel::test
