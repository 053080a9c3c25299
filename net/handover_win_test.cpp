#include "net/handover_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "net/idle_worker_win.h"

namespace net {
namespace {

using Phase = Handover::Phase;

// Both sides in one thread, each call made when it need not wait.
TEST(Handover, OrderOpenAndPiecesUntilTheEnd) {
    common::ProxyChoice proxy;
    proxy.route = common::ProxyChoice::Route::Direct;
    Handover h("agent", proxy, 1000);
    h.Open("http://h/x", 100);
    Handover::Order order;
    ASSERT_TRUE(h.TakeOrder(order));
    EXPECT_EQ(order.agent, "agent");
    EXPECT_EQ(order.proxy.route, common::ProxyChoice::Route::Direct);
    EXPECT_EQ(order.timeoutMs, 1000u);
    EXPECT_EQ(order.url, "http://h/x");
    EXPECT_EQ(order.maxBody, 100u);

    h.ShowProxy("direct");
    EXPECT_FALSE(h.WaitWhile(Phase::Opening, 0)) << "the open has not finished";
    Handover::Outcome outcome;
    outcome.ok = true;
    outcome.status = 200;
    outcome.contentLength = 4;
    ASSERT_TRUE(h.OpenDone(outcome));
    ASSERT_TRUE(h.WaitWhile(Phase::Opening, 0));
    EXPECT_EQ(h.OpenOutcome().status, 200u);
    EXPECT_EQ(h.OpenOutcome().contentLength, 4u);
    EXPECT_EQ(h.ProxyInForce(), "direct");

    // The first piece is read without being asked for.
    EXPECT_FALSE(h.WaitWhile(Phase::Reading, 0));
    size_t room = 0;
    ASSERT_TRUE(h.NextPiece(room));
    EXPECT_EQ(room, 100u);
    EXPECT_TRUE(h.Deliver("abc", 3, false, 0));
    ASSERT_TRUE(h.WaitWhile(Phase::Reading, 0));
    char out[8] = {};
    EXPECT_EQ(h.Take(out, 2).bytes, 2u);
    h.AskForMore();  // one byte is still there: no new read
    EXPECT_TRUE(h.WaitWhile(Phase::Reading, 0));
    EXPECT_EQ(h.Take(out + 2, 8).bytes, 1u);
    EXPECT_EQ(std::string(out, 3), "abc");

    h.AskForMore();
    EXPECT_FALSE(h.WaitWhile(Phase::Reading, 0));
    ASSERT_TRUE(h.NextPiece(room));
    EXPECT_EQ(room, 97u);
    EXPECT_TRUE(h.Deliver("d", 1, false, 0));
    EXPECT_EQ(h.Take(out, 8).bytes, 1u);
    h.AskForMore();
    ASSERT_TRUE(h.NextPiece(room));
    EXPECT_FALSE(h.Deliver(nullptr, 0, false, 0)) << "the body ended";
    ASSERT_TRUE(h.WaitWhile(Phase::Reading, 0));
    const Handover::Taken end = h.Take(out, 8);
    EXPECT_EQ(end.bytes, 0u);
    EXPECT_FALSE(end.failed);
    h.Close();
    EXPECT_FALSE(h.Abandoned());
}

TEST(Handover, TheMostTheCallerWantsEndsTheBody) {
    Handover h("a", {}, 0);
    h.Open("http://h/", 5);
    Handover::Order order;
    ASSERT_TRUE(h.TakeOrder(order));
    Handover::Outcome ok;
    ok.ok = true;
    ASSERT_TRUE(h.OpenDone(ok));
    size_t room = 0;
    ASSERT_TRUE(h.NextPiece(room));
    EXPECT_TRUE(h.Deliver("12345", 5, false, 0));
    char out[8];
    EXPECT_EQ(h.Take(out, 8).bytes, 5u);
    h.AskForMore();
    EXPECT_FALSE(h.NextPiece(room)) << "nothing more may be read";
    EXPECT_TRUE(h.WaitWhile(Phase::Reading, 0));
    EXPECT_EQ(h.Take(out, 8).bytes, 0u);
}

// What came before a failed read is handed over first; the failure shows with its last byte.
TEST(Handover, AFailedReadComesAfterItsBytes) {
    Handover h("a", {}, 0);
    h.Open("http://h/", SIZE_MAX);
    Handover::Order order;
    ASSERT_TRUE(h.TakeOrder(order));
    Handover::Outcome ok;
    ok.ok = true;
    ASSERT_TRUE(h.OpenDone(ok));
    size_t room = 0;
    ASSERT_TRUE(h.NextPiece(room));
    EXPECT_FALSE(h.Deliver("xy", 2, true, 12002));
    char out[4];
    Handover::Taken first = h.Take(out, 1);
    EXPECT_EQ(first.bytes, 1u);
    EXPECT_FALSE(first.failed);
    Handover::Taken last = h.Take(out, 4);
    EXPECT_EQ(last.bytes, 1u);
    EXPECT_TRUE(last.failed);
    EXPECT_EQ(last.error, 12002u);
}

TEST(Handover, AFailedOpenReadsNothing) {
    Handover h("a", {}, 0);
    h.Open("http://h/", SIZE_MAX);
    Handover::Order order;
    ASSERT_TRUE(h.TakeOrder(order));
    Handover::Outcome failed;
    failed.error = 12029;
    EXPECT_FALSE(h.OpenDone(failed));
    ASSERT_TRUE(h.WaitWhile(Phase::Opening, 0));
    EXPECT_FALSE(h.OpenOutcome().ok);
    EXPECT_EQ(h.OpenOutcome().error, 12029u);
    size_t room = 0;
    EXPECT_FALSE(h.NextPiece(room));
}

// A caller that closed or gave up stops the worker at its next step; only an abandoned
// exchange keeps the worker from serving another request.
TEST(Handover, TheCallerLeavingStopsTheWorker) {
    Handover::Order order;
    Handover::Outcome ok;
    ok.ok = true;
    {
        Handover closedFirst("a", {}, 0);
        closedFirst.Close();
        EXPECT_FALSE(closedFirst.TakeOrder(order));
        EXPECT_FALSE(closedFirst.Abandoned());
    }
    {
        Handover abandonedInOpen("a", {}, 0);
        abandonedInOpen.Open("http://h/", SIZE_MAX);
        ASSERT_TRUE(abandonedInOpen.TakeOrder(order));
        abandonedInOpen.Abandon();
        EXPECT_FALSE(abandonedInOpen.OpenDone(ok));
        abandonedInOpen.Close();
        EXPECT_TRUE(abandonedInOpen.Abandoned()) << "closing after giving up undid it";
    }
    {
        Handover abandonedFirst("a", {}, 0);
        abandonedFirst.Open("http://h/", SIZE_MAX);
        abandonedFirst.Abandon();
        EXPECT_FALSE(abandonedFirst.TakeOrder(order)) << "a request given up is not opened";
    }
    {
        Handover closedInRead("a", {}, 0);
        closedInRead.Open("http://h/", SIZE_MAX);
        ASSERT_TRUE(closedInRead.TakeOrder(order));
        ASSERT_TRUE(closedInRead.OpenDone(ok));
        size_t room = 0;
        ASSERT_TRUE(closedInRead.NextPiece(room));
        closedInRead.Close();
        EXPECT_FALSE(closedInRead.Deliver("z", 1, false, 0));
        EXPECT_FALSE(closedInRead.NextPiece(room));
        EXPECT_FALSE(closedInRead.Abandoned());
    }
}

// The waits across threads: each side wakes when the other moves the exchange on.
TEST(Handover, EachSideWakesTheOther) {
    Handover h("a", {}, 0);
    size_t room = 0;
    bool gotOrder = false;
    bool gotPiece = false;
    std::thread worker([&] {
        Handover::Order order;
        gotOrder = h.TakeOrder(order);  // waits for the open
        Handover::Outcome ok;
        ok.ok = true;
        h.OpenDone(ok);
        h.NextPiece(room);
        h.Deliver("p", 1, false, 0);
        gotPiece = h.NextPiece(room);  // waits until the caller wants more
    });
    h.Open("http://h/", SIZE_MAX);
    const bool opened = h.WaitWhile(Phase::Opening, 30000);
    const bool read = opened && h.WaitWhile(Phase::Reading, 30000);
    char out[2];
    if (read) {
        EXPECT_EQ(h.Take(out, 2).bytes, 1u);
        h.AskForMore();
    } else {
        h.Close();  // lets the worker go
    }
    worker.join();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(read);
    EXPECT_TRUE(gotOrder);
    EXPECT_TRUE(gotPiece);
    EXPECT_EQ(room, SIZE_MAX - 1);
}

// One worker waits for a next request at most, and gets the one handed over.
TEST(IdleWorker, HandsARequestToTheWaitingWorker) {
    IdleWorker idle;
    auto first = std::make_shared<Handover>("first", common::ProxyChoice{}, 0);
    auto second = std::make_shared<Handover>("second", common::ProxyChoice{}, 0);
    EXPECT_FALSE(idle.HandOver(first)) << "no worker waits";

    std::shared_ptr<Handover> got;
    bool waited = false;
    std::thread worker([&] { waited = idle.Wait(got); });
    bool handed = false;
    for (const ULONGLONG end = GetTickCount64() + 30000; !handed && GetTickCount64() < end;) {
        handed = idle.HandOver(first);  // once the worker waits
        std::this_thread::yield();
    }
    ASSERT_TRUE(handed);
    EXPECT_FALSE(idle.HandOver(second)) << "a second request went to the same worker";
    worker.join();
    EXPECT_TRUE(waited);
    EXPECT_EQ(got, first);
    EXPECT_FALSE(idle.HandOver(second)) << "the worker took its request and left";
}

}  // namespace
}  // namespace net
