#include "lookup/service_wait.h"

#include <gtest/gtest.h>

namespace lookup {
namespace {

constexpr unsigned long kCannotConnect = 12029;
constexpr unsigned long kNameNotResolved = 12007;
constexpr unsigned long kConnectionTerminated = 12030;  // also Wine's receive time-out
constexpr unsigned long kBusy = 170;                    // no worker free

RequestEnd Whole(std::uint32_t spentMs = 40) {
    RequestEnd end;
    end.opened = true;
    end.status = 200;
    end.spentMs = spentMs;
    end.callTimeoutMs = kFullWaitMs / 2;
    return end;
}

RequestEnd NotOpened(unsigned long error, std::uint32_t spentMs,
                     std::uint32_t callTimeoutMs = kFullWaitMs / 2) {
    RequestEnd end;
    end.error = error;
    end.spentMs = spentMs;
    end.callTimeoutMs = callTimeoutMs;
    return end;
}

RequestEnd ReadFailed(unsigned long error, std::uint32_t spentMs) {
    RequestEnd end = Whole(spentMs);
    end.readFailed = true;
    end.error = error;
    return end;
}

TEST(HeardFrom, AWholeExchangeOfAnyStatusIsAnAnswer) {
    RequestEnd end = Whole();
    for (unsigned long status : {200ul, 404ul, 407ul, 500ul, 503ul}) {
        end.status = status;
        EXPECT_EQ(HeardFrom(end), Heard::Answer) << status;
    }
    // Slow, but whole.
    EXPECT_EQ(HeardFrom(Whole(kFullWaitMs / 2 + 500)), Heard::Answer);
    // A connection closed without a byte (under Wine, sometimes a reset too) opens with no
    // status: no exchange.
    end.status = 0;
    EXPECT_EQ(HeardFrom(end), Heard::Nothing);
}

TEST(HeardFrom, TimedOutIs12002OrAFailureAfterAWholeCallTimeOut) {
    // The program's own budget ran out, before the status or in the body.
    EXPECT_EQ(HeardFrom(NotOpened(net::kTimedOutError, kShortWaitMs, kShortWaitMs)),
              Heard::Silence);
    EXPECT_EQ(HeardFrom(ReadFailed(net::kTimedOutError, kFullWaitMs)), Heard::Silence);
    // WinINet's own time-out (Windows), whenever it came.
    EXPECT_EQ(HeardFrom(NotOpened(net::kTimedOutError, 10)), Heard::Silence);
    // Wine's receive time-out: "connection terminated" after the whole call time-out.
    EXPECT_EQ(HeardFrom(NotOpened(kConnectionTerminated, kFullWaitMs / 2)), Heard::Silence);
    EXPECT_EQ(HeardFrom(NotOpened(kConnectionTerminated, kFullWaitMs / 2 + 15)), Heard::Silence);
    EXPECT_EQ(HeardFrom(ReadFailed(kConnectionTerminated, kFullWaitMs / 2 + 3)), Heard::Silence);
}

TEST(HeardFrom, WhatFailsAtOnceTellsNothing) {
    for (unsigned long error : {kCannotConnect, kNameNotResolved, kConnectionTerminated, kBusy}) {
        SCOPED_TRACE(error);
        EXPECT_EQ(HeardFrom(NotOpened(error, 3)), Heard::Nothing);
        // Just short of a whole call time-out is still not one.
        EXPECT_EQ(HeardFrom(NotOpened(error, kFullWaitMs / 2 - 1)), Heard::Nothing);
    }
    // A reset in the body.
    EXPECT_EQ(HeardFrom(ReadFailed(kConnectionTerminated, 200)), Heard::Nothing);
    // A request with no time-out of its own (none was ever started) is never timed out by time.
    EXPECT_EQ(HeardFrom(NotOpened(kBusy, 0, 0)), Heard::Nothing);
}

// A look-up's requests as the look-up sees them: its budget and each request's limits.
TEST(ServiceWait, TheFullAndTheShortWaitAndTheirRequests) {
    ServiceWait wait;
    wait.BeginLookup(1000);
    EXPECT_FALSE(wait.ShortWait()) << "the first look-up after start waits in full";
    EXPECT_EQ(wait.BudgetMs(), kFullWaitMs);
    net::RequestLimits limits = wait.Limits(wait.BudgetMs());
    EXPECT_EQ(limits.budgetMs, 20000u);
    EXPECT_EQ(limits.callTimeoutMs, 10000u);
    EXPECT_FALSE(limits.spareLastWorker);
    // A second request with the base call gets what is left.
    limits = wait.Limits(kFullWaitMs - 4000);
    EXPECT_EQ(limits.budgetMs, 16000u);
    EXPECT_EQ(limits.callTimeoutMs, 8000u);
    wait.Tell(Heard::Silence);

    wait.BeginLookup(12000);
    EXPECT_TRUE(wait.ShortWait());
    EXPECT_EQ(wait.BudgetMs(), kShortWaitMs);
    limits = wait.Limits(wait.BudgetMs());
    EXPECT_EQ(limits.budgetMs, kShortWaitMs);
    EXPECT_EQ(limits.callTimeoutMs, kShortWaitMs) << "the worker ends with its caller";
    EXPECT_TRUE(limits.spareLastWorker);
    limits = wait.Limits(kShortWaitMs - 800);
    EXPECT_EQ(limits.budgetMs, kShortWaitMs - 800);
    EXPECT_EQ(limits.callTimeoutMs, kShortWaitMs - 800);

    // At least 3 s, well under the 10 s of a full wait's call.
    EXPECT_GE(kShortWaitMs, 3000u);
    EXPECT_LE(kShortWaitMs * 2, kFullWaitMs / 2);
}

// A silent service: one full wait, then short ones until it answers; each of a look-up's
// requests is told in turn, so the last one that timed out or answered decides.
TEST(ServiceWait, SilenceBeginsWithATimeOutAndEndsWithAnAnswer) {
    ServiceWait wait;
    wait.BeginLookup(0);
    wait.Tell(Heard::Silence);
    EXPECT_TRUE(wait.Silent());
    for (std::uint64_t at : {10000u, 13000u, 16000u}) {
        wait.BeginLookup(at);
        EXPECT_TRUE(wait.ShortWait()) << at;
        wait.Tell(Heard::Silence);  // the short wait ran out
    }
    // The service answers within a short wait: the next look-up has the full wait.
    wait.BeginLookup(19000);
    EXPECT_TRUE(wait.ShortWait());
    wait.Tell(Heard::Answer);
    EXPECT_FALSE(wait.Silent());
    wait.BeginLookup(19500);
    EXPECT_FALSE(wait.ShortWait());

    // A not-found answer, then its base call timed out: silent.
    wait.Tell(Heard::Answer);
    wait.Tell(Heard::Silence);
    EXPECT_TRUE(wait.Silent());
    wait.BeginLookup(40000);
    EXPECT_TRUE(wait.ShortWait());
    // The first request timed out, the base call was answered: heard.
    wait.Tell(Heard::Silence);
    wait.Tell(Heard::Answer);
    EXPECT_FALSE(wait.Silent());
}

TEST(ServiceWait, WhatFailsAtOnceNeitherBeginsNorEndsTheSilence) {
    ServiceWait wait;
    wait.BeginLookup(0);
    wait.Tell(Heard::Nothing);  // refused, reset, not resolved, no worker
    wait.BeginLookup(100);
    EXPECT_FALSE(wait.ShortWait());
    wait.Tell(Heard::Silence);
    wait.BeginLookup(10100);
    EXPECT_TRUE(wait.ShortWait());
    wait.Tell(Heard::Nothing);
    wait.BeginLookup(10200);
    EXPECT_TRUE(wait.ShortWait());
    EXPECT_TRUE(wait.Silent());
}

// At least once a minute a look-up gives a silent service the full wait: counted from the
// beginning of the last look-up that had it, whether the silence went on or not.
TEST(ServiceWait, ASilentServiceHasTheFullWaitOnceAMinute) {
    ServiceWait wait;
    wait.BeginLookup(5000);
    wait.Tell(Heard::Silence);
    std::uint64_t at = 15000;
    for (; at < 5000 + kComeBackMs; at += kShortWaitMs) {
        wait.BeginLookup(at);
        ASSERT_TRUE(wait.ShortWait()) << at;
        wait.Tell(Heard::Silence);
    }
    wait.BeginLookup(5000 + kComeBackMs - 1);
    EXPECT_TRUE(wait.ShortWait());
    wait.BeginLookup(5000 + kComeBackMs);
    EXPECT_FALSE(wait.ShortWait()) << "a minute after the last full wait began";
    // It timed out too: short waits again, for another minute from its beginning.
    wait.Tell(Heard::Silence);
    wait.BeginLookup(5000 + kComeBackMs + 11000);
    EXPECT_TRUE(wait.ShortWait());
    wait.Tell(Heard::Silence);
    wait.BeginLookup(5000 + 2 * kComeBackMs - 1);
    EXPECT_TRUE(wait.ShortWait());
    wait.BeginLookup(5000 + 2 * kComeBackMs + 30000);  // sparse look-ups: each waits in full
    EXPECT_FALSE(wait.ShortWait());
    wait.Tell(Heard::Silence);
    wait.BeginLookup(5000 + 4 * kComeBackMs);
    EXPECT_FALSE(wait.ShortWait());
    // A clock that went back (it never should) gives the full wait rather than short ones for
    // good.
    wait.Tell(Heard::Silence);
    wait.BeginLookup(1000);
    EXPECT_FALSE(wait.ShortWait());
}

}  // namespace
}  // namespace lookup
