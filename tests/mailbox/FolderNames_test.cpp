#include "mailbox/FolderNames.h"

#include <gtest/gtest.h>

namespace quorvel::mailbox {
namespace {

using V = std::vector<std::string>;

TEST(FolderNames, maildirSubfoldersSplitAtDots) {
    EXPECT_EQ(maildirFolderPath(".Work"), V{"Work"});
    EXPECT_EQ(maildirFolderPath(".Work.Projects"), (V{"Work", "Projects"}));
    EXPECT_EQ(maildirFolderPath(".A.B.C"), (V{"A", "B", "C"}));
    // Names that would give an empty folder name stay whole.
    EXPECT_EQ(maildirFolderPath(".a..b"), V{"a..b"});
    EXPECT_EQ(maildirFolderPath(".a."), V{"a."});
    EXPECT_EQ(maildirFolderPath("..a"), V{".a"});
}

TEST(FolderNames, maildirNamesInModifiedUtf7AreDecoded) {
    EXPECT_EQ(maildirFolderPath(".&U9dP4Q-"), V{"受信"});
    EXPECT_EQ(maildirFolderPath(".&TtVOiw-.&kAFP4W4IMH8-"), (V{"仕事", "送信済み"}));
    EXPECT_EQ(maildirFolderPath(".R&-D"), V{"R&D"});
    // Not in that form: kept as the server wrote it.
    EXPECT_EQ(maildirFolderPath(".R&D"), V{"R&D"});
    EXPECT_EQ(maildirFolderPath(".受信.x"), (V{"受信", "x"}));
}

TEST(FolderNames, modifiedUtf7) {
    EXPECT_EQ(decodeModifiedUtf7("plain ~ text"), "plain ~ text");
    EXPECT_EQ(decodeModifiedUtf7("&ZeVnLIqe-"), "日本語");
    EXPECT_EQ(decodeModifiedUtf7("a&ZeVnLIqe-b&AOQ-"), "a日本語bä");
    EXPECT_EQ(decodeModifiedUtf7("&2D3eAA-"), "😀");  // a surrogate pair
    EXPECT_EQ(decodeModifiedUtf7("&-&-"), "&&");
    EXPECT_EQ(decodeModifiedUtf7(""), "");
    for (const char* bad : {
             "&ZeVnLIqe",   // not ended
             "&ZeV*LIqe-",  // not base64
             "&U9dP4R-",    // bits left over that are not zero
             "&2D0-",       // a lone high surrogate
             "&3gA-",       // a lone low surrogate
             "&AH4-",       // "~" written encoded
             "&ZeVnLIq/-",  // '/' where modified base64 has ','
             "tab\there",   // not printable
             "日本",        // raw 8-bit
         }) {
        EXPECT_EQ(decodeModifiedUtf7(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace quorvel::mailbox
