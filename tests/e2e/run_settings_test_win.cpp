// A look-up run reads the settings file once, at its start: a change made while it runs counts
// from the next look-up on.
#include "tests/e2e/network_fixture_win.h"

namespace e2e {
namespace {

class RunSettings : public Network {};

// The settings file changes while the run's first request stalls; the second request with the
// base call, the log and the kept answer still follow what the run read at its start. The next
// look-up reads the file anew.
TEST_F(RunSettings, ARunUsesWhatItReadAtItsStart) {
    server_.SetResponder([](const RecordedRequest& r) {
        if (QueryValue(r.target, "callsign") == "N0CALL") {
            return Answer(WorkedBody());
        }
        CannedAnswer slow = Answer("NOT FOUND");
        slow.delayMs = 1500;
        return slow;
    });
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(addon_->Type("N0CALL/P"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitUntil([&] { return Calls().size() == 1; }, 10000)) << "no first request";

    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    const std::string changed = SettingsText("K2OTHER", "other", closed, closed) +
                                "Proxy=nowhere.invalid:1\r\n[Lookup]\r\nLog=0\r\n"
                                "BaseCallFallback=0\r\nKeepAnswers=0\r\n";
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), changed));

    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
    std::string line = kWorkedLine;
    line.replace(0, 6, "N0CALL/P");
    EXPECT_EQ(Visible(LookupDat()), Visible(line + "\r\n"));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u) << "no second request with the base call";
    EXPECT_EQ(calls[1].target, CallTarget(kUser, kPassword, "N0CALL"));
    const auto log = LogLines();
    ASSERT_EQ(log.size(), 2u) << "the log was not written as the run read it";
    EXPECT_EQ(log[0][6], "base-call retry");
    EXPECT_EQ(log[1][6], "found");
    EXPECT_EQ(log[1][8], "direct") << "the route was not the one read at the start";
    ASSERT_TRUE(WaitUntil(
        [&] {
            return kept::FindAnswer(kept::ParseCache(ReadFileBytes(CachePath())).entries,
                                    "N0CALL/P", UtcNow(), 30)
                .has_value();
        },
        5000))
        << "not kept as the run's KeepAnswers said";

    // The next look-up takes the changed file: the closed address, nothing kept, no log line.
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL/PNo Internet session in progress.\r\n"));
    EXPECT_EQ(Calls().size(), 2u);
    EXPECT_EQ(LogLines().size(), 2u);
}

}  // namespace
}  // namespace e2e
