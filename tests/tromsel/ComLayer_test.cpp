// GUIDs and BSTR texts of the COM-style layer. The sink list is seen through
// the connection point's tests: the order events reach sinks in, the freed
// entries reused and the limit.
#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/Guid.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::com {
namespace {

TEST(Guid, textRoundTripAndRefusals) {
    auto lower = guidFromString("{ff67af18-d706-4aa7-9f5f-311979bfd993}");
    ASSERT_TRUE(lower);
    EXPECT_TRUE(*lower == tromsel::LIBID_TROMSELLib);
    EXPECT_TRUE(guidFromString(guidToString(tromsel::DIID__FileDragDropEvents)) == tromsel::DIID__FileDragDropEvents);
    for (const char* refused :
         {"4B40AAC9-17CA-4499-9AFD-F3CDFBA36506", "{4B40AAC9-17CA-4499-9AFD-F3CDFBA3650G}",
          "{4B40AAC9-17CA-4499-9AFDF-3CDFBA36506}", "{4B40AAC9-17CA-4499-9AFD-F3CDFBA365060}", ""}) {
        EXPECT_FALSE(guidFromString(refused)) << refused;  // braces, hex digits, dashes, length
    }
}

TEST(Bstr, lengthPrefixAndUtf8Conversions) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(bstrToUtf8(nullptr), "");

    const std::string text = "受信/メール 😀.eml";
    Bstr b(text);
    EXPECT_EQ(b.utf8(), text);
    EXPECT_EQ(SysStringLen(b.get()), utf8ToUtf16(text).size());
    EXPECT_EQ(b.get()[SysStringLen(b.get())], u'\0');

    // A BSTR may hold a zero; its length comes from the prefix.
    const OLECHAR withZero[] = {u'a', u'\0', u'b'};
    BSTR z = SysAllocStringLen(withZero, 3);
    EXPECT_EQ(SysStringLen(z), 3u);
    EXPECT_EQ(bstrToUtf8(z), std::string("a\0b", 3));
    SysFreeString(z);

    // Bytes that are not UTF-8 become U+FFFD one by one, never vanish.
    EXPECT_EQ(utf8ToUtf16("a\xff"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xe3\x81"), u"\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");  // overlong "/"
    EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
}

}  // namespace
}  // namespace quorvel::com
