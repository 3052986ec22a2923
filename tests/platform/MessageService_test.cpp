// Messages with no one to answer them.
#include "platform/dialogs/MessageService.h"

#include <gtest/gtest.h>

using namespace quorvel::platform;

// Without a window (the command-line tool, a test that installed nothing), a
// question is refused: a guess must never delete, replace or discard.
TEST(MessageService, withoutAWindowQuestionsAreRefused) {
    setMessageService(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(msgBox("notice"), MsgAnswer::Ok);
    EXPECT_EQ(msgBox("delete?", MsgButtons::OkCancel), MsgAnswer::Cancel);
    EXPECT_EQ(msgBox("save?", MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_EQ(msgBox("save?", MsgButtons::YesNoCancel), MsgAnswer::Cancel);
    EXPECT_EQ(msgBox("again?", MsgButtons::RetryCancel), MsgAnswer::Cancel);
    EXPECT_EQ(msgBox("stop?", MsgButtons::AbortRetryIgnore), MsgAnswer::Abort);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("Quorvel: delete?"), std::string::npos);
}
