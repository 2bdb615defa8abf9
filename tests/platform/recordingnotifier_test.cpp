#include "platform/recordingnotifier.h"

#include <gtest/gtest.h>

namespace stelvane {
namespace {

TEST(RecordingNotifier, KeepsMessagesInOrderWithTheProgramCaption)
{
    RecordingNotifier n;
    Notifier& platform = n;
    platform.ShowMessage("first");
    platform.Beep();
    platform.ShowMessage("second", "Other", MessageIcon::Exclamation);
    ASSERT_EQ(n.messages.size(), 2u);
    EXPECT_EQ(n.messages[0].text, "first");
    EXPECT_EQ(n.messages[0].caption, "Stelvane");
    EXPECT_EQ(n.messages[1].caption, "Other");
    EXPECT_EQ(n.messages[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(n.beeps, 1);
}

} // namespace
} // namespace stelvane
