// A service that accepts the connection and then says nothing costs one full wait, not one per
// callsign: after a look-up timed out, the next ones wait only a short while (and the log marks
// them), until the service answers again; once a minute at least a look-up gives it the full
// wait again. Short waits leave no pile of abandoned workers behind.
#include "tests/e2e/network_fixture_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/addon_win.h"
#include "tests/e2e/full_listen_queue_win.h"
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
    // The log's lines of `event`, in order.
    std::vector<Waited> LinesOf(const std::string& event) const {
        std::vector<Waited> lines;
        for (const auto& line : LogLines()) {
            if (line.size() == 10 && line[1] == event) {
                Waited w;
                w.result = line[4];
                w.outcome = line[6];
                w.ms = std::strtoul(line[7].c_str(), nullptr, 10);
                w.shortWait = EndsWith(line[7], kShortWaitNote);
                lines.push_back(w);
            }
        }
        return lines;
    }
    Waited LastOf(const std::string& event) const {
        const std::vector<Waited> lines = LinesOf(event);
        return lines.empty() ? Waited() : lines.back();
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
// starts no short wait, after it none of them ends it. A portable call's base-call request gets
// what is left of the short wait. Once the stand-in answers again, the next look-up uses it, and
// the one after it waits in full again.
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

    // A portable call: the service says at once that it does not know it, and its base call
    // gets what is left of the short wait, in which the service says nothing. That time-out
    // keeps the service silent, though the first request was answered.
    server_.SetResponder([](const RecordedRequest& r) {
        return QueryValue(r.target, "callsign") == "N0CALL/P" ? Answer("NOT FOUND") : Silent();
    });
    const size_t asked = Calls().size();
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", ++n, 45000));
    EXPECT_EQ(Calls().size(), asked + 2);
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL/P not found in lookup database|\r\n"));
    const std::vector<Waited> lines = LinesOf("lookup");
    ASSERT_GE(lines.size(), 2u);
    const Waited& portable = lines[lines.size() - 2];
    const Waited& base = lines.back();
    EXPECT_EQ(portable.outcome, "base-call retry");
    EXPECT_TRUE(portable.shortWait);
    EXPECT_TRUE(base.shortWait);
    EXPECT_TRUE(TimedOut(base.result)) << base.result;
    EXPECT_LE(portable.ms + base.ms, kShortWaitAtMostMs);
    std::printf("[ WAITED   ] look-up %zu: N0CALL/P in %lu ms, its base call %lu ms\n", n,
                portable.ms, base.ms);
    server_.SetResponder(nullptr);
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

// An update check that times out tells nothing: the first look-up, against a silent service,
// waits in full. The service then answers in 5 s, later than a short wait: short waits never
// see its answer, but within about a minute a look-up gives it the full wait and gets it; heard
// again, the next look-up waits in full too. It falls silent once more, and short waits follow
// again: twenty in all, each of which sends its request (none is refused for want of a worker),
// gives the no-session text (keeping is off) and leaves no worker behind.
TEST_F(ShortWait, ASlowServiceIsHeardAgainWithinAMinuteAndShortWaitsLeaveNoWorkerBehind) {
    server_.SetResponder([](const RecordedRequest&) { return Silent(); });
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));
    ASSERT_NO_FATAL_FAILURE(Start("", "KeepAnswers=0\r\n"));
    Waited w;
    size_t n = 0;
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    EXPECT_EQ(server_.RequestsFor(kUpdatePath).size(), 1u);
    const Waited update = LastOf("update check");
    EXPECT_TRUE(TimedOut(update.result)) << update.result;
    ExpectFullTimeOut(w);
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    const ULONGLONG timedOut = GetTickCount64();
    // The program's threads once that look-up is over: its worker waits for the next request.
    PumpFor(300);
    const int settled = ThreadCount(addon_->Pid());
    ASSERT_GT(settled, 0);
    int most = settled;

    int shortWaits = 0;
    // A look-up with the short wait: it asked, gave up in time and its worker is gone.
    const auto expectShortNoSession = [&] {
        SCOPED_TRACE("look-up " + std::to_string(n));
        ++shortWaits;
        EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
        EXPECT_EQ(w.outcome, "no session");
        EXPECT_TRUE(TimedOut(w.result)) << w.result;
        EXPECT_TRUE(w.shortWait);
        EXPECT_LE(w.ms, kShortWaitAtMostMs);
        most = std::max(most, ThreadCount(addon_->Pid()));
        EXPECT_TRUE(WaitUntil([&] { return ThreadCount(addon_->Pid()) <= settled; }, 1000))
            << ThreadCount(addon_->Pid()) << " threads, " << settled << " after the first";
    };

    CannedAnswer slow = Answer(LiveBody());
    slow.delayMs = kSlowAnswerMs;
    server_.SetResponder([slow](const RecordedRequest&) { return slow; });
    for (;;) {
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        if (!w.shortWait || GetTickCount64() - timedOut > 90000) {
            break;
        }
        expectShortNoSession();
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

    server_.SetResponder([](const RecordedRequest&) { return Silent(); });
    ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
    ExpectFullTimeOut(w);
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    while (shortWaits < 20) {
        ASSERT_NO_FATAL_FAILURE(LookUpN0call(++n, w));
        expectShortNoSession();
    }
    std::printf("[ WORKERS  ] %d short waits; threads %d after the first look-up, %d at most\n",
                shortWaits, settled, most);
    EXPECT_TRUE(addon_->Running());
}

