// Lookup.dat held for a moment by another program (the logger still reading the last answer, a
// virus scanner looking at the new one): the run waits for it and still answers. A file that
// can never be replaced goes to the box without that wait.
#include "tests/e2e/road_fixture_win.h"

namespace e2e {
namespace {

constexpr DWORD kHoldMs = 500;

class ReplyFile : public AddOnTest {
  protected:
    // Program and logger up in a work folder that holds a stale Lookup.dat; the service answers
    // with the worked example.
    void StartWithStaleReply() {
        server_.SetAnswer("/call", Answer(WorkedBody()));
        const std::string settings = StandardSettings() + "[Lookup]\r\nLog=1\r\n";
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
        ASSERT_NO_FATAL_FAILURE(UseWorkFolder());
        CreateLogger();
        ASSERT_TRUE(WriteFileBytes(ReplyPath(), kStale));
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
    }

    // Opens the stale file with the given sharing, looks up N0CALL, keeps the file open for a
    // moment after the service was asked, and then lets it go. The run must end with the new
    // answer in the file and the logger told, after the file was let go and not before; the log
    // says that the file was written after more than one try.
    void LookUpWhileHeld(DWORD sharing) {
        HANDLE held = CreateFileA(ReplyPath().c_str(), GENERIC_READ, sharing, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << "cannot open " << ReplyPath();
        ASSERT_TRUE(addon_->Type("N0CALL"));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        const bool asked = WaitUntil([&] { return !Calls().empty(); }, kRunTimeoutMs);
        PumpFor(kHoldMs);
        const HWND early = addon_->FindDialog("");
        const std::string earlyText = early ? MessageBoxText(early) : std::string();
        const size_t notifiedWhileHeld = Notifications();
        CloseHandle(held);
        ASSERT_TRUE(asked) << "the service was not asked";
        EXPECT_EQ(early, nullptr) << "a box while the file was held: " << Visible(earlyText);
        EXPECT_EQ(notifiedWhileHeld, 0u) << "the logger was told while the file was held";

        ASSERT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
        ASSERT_TRUE(WaitForNotifications(1, 1000)) << ProcessNote();
        const std::string expected = kWorkedLine + "\r\n";
        EXPECT_EQ(Visible(LookupDat()), Visible(expected));
        const auto notes = logger_->Messages(kLoggerMessageName);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(Visible(notes[0].fileBytes), Visible(expected));
        const std::string log = ReadFileBytes(JoinPath(folder_.Path(), "QuendixLookup.log"));
        EXPECT_NE(log.find("|reply file|N0CALL|||0|written after "), std::string::npos)
            << Visible(log);
    }

    const std::string kStale = "N0CALL|STALE|\r\n";
};

// Open with no sharing at all: the delete fails with a sharing violation until it is let go.
TEST_F(ReplyFile, HeldWithoutSharingIsWrittenOnceLetGo) {
    ASSERT_NO_FATAL_FAILURE(StartWithStaleReply());
    ASSERT_NO_FATAL_FAILURE(LookUpWhileHeld(0));
}

// Open with every sharing: the delete succeeds, and the file is still there, pending deletion,
// until the other program lets it go, so creating the new one fails meanwhile.
TEST_F(ReplyFile, HeldPendingDeletionIsWrittenOnceLetGo) {
    ASSERT_NO_FATAL_FAILURE(StartWithStaleReply());
    ASSERT_NO_FATAL_FAILURE(
        LookUpWhileHeld(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
}

// A read-only file never clears by waiting: the box shows at once, well before the two seconds
// a held file is waited for.
TEST_F(ReplyFile, ReadOnlyFileGoesStraightToTheBox) {
    ASSERT_NO_FATAL_FAILURE(StartWithStaleReply());
    ASSERT_TRUE(SetReadOnly(ReplyPath(), true));
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    const ULONGLONG shown = GetTickCount64();
    ASSERT_NE(box, nullptr) << "no box";
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_LT(shown - Calls()[0].tick, 1800u) << "the run waited before the box";
    EXPECT_EQ(MessageBoxText(box).rfind("Could not write " + ReplyPath() + "\r\n", 0), 0u)
        << Visible(MessageBoxText(box));
    ASSERT_TRUE(PressButton(box, IDOK));
    PumpFor(500);
    EXPECT_EQ(Notifications(), 0u);
    EXPECT_EQ(Visible(LookupDat()), Visible(kStale));
    ASSERT_TRUE(SetReadOnly(ReplyPath(), false));
}

}  // namespace
}  // namespace e2e
