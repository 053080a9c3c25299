// The limits of a request: only time spent waiting on the service counts against its budget,
// no more than four request workers live at once, and answers are read up to a size.
#include "tests/e2e/road_fixture_win.h"

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/e2e/about_helpers_win.h"
#include "tests/e2e/full_listen_queue_win.h"

namespace e2e {
namespace {

constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
constexpr const char* kLongAgo = "01/04/2009 7:59:00 PM";
constexpr size_t kAnswerLimit = 1024 * 1024;
constexpr size_t kUpdateLimit = 64 * 1024;

// The worked example with another value in the place of `field`, as the service sends it and as
// the reply line carries it.
std::string BodyWith(const std::string& field, const std::string& value) {
    std::string body = WorkedBody();
    body.replace(body.find(field), field.size(), value);
    return body;
}
std::string LineWith(const std::string& field, const std::string& value) {
    std::string line = kWorkedLine;
    line.replace(line.find(field), field.size(), value);
    return line;
}

// Where two long texts first differ, for failure messages that do not print a megabyte.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at " + std::to_string(at) + ": \"" + Visible(actual.substr(at, 40)) +
           "\" instead of \"" + Visible(expected.substr(at, 40)) + "\"";
}

class RequestBounds : public AddOnTest {
  protected:
    HWND ChooseAbout() {
        HWND main = addon_->MainWindow();
        if (!main || !PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0)) {
            return nullptr;
        }
        return WaitForAbout(*addon_);
    }

    // Posts the look-up of `callsign` and returns when the logger was told; fails on any box.
    void LookUpWithoutBox(const std::string& callsign, size_t notification) {
        ASSERT_TRUE(addon_->Type(callsign));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(notification))
            << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
    }
};

// A box shown while the answer is being read (here the About window's download confirmation,
// dispatched between two reads) stays open longer than the whole budget of the request. The
// service then sends the rest of the answer: it is read, and the reply holds all of it.
TEST_F(RequestBounds, TimeInABoxDoesNotCountAgainstTheBudget) {
    constexpr DWORD kBoxHeldMs = 21000;  // more than the look-up's 20 s
    const std::string address(300, 'A');
    CannedAnswer answer = Answer(BodyWith("12 ELM ST", address));
    answer.delayMs = 1000;    // time to queue the click before the first bytes arrive
    answer.pauseAfter = 265;  // one read's worth, then the rest only after the box is gone
    answer.pauseMs = kBoxHeldMs + 2000;
    server_.SetAnswer("/call", answer);
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr) << "no About window";

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitUntil([&] { return !Calls().empty(); }, 15000)) << "no request";
    ASSERT_TRUE(ClickLabel(about, IDC_ABOUT_DOWNLOAD));
    HWND box = addon_->WaitForDialog("Download Update", 10000);
    ASSERT_NE(box, nullptr) << "no confirmation box";
    PumpFor(kBoxHeldMs);
    EXPECT_EQ(Notifications(), 0u) << "the run ended while the box was open";
    ASSERT_TRUE(PressButton(box, IDCANCEL));
    ASSERT_TRUE(WaitGone(box));

    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
    ASSERT_TRUE(WaitForNotifications(1, 1000)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible(LineWith("12 ELM ST", address) + "\r\n"));
    EXPECT_EQ(Calls().size(), 1u);
}

// Update servers that never complete the connection leave one worker each behind, stuck for
// minutes. With four of them stuck, a look-up against a service that answers does not start a
// fifth: it fails at once as a request that could not be opened, and the logger is told.
TEST_F(RequestBounds, AFifthWorkerIsRefused) {
    FullListenQueue unreachable;
    ASSERT_TRUE(unreachable.Ok()) << "could not fill the listen queue";
    server_.SetAnswer("/call", Answer(WorkedBody()));
    const std::string settings =
        SettingsText(kUser, kPassword, server_.BaseUrl(), unreachable.BaseUrl());
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    // Each run leaves its update fetch behind and looks up through a worker of its own, which
    // ends with the run.
    for (size_t run = 1; run <= 3; ++run) {
        ASSERT_TRUE(SetLastCheckText(kLongAgo));
        ASSERT_NO_FATAL_FAILURE(LookUpWithoutBox("N0CALL", run)) << "run " << run;
        EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n")) << "run " << run;
        EXPECT_EQ(Calls().size(), run);
        PumpFor(300);  // the look-up's worker ends after the run
    }

    // The fourth update fetch takes the last worker; the look-up finds none.
    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    const ULONGLONG start = GetTickCount64();
    ASSERT_NO_FATAL_FAILURE(LookUpWithoutBox("AB1CD", 4));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(Visible(LookupDat()), Visible("AB1CDNo Internet session in progress.\r\n"));
    EXPECT_EQ(Calls().size(), 3u) << "the look-up reached the service";
    // The update fetch's 8 s, and no more: the look-up did not wait.
    EXPECT_LT(elapsed, 12000u);
    EXPECT_TRUE(addon_->Running());
    std::printf("[ WORKERS  ] threads of the program with four workers stuck: %d\n",
                ThreadCount(addon_->Pid()));
}

// An answer that goes on past 1 MiB (and then stalls) is read up to 1 MiB exactly, and the
// look-up goes on at once with what it read: the last field is cut where the limit falls.
TEST_F(RequestBounds, AnswerIsReadUpToOneMebibyte) {
    const std::string head = WorkedBody().substr(0, WorkedBody().find("BUREAU"));
    const std::string manager(kAnswerLimit - head.size(), 'M');
    std::string body = BodyWith("BUREAU", manager + "Q");
    ASSERT_EQ(body.substr(kAnswerLimit, 2), "Q\xC3");
    CannedAnswer answer = Answer(body);
    answer.stallAfter = body.size() - 1;
    server_.SetAnswer("/call", answer);
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    const ULONGLONG start = GetTickCount64();
    ASSERT_NO_FATAL_FAILURE(LookUpWithoutBox("N0CALL", 1));
    const ULONGLONG elapsed = GetTickCount64() - start;
    const std::string expected = LineWith("BUREAU", manager) + "\r\n";
    const std::string dat = LookupDat();
    EXPECT_TRUE(dat == expected) << FirstDifference(dat, expected);
    // It did not wait for the stalled rest (a read of it gives up only after 10 s).
    EXPECT_LT(elapsed, 10000u);
}

// The update check reads at most 64 KiB: a version padded to exactly that is still read, one
// byte more and the body counts as no update.
TEST_F(RequestBounds, UpdateBodyIsReadUpTo64KiB) {
    std::string body = "1.2.10";
    body.resize(kUpdateLimit, ' ');
    server_.SetAnswer(kUpdatePath, Answer(body));
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog("UPDATE AVAILABLE!", 15000);
    ASSERT_NE(box, nullptr) << "a 64 KiB body was not read";
    ASSERT_TRUE(PressButton(box, IDOK));
    HWND about = WaitForAbout(*addon_);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(PostMessageA(about, WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));

    body += ' ';
    server_.SetAnswer(kUpdatePath, Answer(body));
    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    ASSERT_NO_FATAL_FAILURE(LookUpWithoutBox("N0CALL", 2));
    EXPECT_EQ(server_.RequestsFor(kUpdatePath).size(), 2u);
    std::string lastCheck;
    ASSERT_TRUE(ReadLastCheckText(&lastCheck));
    EXPECT_NE(lastCheck, kLongAgo) << "the time of the check was not written";
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
}

}  // namespace
}  // namespace e2e
