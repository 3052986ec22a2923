#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "archive/ArchiveLocation.h"
#include "archive/LtDataBaseInfo.h"
#include "mailboximport/MailboxImporter.h"
#include "tests/support/TestEnv.h"

// Archives, mails and mailboxes for the importer's tests.
namespace quorvel::mailboximport::test {

// A small mail; `extra` lines go into the body, so that mails differ.
std::string mail(const std::string& subject, const std::string& body = "body\n", bool crlf = false);

// An mbox of these mails as a writer of the newer form writes it: a
// separator line before each, body lines ">*From " quoted, a blank line after
// each mail.
std::string mboxOf(const std::vector<std::string>& mails);

// A Maildir: new/, cur/ and tmp/, the mails of new/ and cur/ in files named
// in their order.
void makeMaildir(const std::string& path, const std::vector<std::string>& inNew, const std::vector<std::string>& inCur);

// The archive's folders by their path below the root ("Inbox/Work"; "" for
// the root itself), each with its mails' bytes in identifier order.
using Contents = std::map<std::string, std::vector<std::string>>;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Imports into folder `target` with the counters the archive's highest
    // identifiers give.
    ImportResult import(const std::vector<std::string>& paths, const ImportOptions& options = {}, int32_t target = 1,
                        const ImportProgressFn& progress = {});

    Contents contents() const;
    // Runs statements on the archive behind the importer's back.
    std::vector<std::string> sql(const std::string& statements) const;
    std::string src(const std::string& name) const { return dir_.file("src/" + name); }
    // Every failure the access layer reported, one line each.
    const std::vector<std::string>& failures() const { return failures_; }

    quorvel::test::TempDir dir_;
    archive::ArchiveLocation at_;
    std::vector<std::string> failures_;
};

}  // namespace quorvel::mailboximport::test
