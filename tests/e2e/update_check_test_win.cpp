// The daily update check before a look-up: when it is due, what the update server's answer
// leads to, and when the time of the check is written.
#include "tests/e2e/road_fixture_win.h"

#include <ostream>

#include "about/about_win.h"
#include "res/resource.h"
#include "tests/e2e/about_helpers_win.h"
#include "tests/e2e/shell_recorder_win.h"

namespace e2e {
namespace {

constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
constexpr const char* kLongAgo = "01/04/2009 7:59:00 PM";
constexpr const char* kUpdateTitle = "UPDATE AVAILABLE!";
constexpr double kMinute = 1.0 / 1440;

class UpdateCheck : public AddOnTest {
  protected:
    void StartWithUpdateServer(const std::string& updateUrl) {
        server_.SetAnswer("/call", Answer(WorkedBody()));
        const std::string settings = SettingsText(kUser, kPassword, server_.BaseUrl(), updateUrl);
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
    }
    void StartStandard() { StartWithUpdateServer(server_.BaseUrl()); }

    void StartLookup() {
        ASSERT_TRUE(addon_->Type("N0CALL"));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    }

    // Waits for the run to end with `n` notifications and no box on the way.
    void ExpectRunEndsWithoutBox(size_t n) {
        ASSERT_TRUE(WaitForNotificationOrDialog(n)) << "the run did not end" << ProcessNote();
        if (HWND box = addon_->FindDialog("")) {
            ADD_FAILURE() << "unexpected box: " << TextOf(box) << ": "
                          << Visible(MessageBoxText(box));
            PressButton(box, IDOK);
        }
        ASSERT_TRUE(WaitForNotifications(n)) << ProcessNote();
    }

    std::string LastCheck() const {
        std::string text;
        return ReadLastCheckText(&text) ? text : std::string("<none>");
    }

    // The stored time of the last check lies between `earliest` and now.
    void ExpectCheckedSince(double earliest) const {
        const std::string text = LastCheck();
        double date = 0;
        ASSERT_TRUE(LastCheckAsDate(text, &date)) << "not a date: " << text;
        EXPECT_GE(date, earliest - kMinute) << text;
        EXPECT_LE(date, NowAsDate() + kMinute) << text;
    }

    size_t UpdateRequests() const { return server_.RequestsFor(kUpdatePath).size(); }
};

// A newer version is published: the box, then the main window restored and the About window
// shown modally; the look-up waits for it, and the time is written only once it is closed. Its
// "Click Here" fetches the published zip from the run's update server.
// "1.2.10" with a line break is newer than 1.2.4 as numbers are compared.
TEST_F(UpdateCheck, NewerVersionShowsTheBoxThenTheAboutWindowThenWritesTheTime) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Ok());
    server_.SetAnswer(kUpdatePath, Answer("1.2.10\r\n"));
    ASSERT_TRUE(DeleteLastCheck());  // never checked: the default, a moment in 2009
    ASSERT_NO_FATAL_FAILURE(StartStandard());
    const double started = NowAsDate();
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND box = addon_->WaitForDialog(kUpdateTitle, 15000);
    ASSERT_NE(box, nullptr) << "no update box";
    EXPECT_EQ(Visible(MessageBoxText(box)), Visible("     There is an UPDATE Available!\r"));
    EXPECT_TRUE(HasButton(box, IDOK));
    EXPECT_FALSE(HasButton(box, IDCANCEL));
    EXPECT_FALSE(ShowsIcon(box));
    EXPECT_EQ(UpdateRequests(), 1u);
    EXPECT_TRUE(Calls().empty()) << "the look-up went ahead before the box was answered";
    EXPECT_EQ(LastCheck(), "<none>");
    ASSERT_TRUE(PressButton(box, IDOK));

