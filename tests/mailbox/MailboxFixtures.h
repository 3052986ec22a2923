#pragma once

#include <string>
#include <vector>

#include "mailbox/ImportPlan.h"
#include "mailbox/MboxReader.h"

// Fixture trees and the reading of them for the mailbox tests.
namespace quorvel::mailbox::test {

void makeFolder(const std::string& path);
void makeLink(const std::string& target, const std::string& path);
// A Maildir with its three folders.
void makeMaildir(const std::string& path);

struct ReadMail {
    std::string bytes;
    MailInfo info;
};

// Every mail of an mbox file; the test fails when the reader fails.
std::vector<ReadMail> readMbox(const std::string& path, const MboxReader::Options& options = {});
// Only the bytes of every mail.
std::vector<std::string> mailsOf(const std::string& path, const MboxReader::Options& options = {});

// The items of a plan as "KIND folder/path <- path" lines, paths relative to `root`.
std::vector<std::string> describe(const ImportPlan& plan, const std::string& root);
// The plan's order promise: every item's parent folders come first, no Folder item twice.
void expectParentsFirst(const ImportPlan& plan);

}  // namespace quorvel::mailbox::test
