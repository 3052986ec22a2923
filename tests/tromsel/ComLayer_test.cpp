// GUIDs, BSTR texts and the sink list of the COM-style layer.
#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/Guid.h"
#include "platform/com/SinkList.h"
#include "tromsel/FileDragDrop.h"

namespace quorvel::com {
namespace {

TEST(Guid, textRoundTripAndRefusals) {
    EXPECT_EQ(guidToString(tromsel::CLSID_UIFileDragDrop), "{4B40AAC9-17CA-4499-9AFD-F3CDFBA36506}");
    auto lower = guidFromString("{ff67af18-d706-4aa7-9f5f-311979bfd993}");
    ASSERT_TRUE(lower);
    EXPECT_TRUE(*lower == tromsel::LIBID_TROMSELLib);
    EXPECT_TRUE(guidFromString(guidToString(tromsel::DIID__FileDragDropEvents)) == tromsel::DIID__FileDragDropEvents);

    EXPECT_FALSE(guidFromString("4B40AAC9-17CA-4499-9AFD-F3CDFBA36506"));     // no braces
    EXPECT_FALSE(guidFromString("{4B40AAC9-17CA-4499-9AFD-F3CDFBA3650G}"));   // not hex
    EXPECT_FALSE(guidFromString("{4B40AAC9-17CA-4499-9AFDF-3CDFBA36506}"));   // dash misplaced
    EXPECT_FALSE(guidFromString("{4B40AAC9-17CA-4499-9AFD-F3CDFBA365060}"));  // too long
    EXPECT_FALSE(guidFromString(""));
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

IUnknown* fake(uintptr_t v) {
    return reinterpret_cast<IUnknown*>(v * 16);
}

TEST(SinkList, inlineEntryThenArrayOfFourThatDoublesAndReusesFreedEntries) {
    SinkList list;
    EXPECT_EQ(list.size(), 0u);
    ASSERT_TRUE(list.add(fake(1)));
    EXPECT_EQ(list.size(), 1u);
    ASSERT_TRUE(list.add(fake(2)));
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(list.at(0), fake(1));
    EXPECT_EQ(list.at(1), fake(2));
    ASSERT_TRUE(list.add(fake(3)));
    ASSERT_TRUE(list.add(fake(4)));
    EXPECT_EQ(list.size(), 4u);
    ASSERT_TRUE(list.add(fake(5)));
    EXPECT_EQ(list.size(), 8u);
    EXPECT_EQ(list.at(4), fake(5));

    EXPECT_EQ(list.remove(reinterpret_cast<uintptr_t>(fake(2))), fake(2));
    EXPECT_EQ(list.at(1), nullptr);
    EXPECT_EQ(list.remove(reinterpret_cast<uintptr_t>(fake(2))), nullptr);
    EXPECT_EQ(list.remove(0), nullptr);
    ASSERT_TRUE(list.add(fake(6)));
    EXPECT_EQ(list.at(1), fake(6));  // the freed entry first
    EXPECT_EQ(list.size(), 8u);

    // The inline entry is reused too, before an array is made.
    SinkList one;
    ASSERT_TRUE(one.add(fake(1)));
    EXPECT_EQ(one.remove(reinterpret_cast<uintptr_t>(fake(1))), fake(1));
    ASSERT_TRUE(one.add(fake(2)));
    EXPECT_EQ(one.size(), 1u);
    EXPECT_EQ(one.at(0), fake(2));
}

TEST(SinkList, refusesWhenNoRoomCanBeMade) {
    SinkList list(4);
    for (uintptr_t i = 1; i <= 4; ++i) {
        ASSERT_TRUE(list.add(fake(i)));
    }
    EXPECT_FALSE(list.add(fake(5)));
    EXPECT_EQ(list.size(), 4u);
    list.remove(reinterpret_cast<uintptr_t>(fake(3)));
    EXPECT_TRUE(list.add(fake(5)));

    SinkList single(1);
    ASSERT_TRUE(single.add(fake(1)));
    EXPECT_FALSE(single.add(fake(2)));
}

}  // namespace
}  // namespace quorvel::com