    HWND about = WaitForAbout(*addon_);
    ASSERT_NE(about, nullptr) << "no About window";
    EXPECT_EQ(TextOf(about), about::kAboutCaption);
    HWND main = addon_->MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsIconic(main)) << "the main window was not restored";
    EXPECT_FALSE(IsWindowEnabled(main)) << "the About window is not modal";
    PumpFor(500);
    EXPECT_TRUE(Calls().empty()) << "the look-up went ahead while the About window was open";
    EXPECT_EQ(Notifications(), 0u);
    EXPECT_EQ(LastCheck(), "<none>") << "the time was written before the About window closed";

    ASSERT_TRUE(ClickLabel(about, IDC_ABOUT_DOWNLOAD));
    HWND confirm = addon_->WaitForDialog("Download Update", 10000);
    ASSERT_NE(confirm, nullptr) << "no download confirmation";
    ASSERT_TRUE(PressButton(confirm, IDOK));
    ASSERT_TRUE(shell.WaitForOpened(1)) << "the archive was not opened";
    EXPECT_EQ(shell.Opened()[0], server_.BaseUrl() + "/files/QuendixInternetLookup.zip");

    ASSERT_TRUE(PostMessageA(about, WM_CLOSE, 0, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_TRUE(IsWindowEnabled(main));
    ASSERT_NO_FATAL_FAILURE(ExpectCheckedSince(started));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_LT(server_.RequestsFor(kUpdatePath)[0].tick, Calls()[0].tick);
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    EXPECT_TRUE(AboutWindows(addon_->Pid()).empty());
}

// No newer version: the same version (also followed by a line break, or with spaces around
// it), an older one, or a body that is no version at all. Nothing is shown, the time is
// written, and a second look-up in the same period fetches nothing.
struct Published {
    const char* name;
    const char* body;
};
void PrintTo(const Published& p, std::ostream* out) {
    *out << p.name;
}

class UpdateCheckNoUpdate : public UpdateCheck, public ::testing::WithParamInterface<Published> {};

TEST_P(UpdateCheckNoUpdate, ShowsNothingAndWritesTheTime) {
    server_.SetAnswer(kUpdatePath, Answer(GetParam().body));
    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    ASSERT_NO_FATAL_FAILURE(StartStandard());
    const double started = NowAsDate();

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(UpdateRequests(), 1u);
    EXPECT_TRUE(AboutWindows(addon_->Pid()).empty());
    ASSERT_NO_FATAL_FAILURE(ExpectCheckedSince(started));
    const std::string written = LastCheck();

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
    EXPECT_EQ(UpdateRequests(), 1u) << "checked twice in one day";
    EXPECT_EQ(LastCheck(), written);
}

INSTANTIATE_TEST_SUITE_P(Bodies, UpdateCheckNoUpdate,
                         ::testing::Values(Published{"SameVersion", "1.2.4"},
                                           Published{"SameWithLineBreak", "1.2.4\r\n"},
                                           Published{"SameWithSpaces", "  1.2.4  "},
                                           Published{"OlderRevision", "1.2.3"},
                                           Published{"OlderMinor", "1.1.9"},
                                           Published{"HtmlPage", "<html><body>Moved</body></html>"},
                                           Published{"Empty", ""}),
                         [](const ::testing::TestParamInfo<Published>& info) {
                             return std::string(info.param.name);
                         });

// A fetch that fails counts as no update: nothing is shown, the look-up goes ahead and the time
// is written, so that the next look-up does not try again the same day.
enum class FetchFailure { NotFoundStatus, ServerErrorStatus, ConnectionRefused };

const char* Name(FetchFailure f) {
    switch (f) {
        case FetchFailure::NotFoundStatus:
            return "NotFoundStatus";
        case FetchFailure::ServerErrorStatus:
            return "ServerErrorStatus";
        case FetchFailure::ConnectionRefused:
            return "ConnectionRefused";
    }
    return "?";
}
void PrintTo(FetchFailure f, std::ostream* out) {
    *out << Name(f);
}

class UpdateCheckFailedFetch : public UpdateCheck,
                               public ::testing::WithParamInterface<FetchFailure> {};

TEST_P(UpdateCheckFailedFetch, CountsAsNoUpdateAndWritesTheTime) {
    std::string updateUrl = server_.BaseUrl();
    switch (GetParam()) {
        case FetchFailure::NotFoundStatus:
            break;  // the stand-in has no answer for the path: 404
        case FetchFailure::ServerErrorStatus:
            server_.SetAnswer(kUpdatePath, Answer("1.2.5", 500));
            break;
        case FetchFailure::ConnectionRefused:
            updateUrl = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
            break;
    }
    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    ASSERT_NO_FATAL_FAILURE(StartWithUpdateServer(updateUrl));
    const double started = NowAsDate();

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    ASSERT_NO_FATAL_FAILURE(ExpectCheckedSince(started));
    if (GetParam() != FetchFailure::ConnectionRefused) {
        EXPECT_EQ(UpdateRequests(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, UpdateCheckFailedFetch,
                         ::testing::Values(FetchFailure::NotFoundStatus,
                                           FetchFailure::ServerErrorStatus,
                                           FetchFailure::ConnectionRefused),
                         [](const ::testing::TestParamInfo<FetchFailure>& info) {
                             return std::string(Name(info.param));
                         });

// The gate counts hour boundaries: a check stored 24 boundaries ago is not due, 25 is; a
// moment in the future is not due; a value that is no date counts as long past. A check that
// is not due fetches nothing and leaves the stored value alone.
struct GateCase {
    const char* name;
    int hoursAgo;        // the stored moment, relative to now
    const char* stored;  // used instead when not null
    bool due;
};

void PrintTo(const GateCase& c, std::ostream* out) {
    *out << c.name;
}

class UpdateCheckGate : public UpdateCheck, public ::testing::WithParamInterface<GateCase> {};

TEST_P(UpdateCheckGate, ChecksOnlyWhenDue) {
    const GateCase& c = GetParam();
    server_.SetAnswer(kUpdatePath, Answer("1.2.4"));
    ASSERT_NO_FATAL_FAILURE(StartStandard());

    std::string stored = c.stored ? c.stored : "";
    if (!c.stored) {
        // Not in the last seconds of an hour, so that the count cannot change under the test.
        SYSTEMTIME now = {};
        GetLocalTime(&now);
        if (now.wMinute == 59 && now.wSecond >= 50) {
            PumpFor((61 - now.wSecond) * 1000);
        }
        stored = DateText(NowAsDate() - c.hoursAgo / 24.0);
        ASSERT_FALSE(stored.empty());
    }
    ASSERT_TRUE(SetLastCheckText(stored));
    const double started = NowAsDate();

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Calls().size(), 1u);
    if (c.due) {
        EXPECT_EQ(UpdateRequests(), 1u) << "stored " << stored;
        ASSERT_NO_FATAL_FAILURE(ExpectCheckedSince(started));
    } else {
        EXPECT_EQ(UpdateRequests(), 0u) << "stored " << stored;
        EXPECT_EQ(LastCheck(), stored);
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, UpdateCheckGate,
                         ::testing::Values(GateCase{"Now", 0, nullptr, false},
                                           GateCase{"TwentyFourHoursAgo", 24, nullptr, false},
                                           GateCase{"TwentyFiveHoursAgo", 25, nullptr, true},
                                           GateCase{"TomorrowInTheFuture", -24, nullptr, false},
                                           GateCase{"NotADate", 0, "last Tuesday", true}),
                         [](const ::testing::TestParamInfo<GateCase>& info) {
                             return std::string(info.param.name);
                         });

// Once the program knows when the last check was, it does not read the stored time again until
// a day's hours may have passed: a value written meanwhile from outside is not seen, and the
// program's own next check stores the time anew.
TEST_F(UpdateCheck, TheProgramRemembersTheLastCheckForADay) {
    server_.SetAnswer(kUpdatePath, Answer("1.2.4"));
    ASSERT_NO_FATAL_FAILURE(StartStandard());
    const std::string recent = DateText(NowAsDate() - 2.0 / 24);
    ASSERT_TRUE(SetLastCheckText(recent));
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(UpdateRequests(), 0u);

    ASSERT_TRUE(SetLastCheckText(kLongAgo));
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
    EXPECT_EQ(UpdateRequests(), 0u) << "the stored time was read again within the day";
    EXPECT_EQ(LastCheck(), kLongAgo);
}

}  // namespace
}  // namespace e2e
