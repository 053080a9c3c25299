// A service that accepts the connection and then says nothing costs one full wait, not one per
// callsign: after a look-up timed out, the next ones wait only a short while (and the log marks
// them), until the service answers again; once a minute at least a look-up gives it the full
// wait again. Short waits leave no pile of abandoned workers behind.
#include "tests/e2e/network_fixture_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/addon_win.h"
#include "tests/e2e/registry_win.h"

namespace e2e {
namespace {

constexpr const char* kShortWaitNote = " (short wait)";
constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
// Times as the log's ms field gives them, with generous margins. The full wait against a
// silent service ends when WinINet gives up, after 10 s; a short wait lasts at least 3 s and is
// well under 10.
constexpr unsigned long kFullWaitAtLeastMs = 9000;
constexpr unsigned long kShortWaitAtLeastMs = 2900;
constexpr unsigned long kShortWaitAtMostMs = 5000;
// A look-up that fails at once.
constexpr unsigned long kAtOnceMs = 1500;
// The stand-in's slow answer: later than a short wait, well within a full one.
constexpr DWORD kSlowAnswerMs = 5000;

// The worked example as the service sends it once it answers again, told apart from the kept
// one by its first name.
std::string LiveBody() {
    std::string body = WorkedBody();
    body.replace(body.find("JANE"), 4, "JOHN");
    return body;
}
std::string LiveReply() {
    std::string line = kWorkedLine;
    line.replace(line.find("JANE"), 4, "JOHN");
    return line + "\r\n";
}

CannedAnswer Silent() {
    CannedAnswer a;
    a.mode = CannedAnswer::Mode::NeverAnswer;
    return a;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool StartsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

// A timed-out request: WinINet's or the program's own 12002, or Wine's receive time-out.
bool TimedOut(const std::string& result) {
    return StartsWith(result, "error 12002 ") || StartsWith(result, "error 12030 ");
}

// A look-up line of the log, as far as these tests read it.
struct Waited {
    std::string result;
    std::string outcome;
    unsigned long ms = 0;
    bool shortWait = false;
};

class ShortWait : public Network {
  protected:
    // The log's last line of `event`.
    Waited LastOf(const std::string& event) const {
        Waited w;
        for (const auto& line : LogLines()) {
            if (line.size() == 10 && line[1] == event) {
                w.result = line[4];
                w.outcome = line[6];
                w.ms = std::strtoul(line[7].c_str(), nullptr, 10);
                w.shortWait = EndsWith(line[7], kShortWaitNote);
            }
        }
        return w;
    }

    // A look-up of N0CALL that ends with notification `n`; `w` gets its log line. Each look-up
    // sends its one request.
    void LookUpN0call(size_t n, Waited& w) {
        const size_t before = Calls().size();
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", n, 45000));
        w = LastOf("lookup");
        std::printf("[ WAITED   ] look-up %zu: %s, %s, %lu ms%s\n", n, w.result.c_str(),
                    w.outcome.c_str(), w.ms, w.shortWait ? kShortWaitNote : "");
        EXPECT_EQ(Calls().size(), before + 1) << "look-up " << n << " did not ask the service";
    }

    // A look-up that gave the kept answer within a short wait.
    void ExpectShortKept(const Waited& w) {
        EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
        EXPECT_EQ(w.outcome, "kept answer");
        EXPECT_TRUE(w.shortWait);
        EXPECT_LE(w.ms, kShortWaitAtMostMs);
    }

    void ExpectFullTimeOut(const Waited& w) {
        EXPECT_TRUE(TimedOut(w.result)) << w.result;
        EXPECT_FALSE(w.shortWait);
        EXPECT_GE(w.ms, kFullWaitAtLeastMs);
    }
};

// The stand-in accepts and never answers, with a good answer kept: the first look-up gives the
// kept answer after the full wait, the next three within a short wait each. A reset, a close
// without a byte and a refusal fail at once and change nothing: before the time-out a reset
// starts no short wait, after it none of them ends it. Once the stand-in answers again, the next
// look-up uses it, and the one after it waits in full again.
TEST_F(ShortWait, ASilentServiceCostsOneFullWaitThenShortOnesUntilItAnswers) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    CannedAnswer reset;
    reset.mode = CannedAnswer::Mode::ResetAfterRequest;
    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());

    Waited w;
    size_t n = 1;
    server_.SetAnswer("/call", reset);
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_FALSE(w.shortWait);
    EXPECT_LE(w.ms, kAtOnceMs);

    server_.SetAnswer("/call", Silent());
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(w.outcome, "kept answer");
    ExpectFullTimeOut(w);
    const unsigned long first = w.ms;

    unsigned long worst = 0;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("short wait " + std::to_string(i + 1));
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        ExpectShortKept(w);
        EXPECT_TRUE(TimedOut(w.result)) << w.result;
        EXPECT_GE(w.ms, kShortWaitAtLeastMs);
        ASSERT_EQ(reply_->Texts().size(), n);
        EXPECT_EQ(Visible(reply_->Texts().back()), Visible(kWorkedExtended));
        worst = std::max(worst, w.ms);
    }

