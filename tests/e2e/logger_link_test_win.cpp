// The program's window and its message protocol with the logger and the extended window, seen
// from outside: start-up, announcement, the commands, the test button and the watchdog.
#include "tests/e2e/road_fixture_win.h"

#include "res/resource.h"

namespace e2e {
namespace {

class LoggerLink : public AddOnTest {};

TEST_F(LoggerLink, StartsMinimisedAndEndsOnClose) {
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    HWND main = addon_->MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000))
        << "the main window is not shown";
    EXPECT_TRUE(IsIconic(main)) << "the main window is not minimised";
    EXPECT_EQ(TextOf(main), "InternetCallsignLookup");
    HWND button = GetDlgItem(main, IDC_TEST_BUTTON);
    ASSERT_NE(button, nullptr) << "no test button";
    EXPECT_EQ(TextOf(button), "Command1");

    ASSERT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0));
    DWORD exitCode = 1234;
    ASSERT_TRUE(addon_->WaitForExit(10000, &exitCode)) << "the process outlived its window";
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(LoggerLink, AnnouncesItselfToTheExtendedWindow) {
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_TRUE(WaitUntil([&] { return extended_->Count(kExtendedMessageName) >= 1; }, 5000))
        << "no announcement";
    PumpFor(500);
    const auto announcements = extended_->Messages(kExtendedMessageName);
    ASSERT_EQ(announcements.size(), 1u);
    EXPECT_EQ(announcements[0].wParam, 0u);
    EXPECT_EQ(reinterpret_cast<HWND>(announcements[0].lParam), addon_->MainWindow());
    EXPECT_TRUE(extended_->Texts().empty()) << "the extended window was renamed or written to";
}

// Codes other than 1, 2 and 10 do nothing and answer 0; characters outside 0-255 are dropped;
// the characters kept are looked up in arrival order.
TEST_F(LoggerLink, IgnoresOtherCodesAndOutOfRangeCharacters) {
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    LRESULT result = -1;
    ASSERT_TRUE(addon_->Send(kCmdChar, 'A', &result));
    EXPECT_EQ(result, 0);
    for (WPARAM code : {WPARAM{0}, WPARAM{3}, WPARAM{20}, WPARAM{0x10001}, WPARAM{0x10002}}) {
        result = -1;
        ASSERT_TRUE(addon_->Send(code, 'Z', &result)) << "code " << code;
        EXPECT_EQ(result, 0) << "code " << code;
    }
    for (LPARAM code : {LPARAM{0x141}, LPARAM{0x100}, LPARAM{-1}}) {
        result = -1;
        ASSERT_TRUE(addon_->Send(kCmdChar, code, &result));
        EXPECT_EQ(result, 0);
    }
    ASSERT_TRUE(addon_->Send(kCmdChar, 'B', &result));

    PumpFor(700);
    EXPECT_TRUE(Calls().empty()) << "a code other than 2 started a look-up";
    EXPECT_EQ(Notifications(), 0u);
    EXPECT_FALSE(FileExists(ReplyPath()));

    result = -1;
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0, &result));  // returns when the run is over
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(WaitForNotifications(1, 5000)) << ProcessNote();
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, CallTarget(kUser, kPassword, "AB"));
    EXPECT_EQ(Visible(LookupDat()), Visible("AB not found in lookup database|\r\n"));
}

