#include "tests/mailbox/MailboxFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace quorvel::mailbox::test {

void makeFolder(const std::string& path) {
    fs::create_directories(path);
}

void makeLink(const std::string& target, const std::string& path) {
    fs::create_symlink(target, path);
}

void makeMaildir(const std::string& path) {
    for (const char* part : {"/cur", "/new", "/tmp"}) {
        fs::create_directories(path + part);
    }
}

std::vector<ReadMail> readMbox(const std::string& path, const MboxReader::Options& options) {
    MboxReader reader(options);
    std::string error;
    EXPECT_TRUE(reader.open(path, error)) << error;
    std::vector<ReadMail> out;
    ReadMail mail;
    for (;;) {
        MboxReader::Next got = reader.next(mail.bytes, mail.info);
        if (got == MboxReader::Next::End) {
            break;
        }
        EXPECT_EQ(got, MboxReader::Next::Mail) << reader.error();
        if (got != MboxReader::Next::Mail) {
            break;
        }
        out.push_back(mail);
    }
    return out;
}

std::vector<std::string> mailsOf(const std::string& path, const MboxReader::Options& options) {
    std::vector<std::string> out;
    for (ReadMail& mail : readMbox(path, options)) {
        out.push_back(std::move(mail.bytes));
    }
    return out;
}

std::vector<std::string> describe(const ImportPlan& plan, const std::string& root) {
    static const char* const kKinds[] = {"Folder", "MailFile", "Mbox", "Maildir"};
    std::vector<std::string> out;
    for (const SourceItem& item : plan.items) {
        std::string line = kKinds[static_cast<int>(item.kind)];
        line += " ";
        for (size_t i = 0; i < item.folderPath.size(); ++i) {
            line += (i ? "/" : "") + item.folderPath[i];
        }
        if (!item.path.empty()) {
            line += " <- " + (item.path.rfind(root + "/", 0) == 0 ? item.path.substr(root.size() + 1) : item.path);
        }
        out.push_back(line);
    }
    return out;
}

void expectParentsFirst(const ImportPlan& plan) {
    std::set<std::vector<std::string>> named = {{}};
    std::set<std::vector<std::string>> folderItems;
    for (const SourceItem& item : plan.items) {
        const size_t parents =
            item.kind == SourceItem::Kind::MailFile ? item.folderPath.size() : item.folderPath.size() - 1;
        for (size_t n = 0; n <= parents; ++n) {
            std::vector<std::string> parent(item.folderPath.begin(), item.folderPath.begin() + n);
            EXPECT_TRUE(named.count(parent)) << "an item comes before its parent folder: " << item.path;
        }
        if (item.kind == SourceItem::Kind::Folder) {
            EXPECT_TRUE(folderItems.insert(item.folderPath).second) << "a folder made twice: " << item.path;
        }
        if (item.kind != SourceItem::Kind::MailFile) {
            named.insert(item.folderPath);
        }
    }
}

}  // namespace quorvel::mailbox::test
