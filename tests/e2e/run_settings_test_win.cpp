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

// LookupURL and UpdateURL written without a scheme ("127.0.0.1:PORT") are taken as "http://"
// followed by them: the update check and the look-up reach the stand-in, and each line of the
// log notes that the scheme was added.
TEST_F(RunSettings, AnAddressWithoutASchemeIsTakenAsHttp) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    server_.SetAnswer("/files/QuendixInternetLookup.txt", Answer("1.0.0"));  // not newer
    ASSERT_TRUE(DeleteLastCheck());  // the update check is due
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string withScheme = server_.BaseUrl();
    const std::string bare = withScheme.substr(std::string("http://").size());
    ASSERT_TRUE(
        WriteFileBytes(folder_.SettingsPath(),
                       SettingsText(kUser, kPassword, bare + "/", bare) + "[Lookup]\r\nLog=1\r\n"));

    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(server_.RequestsFor("/files/QuendixInternetLookup.txt").size(), 1u);
    const auto log = LogLines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0][1], "update check");
    EXPECT_EQ(log[0][3], withScheme + "/files/QuendixInternetLookup.txt (http:// added)");
    EXPECT_EQ(log[1][1], "lookup");
    EXPECT_EQ(log[1][3], withScheme +
                             "/call?username=K1TEST&password=***&rawlookup=1&callsign=N0CALL"
                             "&program=Logger32 (http:// added)");
    EXPECT_EQ(log[1][6], "found");

    // Written with its scheme, the same address gets no note.
    ASSERT_TRUE(WriteFileBytes(
        folder_.SettingsPath(),
        SettingsText(kUser, kPassword, withScheme, withScheme) + "[Lookup]\r\nLog=1\r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    ASSERT_EQ(LogLines().size(), 3u);
    EXPECT_EQ(LastLogLine().at(3), withScheme +
                                       "/call?username=K1TEST&password=***&rawlookup=1"
                                       "&callsign=N0CALL&program=Logger32");

    // A scheme that cannot be asked is kept as written: no request, and the log says why.
    const std::string ftp = "ftp://" + bare;
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(),
                               SettingsText(kUser, kPassword, ftp, ftp) + "[Lookup]\r\nLog=1\r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 3));  // nothing kept for it
    EXPECT_EQ(Visible(LookupDat()), Visible("K9ZZZNo Internet session in progress.\r\n"));
    EXPECT_EQ(Calls().size(), 2u);
    const auto last = LastLogLine();
    ASSERT_EQ(last.size(), 10u);
    EXPECT_EQ(last[3], ftp +
                           "/call?username=K1TEST&password=***&rawlookup=1&callsign=K9ZZZ"
                           "&program=Logger32");
    EXPECT_EQ(last[4].rfind("error 12005 ", 0), 0u) << last[4];
    EXPECT_EQ(last[6], "no session");
}

}  // namespace
}  // namespace e2e