// A service whose connection is never completed holds each request's worker for minutes, past
// its look-up. Short waits take workers only while one more stays free: with the first look-up's
// worker and two short waits' held, the next short waits are refused at once, and the look-up
// that gives the service the full wait after a minute still starts the last worker.
TEST_F(ShortWait, ShortWaitsNeverTakeTheLastWorker) {
    FullListenQueue unreachable;
    ASSERT_TRUE(unreachable.Ok()) << "could not fill the listen queue";
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(PointAt(unreachable.BaseUrl()));
    const ULONGLONG began = GetTickCount64();
    size_t n = 0;
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n, 45000));
    Waited w = LastOf("lookup");
    EXPECT_TRUE(StartsWith(w.result, "error 12002 ")) << w.result;  // the program's own budget
    EXPECT_GE(w.ms, 19000u);
    EXPECT_FALSE(w.shortWait);

    int took = 0;
    int refused = 0;
    bool full = false;
    while (!full && GetTickCount64() - began < 100000) {
        if (refused > 0) {
            PumpFor(2000);  // the logger's next callsign
        }
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", ++n, 45000));
        w = LastOf("lookup");
        SCOPED_TRACE("look-up " + std::to_string(n) + ": " + w.result);
        EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
        if (!w.shortWait) {
            full = true;
        } else if (StartsWith(w.result, "error 12002 ")) {
            ASSERT_EQ(refused, 0) << "a short wait took a worker after one was refused";
            ++took;
        } else {
            EXPECT_TRUE(StartsWith(w.result, "error 170 ")) << "not refused for want of a worker";
            EXPECT_LE(w.ms, kAtOnceMs);
            ++refused;
        }
    }
    std::printf("[ WORKERS  ] short waits that took a worker %d, refused %d\n", took, refused);
    EXPECT_EQ(took, 2) << "the first look-up holds one worker; short waits leave the last free";
    EXPECT_GE(refused, 1);
    ASSERT_TRUE(full) << "no look-up had the full wait again";
    EXPECT_TRUE(StartsWith(w.result, "error 12002 ")) << w.result << ": it had no worker";
    EXPECT_GE(w.ms, 19000u);
    EXPECT_TRUE(addon_->Running());
}

}  // namespace
}  // namespace e2e