    // A reset, a close without a byte and a refusal fail at once, marked all the same; the
    // silence goes on.
    CannedAnswer closedUnanswered;
    closedUnanswered.mode = CannedAnswer::Mode::CloseWithoutAnswer;
    for (const CannedAnswer& atOnce : {reset, closedUnanswered}) {
        server_.SetAnswer("/call", atOnce);
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        ExpectShortKept(w);
        EXPECT_LE(w.ms, kAtOnceMs);
    }
    ASSERT_NO_FATAL_FAILURE(PointAt(closed));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n, 45000));
    w = LastOf("lookup");
    EXPECT_TRUE(StartsWith(w.result, "error 12029 ")) << w.result;
    ExpectShortKept(w);
    EXPECT_LE(w.ms, kAtOnceMs);
    ASSERT_NO_FATAL_FAILURE(PointAt(server_.BaseUrl()));
    server_.SetAnswer("/call", Silent());
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    ExpectShortKept(w);

    // The service answers again: a look-up within 75 s uses it.
    server_.SetAnswer("/call", Answer(LiveBody()));
    const ULONGLONG back = GetTickCount64();
    do {
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    } while (LookupDat() != LiveReply() && GetTickCount64() - back < 75000);
    const ULONGLONG usedAfterMs = GetTickCount64() - back;
    EXPECT_EQ(Visible(LookupDat()), Visible(LiveReply()));
    EXPECT_EQ(w.outcome, "found");
    EXPECT_LE(usedAfterMs, 75000u);
    std::printf(
        "[ FIGURES  ] first look-up %lu ms, worst of the next three %lu ms, the service "
        "used again %llu ms after it answered again\n",
        first, worst, static_cast<unsigned long long>(usedAfterMs));

    // Heard again: the next look-up waits in full.
    server_.SetAnswer("/call", Silent());
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    ExpectFullTimeOut(w);
    EXPECT_EQ(Visible(LookupDat()), Visible(LiveReply())) << "the live answer was not kept";
}

// A service that answers in 5 s, later than a short wait, after a time-out: short waits never
// see its answer, but within about a minute a look-up gives it the full wait and gets its
// answer; heard again, the look-up after that waits in full too.
TEST_F(ShortWait, ASlowServiceHasTheFullWaitAgainWithinAMinute) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    server_.SetAnswer("/call", Silent());
    Waited w;
    size_t n = 1;
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    ExpectFullTimeOut(w);
    const ULONGLONG timedOut = GetTickCount64();

    CannedAnswer slow = Answer(LiveBody());
    slow.delayMs = kSlowAnswerMs;
    server_.SetAnswer("/call", slow);
    int shortWaits = 0;
    for (;;) {
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        if (LookupDat() == LiveReply() || GetTickCount64() - timedOut > 90000) {
            break;
        }
        SCOPED_TRACE("look-up " + std::to_string(n));
        ExpectShortKept(w);
        ++shortWaits;
    }
    const ULONGLONG answeredAfterMs = GetTickCount64() - timedOut;
    EXPECT_EQ(Visible(LookupDat()), Visible(LiveReply()));
    EXPECT_EQ(w.outcome, "found");
    EXPECT_FALSE(w.shortWait);
    EXPECT_GE(w.ms, kSlowAnswerMs - 100);
    EXPECT_GT(shortWaits, 10);
    EXPECT_LE(answeredAfterMs, 75000u) << "not within about a minute";
    std::printf(
        "[ FIGURES  ] the slow service answered again %llu ms after the time-out, "
        "after %d short waits\n",
        static_cast<unsigned long long>(answeredAfterMs), shortWaits);

    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    EXPECT_EQ(Visible(LookupDat()), Visible(LiveReply()));
    EXPECT_FALSE(w.shortWait);
    EXPECT_EQ(w.outcome, "found");
}

// An update check that times out tells nothing: the first look-up still waits in full. Then
// twenty short waits against a silent service with nothing kept: each sends its request (none is
// refused for want of a worker) and gives the no-session text, its worker ends with it, and the
// look-up that gives the service the full wait after a minute still starts one.
TEST_F(ShortWait, TwentyShortWaitsLeaveAWorkerForTheFullWait) {
    server_.SetResponder([](const RecordedRequest&) { return Silent(); });
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));
    ASSERT_NO_FATAL_FAILURE(Start());
    Waited w;
    size_t n = 0;
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    EXPECT_EQ(server_.RequestsFor(kUpdatePath).size(), 1u);
    const Waited update = LastOf("update check");
    EXPECT_TRUE(TimedOut(update.result)) << update.result;
    EXPECT_FALSE(update.shortWait);
    ExpectFullTimeOut(w);
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));

    // The program's threads once the first look-up is over: its worker waits for the next
    // request.
    PumpFor(300);
    const int settled = ThreadCount(addon_->Pid());
    ASSERT_GT(settled, 0);
    int most = settled;
    int shortWaits = 0;
    int fullAfterShort = 0;
    while ((shortWaits < 20 || fullAfterShort == 0) && n < 40) {
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        SCOPED_TRACE("look-up " + std::to_string(n));
        EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
        EXPECT_EQ(w.outcome, "no session");
        EXPECT_TRUE(TimedOut(w.result)) << w.result;
        most = std::max(most, ThreadCount(addon_->Pid()));
        if (w.shortWait) {
            ++shortWaits;
            EXPECT_LE(w.ms, kShortWaitAtMostMs);
            // The worker given up on ends about when its look-up gave up.
            EXPECT_TRUE(WaitUntil([&] { return ThreadCount(addon_->Pid()) <= settled; }, 1000))
                << ThreadCount(addon_->Pid()) << " threads, " << settled << " after the first";
        } else {
            ASSERT_GT(shortWaits, 10) << "a full wait before a minute had passed";
            ++fullAfterShort;
            ExpectFullTimeOut(w);
        }
    }
    EXPECT_GE(shortWaits, 20);
    EXPECT_GE(fullAfterShort, 1);
    std::printf(
        "[ WORKERS  ] %d short waits, %d full ones after them; threads %d after the first "
        "look-up, %d at most\n",
        shortWaits, fullAfterShort, settled, most);
    EXPECT_TRUE(addon_->Running());
}

}  // namespace
}  // namespace e2e