// While a run is in progress the logger's characters, a second look-up command and the test
// button are dropped; a new reply window takes effect at once. The run empties the buffer.
TEST_F(LoggerLink, DropsCommandsDuringARunButTakesTheReplyWindow) {
    CannedAnswer slow = Answer(WorkedBody());
    slow.delayMs = 2000;
    server_.SetAnswer("/call", slow);
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    CreateExtended();
    auto second = MakeReplyWindow("Second reply");
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    HWND button = GetDlgItem(addon_->MainWindow(), IDC_TEST_BUTTON);
    ASSERT_NE(button, nullptr);

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitUntil([&] { return Calls().size() == 1; }, 10000)) << "no request";
    // The service holds its answer for 2 s: all of this arrives during the run.
    ASSERT_TRUE(addon_->Post(kCmdChar, 'X'));
    ASSERT_TRUE(addon_->Post(kCmdChar, 'Y'));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(PostMessageA(button, BM_CLICK, 0, 0));
    ASSERT_TRUE(addon_->Post(kCmdReplyWindow, reinterpret_cast<LPARAM>(second->Handle())));

    ASSERT_TRUE(WaitForNotifications(1)) << "the run did not end" << ProcessNote();
    EXPECT_EQ(Calls()[0].target, CallTarget(kUser, kPassword, "AB1CD"));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    EXPECT_TRUE(reply_->Texts().empty()) << "the extended line went to the old reply window";
    ASSERT_EQ(second->Texts().size(), 1u);
    EXPECT_EQ(Visible(second->Texts()[0]), Visible(kWorkedExtended));

    // A look-up posted once the run has returned is handled after everything posted during the
    // run: once it has ended, a look-up those had started would have come first, and characters
    // they had kept would lead its call. The run emptied the buffer.
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(WaitUntilTheRunHasReturned());
    ASSERT_NO_FATAL_FAILURE(PostLookUp("K1"));
    ASSERT_TRUE(WaitForNotifications(2)) << ProcessNote();
    ASSERT_EQ(Calls().size(), 2u) << "a command during the run started another look-up";
    EXPECT_EQ(Calls()[1].target, CallTarget(kUser, kPassword, "K1"));
    EXPECT_EQ(Notifications(), 2u);

    // Sent while this thread waits in SendMessage for the run: no deadlock, and it arrives.
    ASSERT_TRUE(addon_->Type("K1A"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(3)) << ProcessNote();
    ASSERT_EQ(Calls().size(), 3u);
    EXPECT_EQ(Calls()[2].target, CallTarget(kUser, kPassword, "K1A"));
    EXPECT_EQ(second->Texts().size(), 3u);
}

// The test button looks up "oxbel" like a logger's look-up; the logger's partial callsign is lost.
TEST_F(LoggerLink, TestButtonLooksUpOxbel) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_TRUE(addon_->Type("AB1"));

    HWND button = GetDlgItem(addon_->MainWindow(), IDC_TEST_BUTTON);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(PostMessageA(button, BM_CLICK, 0, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << "the click ran no look-up" << ProcessNote();
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, CallTarget(kUser, kPassword, "oxbel"));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    const auto notes = logger_->Messages(kLoggerMessageName);
    EXPECT_EQ(notes[0].wParam, 20u);
    EXPECT_EQ(Visible(notes[0].fileBytes), Visible(kWorkedLine + "\r\n"));

    ASSERT_TRUE(addon_->Type("K1A"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(2)) << ProcessNote();
    calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].target, CallTarget(kUser, kPassword, "K1A"));
}

// Started and never asked: 45 s later the watchdog says so, and the program ends once the box
// is closed. The logger hears nothing.
TEST_F(LoggerLink, WatchdogEndsAnIdleStart) {
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    HWND box = addon_->WaitForDialog(kWatchdogTitle, 60000);
    const ULONGLONG elapsed = GetTickCount64() - addon_->StartTick();
    ASSERT_NE(box, nullptr) << "no watchdog box within 60 s";
    EXPECT_GE(elapsed, 44000u);
    EXPECT_LE(elapsed, 52000u);
    EXPECT_EQ(Visible(MessageBoxText(box)),
              Visible("I waited 45 seconds and nothing happened.  I got bored, and went to find "
                      "a more exciting hobby."));
    EXPECT_EQ(TextOf(box), kWatchdogTitle);

    ASSERT_TRUE(PressButton(box, IDOK));
    DWORD exitCode = 1234;
    ASSERT_TRUE(addon_->WaitForExit(10000, &exitCode)) << "the program did not end after the box";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(Notifications(), 0u);
}

}  // namespace
}  // namespace e2e
