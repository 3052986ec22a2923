#include "tests/mailboximport/ImportFixture.h"

#include <filesystem>
#include <functional>

#include "tests/support/ArchiveSql.h"

namespace quorvel::mailboximport::test {

namespace fs = std::filesystem;
using quorvel::test::readFile;
using quorvel::test::sqlRows;
using quorvel::test::writeFile;

std::string mail(const std::string& subject, const std::string& body, bool crlf) {
    std::string text = "From: a@example.com\nTo: b@example.com\nSubject: " + subject +
                       "\nDate: Tue, 1 Jan 2002 10:00:00 +0900\n\n" + body;
    if (!crlf) {
        return text;
    }
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

std::string mboxOf(const std::vector<std::string>& mails) {
    std::string out;
    for (const std::string& m : mails) {
        out += "From a@example.com Tue Jan  1 10:00:00 2002\n";
        size_t at = 0;
        while (at < m.size()) {
            size_t end = m.find('\n', at);
            end = end == std::string::npos ? m.size() : end + 1;
            const std::string line = m.substr(at, end - at);
            const size_t quotes = line.find_first_not_of('>');
            if (quotes != std::string::npos && line.compare(quotes, 5, "From ") == 0) {
                out += ">";
            }
            out += line;
            at = end;
        }
        out += "\n";
    }
    return out;
}

void makeMaildir(const std::string& path, const std::vector<std::string>& inNew,
                 const std::vector<std::string>& inCur) {
    fs::create_directories(path + "/tmp");
    fs::create_directories(path + "/new");
    fs::create_directories(path + "/cur");
    for (size_t i = 0; i < inNew.size(); ++i) {
        writeFile(path + "/new/100" + std::to_string(i) + ".M1P1.host", inNew[i]);
    }
    for (size_t i = 0; i < inCur.size(); ++i) {
        writeFile(path + "/cur/200" + std::to_string(i) + ".M1P1.host:2,S", inCur[i]);
    }
}

void ImportTest::SetUp() {
    fs::create_directories(dir_.file("src"));
    fs::copy_file(quorvel::test::builtTemplatePath(), dir_.file("a.qvb"));
    at_.defs = archive::makeTableDefs();
    at_.arcPath = dir_.path();
    at_.arcName = at_.lockName = "a.qvb";
    at_.useLockF = "0";
    archive::setDbErrorSink([this](const archive::DbFailure& f) {
        failures_.push_back(f.tname + ": " + f.comment + ": " + f.description);
    });
}

void ImportTest::TearDown() {
    archive::setDbErrorSink({});
}

ImportResult ImportTest::import(const std::vector<std::string>& paths, const ImportOptions& options, int32_t target,
                                const ImportProgressFn& progress) {
    int32_t mails = std::stoi(sql("SELECT coalesce(max(ID), 0) FROM MailInfTabl").at(0));
    int32_t folders = std::stoi(sql("SELECT max(ID) FROM mailDirTabl").at(0));
    return importMailboxes(at_, paths, target, mails, folders, options, progress);
}

std::vector<std::string> ImportTest::sql(const std::string& statements) const {
    return sqlRows(workingFile(at_), statements);
}

Contents ImportTest::contents() const {
    std::map<int, std::pair<int, std::string>> folders;  // ID: parent, name
    for (const std::string& row : sql("SELECT ID, parentID, dname FROM mailDirTabl")) {
        const size_t a = row.find('|'), b = row.find('|', a + 1);
        folders[std::stoi(row.substr(0, a))] = {std::stoi(row.substr(a + 1, b - a - 1)), row.substr(b + 1)};
    }
    std::function<std::string(int)> pathOf = [&](int id) -> std::string {
        if (id == 1 || !folders.count(id)) {
            return "";
        }
        const std::string parent = pathOf(folders[id].first);
        return parent.empty() ? folders[id].second : parent + "/" + folders[id].second;
    };
    Contents out;
    for (const auto& [id, folder] : folders) {
        std::vector<std::string>& mails = out[pathOf(id)];
        for (const std::string& mailId :
             sql("SELECT ID FROM MailInfTabl WHERE dirID = " + std::to_string(id) + " ORDER BY ID")) {
            const std::vector<std::string> bytes = sql("SELECT mailFlObj FROM MailOBJTabl WHERE ID = " + mailId);
            mails.push_back(bytes.empty() ? "(no stored mail)" : bytes[0]);
        }
    }
    return out;
}

}  // namespace quorvel::mailboximport::test
