#pragma once

#include <filesystem>
#include <string>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "tests/support/TestEnv.h"

namespace quorvel::test {

// A fresh archive made from the built template.
inline std::string makeArchive(const TempDir& dir, const std::string& name = "a.qvb") {
    std::string path = dir.file(name);
    std::filesystem::copy_file(builtTemplatePath(), path, std::filesystem::copy_options::overwrite_existing);
    return path;
}

// Adds header rows through the access layer: mail id i lies in folder dirOf(i).
template <typename DirOf>
void addMails(const std::string& archive, int count, DirOf dirOf) {
    archive::LtDataBaseInfo db(archive, "MailInfTabl");
    ASSERT_TRUE(db.DB_Open("", true));
    for (int i = 1; i <= count; ++i) {
        ASSERT_TRUE(db.DB_AddNew());
        db.RecSet->Fields("ID").setValue(i);
        db.RecSet->Fields("dirID").setValue(dirOf(i));
        db.RecSet->Fields("Subject").setValue("件名 " + std::to_string(i));
        ASSERT_TRUE(db.DB_Update());
    }
}

}  // namespace quorvel::test
