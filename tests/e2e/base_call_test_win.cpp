// Portable and prefixed callsigns: a callsign the callbook does not know is asked for once more
// with its base call, and the record found so is answered under the callsign as sent.
#include "tests/e2e/road_fixture_win.h"

#include <functional>
#include <utility>

namespace e2e {
namespace {

class BaseCallLookup : public AddOnTest {
  protected:
    using Responder = std::function<CannedAnswer(const RecordedRequest&)>;

    // The program with the standard settings and `extraSettings` after them, the service
    // answering through `responder` (the sample database unless given).
    void StartWith(const std::string& extraSettings = "", Responder responder = SampleDatabase) {
        server_.SetResponder(std::move(responder));
        const std::string settings = StandardSettings() + extraSettings;
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
        CreateLogger();
        CreateExtended();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
        ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    }

    // Looks `callsign` up and waits for the logger's notification; no box may open.
    void LookUp(const std::string& callsign, size_t notification = 1) {
        ASSERT_TRUE(addon_->Type(callsign));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(notification))
            << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
        PumpFor(200);
    }

    void ExpectFoundUnder(const std::string& callsign) {
        std::string line = kWorkedLine;
        line.replace(0, std::string("N0CALL").size(), callsign);
        EXPECT_EQ(Visible(LookupDat()), Visible(line + "\r\n"));
        const auto notes = logger_->Messages(kLoggerMessageName);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(Visible(notes[0].fileBytes), Visible(line + "\r\n"));
        std::string extended = kWorkedExtended;
        extended.replace(std::string("CTTP|").size(), std::string("N0CALL").size(), callsign);
        ASSERT_EQ(reply_->Texts().size(), 1u);
        EXPECT_EQ(Visible(reply_->Texts()[0]), Visible(extended));
    }

    void ExpectNotFound(const std::string& callsign) {
        EXPECT_EQ(Visible(LookupDat()), Visible(callsign + " not found in lookup database|\r\n"));
        EXPECT_EQ(Notifications(), 1u);
        EXPECT_TRUE(reply_->Texts().empty()) << "an extended line for a call not found";
    }
};

TEST_F(BaseCallLookup, PortableCallIsAnsweredFromTheHomeCall) {
    ASSERT_NO_FATAL_FAILURE(StartWith());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P"));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].target, CallTarget(kUser, kPassword, "N0CALL%2FP"));
    // The same request with only the callsign changed.
    EXPECT_EQ(calls[1].target, CallTarget(kUser, kPassword, "N0CALL"));
    EXPECT_EQ(calls[1].Header("User-Agent"), calls[0].Header("User-Agent"));
    ASSERT_NO_FATAL_FAILURE(ExpectFoundUnder("N0CALL/P"));
}

TEST_F(BaseCallLookup, PrefixedCallIsAnsweredFromTheHomeCall) {
    ASSERT_NO_FATAL_FAILURE(StartWith());
    ASSERT_NO_FATAL_FAILURE(LookUp("DL/N0CALL"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"DL/N0CALL", "N0CALL"}));
    ASSERT_NO_FATAL_FAILURE(ExpectFoundUnder("DL/N0CALL"));
}

TEST_F(BaseCallLookup, UnknownBaseCallAnswersNotFoundForTheCallAsSent) {
    ASSERT_NO_FATAL_FAILURE(StartWith());
    ASSERT_NO_FATAL_FAILURE(LookUp("VE3/K9ZZZ/P"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"VE3/K9ZZZ/P", "K9ZZZ"}));
    ASSERT_NO_FATAL_FAILURE(ExpectNotFound("VE3/K9ZZZ/P"));
}

TEST_F(BaseCallLookup, SwitchedOffAsksOnce) {
    ASSERT_NO_FATAL_FAILURE(StartWith("[Lookup]\r\nBaseCallFallback=0\r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P"}));
    ASSERT_NO_FATAL_FAILURE(ExpectNotFound("N0CALL/P"));

    // The key is read at every run: switched on again without a restart.
    const std::string settings = StandardSettings() + "[Lookup]\r\nBaseCallFallback=1\r\n";
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), settings));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 2));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P", "N0CALL/P", "N0CALL"}));
}

TEST_F(BaseCallLookup, NoRetryWithoutOneBaseCallOrForAKnownCall) {
    ASSERT_NO_FATAL_FAILURE(StartWith());
    // Two candidates of the same length: the home call cannot be told.
    ASSERT_NO_FATAL_FAILURE(LookUp("KH6X/AB1C"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"KH6X/AB1C"}));
    ASSERT_NO_FATAL_FAILURE(ExpectNotFound("KH6X/AB1C"));
    // No "/": nothing to split.
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 2));
    EXPECT_EQ(CalledSigns().size(), 2u);
}

TEST_F(BaseCallLookup, AccountErrorInTheSecondAnswerTakesTheAccountErrorPath) {
    ASSERT_NO_FATAL_FAILURE(StartWith("", [](const RecordedRequest& r) {
        return QueryValue(r.target, "callsign") == "N0CALL" ? Answer("ERROR") : Answer("NOT FOUND");
    }));
    ASSERT_TRUE(addon_->Type("N0CALL/P"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    ASSERT_NE(box, nullptr) << "no account-error box";
    EXPECT_EQ(Visible(MessageBoxText(box)), Visible(AccountErrorText()));
    EXPECT_EQ(Notifications(), 0u);
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitForNotifications(1)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL/P not found in lookup database|\r\n"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P", "N0CALL"}));
}

// A slow first answer and a second request that never gets one: the run still ends within the
// bound, with no box, and the failed second request leaves the first answer's "not found".
TEST_F(BaseCallLookup, FailedSecondRequestMeansNotFoundWithinTheBound) {
    ASSERT_NO_FATAL_FAILURE(StartWith("", [](const RecordedRequest& r) {
        CannedAnswer a = Answer("NOT FOUND");
        if (QueryValue(r.target, "callsign") == "N0CALL") {
            a.mode = CannedAnswer::Mode::NeverAnswer;
        } else {
            a.delayMs = 8000;
        }
        return a;
    }));
    ASSERT_NO_FATAL_FAILURE(LookUpWithinTheBound("N0CALL/P", 1));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P", "N0CALL"}));
    ASSERT_NO_FATAL_FAILURE(ExpectNotFound("N0CALL/P"));
}

// The two requests share the run's one budget: after a first answer that took 8 s, a second
// answer that would need 14 s is cut off when the 20 s are spent, and the reply is the first
// answer's "not found". With a budget of its own the second request would have found N0CALL.
TEST_F(BaseCallLookup, SecondRequestHasOnlyWhatIsLeftOfTheBudget) {
    ASSERT_NO_FATAL_FAILURE(StartWith("", [](const RecordedRequest& r) {
        CannedAnswer a = SampleDatabase(r);
        if (QueryValue(r.target, "callsign") == "N0CALL") {
            a.trickleMs = 14000 / static_cast<DWORD>(a.body.size());
        } else {
            a.delayMs = 8000;
        }
        return a;
    }));
    const ULONGLONG start = GetTickCount64();
    ASSERT_NO_FATAL_FAILURE(LookUpWithinTheBound("N0CALL/P", 1));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P", "N0CALL"}));
    ASSERT_NO_FATAL_FAILURE(ExpectNotFound("N0CALL/P"));
    EXPECT_LT(elapsed, 21500u) << "the two requests took more than the one budget";
}

}  // namespace
}  // namespace e2e
