// When the network is not simple: answers kept for when the service cannot be reached, answers
// that are no answers (a server error, a silent close), the system's proxy and the Proxy
// setting, and WinINet's connection reuse.
#include "tests/e2e/network_fixture_win.h"

#include <wininet.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "tests/e2e/registry_win.h"
#include "tests/e2e/standin_proxy_win.h"

namespace e2e {
namespace {

// The service goes away in every way a network can fail; each time the second look-up gives the
// kept reply line and sends the kept extended line, and the logger is told.
TEST_F(Network, KeptAnswerStandsInWhenTheServiceIsAway) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    ASSERT_EQ(reply_->Texts().size(), 1u);

    struct Away {
        const char* what;
        std::function<void()> make;
    };
    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    CannedAnswer silent;
    silent.mode = CannedAnswer::Mode::CloseWithoutAnswer;
    CannedAnswer reset;
    reset.mode = CannedAnswer::Mode::ResetAfterRequest;
    const Away ways[] = {
        {"a closed port", [&] { PointAt(closed); }},
        {"a close without an answer",
         [&] {
             PointAt(server_.BaseUrl());
             server_.SetAnswer("/call", silent);
         }},
        {"a reset", [&] { server_.SetAnswer("/call", reset); }},
        {"a server error",
         [&] {
             server_.SetAnswer("/call", Answer("<html><body>Internal error</body></html>", 500));
         }},
        {"a proxy's 407", [&] { server_.SetAnswer("/call", Answer("denied", 407)); }},
        {"an empty answer", [&] { server_.SetAnswer("/call", Answer("")); }},
    };
    size_t n = 1;
    for (const Away& away : ways) {
        SCOPED_TRACE(away.what);
        away.make();
        ASSERT_NO_FATAL_FAILURE(LookUp("n0call", ++n));
        EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
        ASSERT_EQ(reply_->Texts().size(), n);
        EXPECT_EQ(Visible(reply_->Texts().back()), Visible(kWorkedExtended));
        const auto log = LastLogLine();
        ASSERT_EQ(log.size(), 10u);
        EXPECT_EQ(log[6], "kept answer");
        EXPECT_EQ(log[9], "0");
    }
    EXPECT_TRUE(addon_->Running());
}

// Past the budget: the service accepts and never answers.
TEST_F(Network, KeptAnswerStandsInForAStalledService) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    CannedAnswer stall;
    stall.mode = CannedAnswer::Mode::NeverAnswer;
    server_.SetAnswer("/call", stall);
    const ULONGLONG start = GetTickCount64();
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2, 45000));
    EXPECT_LT(GetTickCount64() - start, 30000u);
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_EQ(reply_->Texts().size(), 2u);
    EXPECT_EQ(Visible(reply_->Texts()[1]), Visible(kWorkedExtended));
}

// Answers that are no answers give the no-session text when nothing is kept, and keep nothing.
TEST_F(Network, ServerErrorAndSilentCloseAreNoAnswers) {
    ASSERT_NO_FATAL_FAILURE(Start());
    server_.SetAnswer("/call", Answer("<html><body>500 Internal Server Error</body></html>", 500));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    CannedAnswer silent;
    silent.mode = CannedAnswer::Mode::CloseWithoutAnswer;
    server_.SetAnswer("/call", silent);
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    EXPECT_TRUE(reply_->Texts().empty()) << "an extended line was sent for no answer";
    EXPECT_EQ(LastLogLine().at(6), "no session");
    PumpFor(300);
    EXPECT_FALSE(FileExists(CachePath()));
}

// A call never found gives the no-session text while the service is away; a live not-found
// wins over a kept answer and drops it.
TEST_F(Network, NotFoundWinsAndDropsTheKeptAnswer) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    ASSERT_NO_FATAL_FAILURE(PointAt(closed));
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible("K9ZZZNo Internet session in progress.\r\n"));

    ASSERT_NO_FATAL_FAILURE(PointAt(server_.BaseUrl()));
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL not found in lookup database|\r\n"));

    ASSERT_NO_FATAL_FAILURE(PointAt(closed));
    ASSERT_TRUE(
        WaitUntil([&] { return ReadKeptFile().find("N0CALL|") == std::string::npos; }, 5000))
        << "the kept answer stayed";
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 4));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
}

TEST_F(Network, KeepAnswersZeroKeepsNothing) {
    ASSERT_NO_FATAL_FAILURE(Start("", "KeepAnswers= 0 \r\n"));
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    PumpFor(500);
    EXPECT_FALSE(FileExists(CachePath()));
    server_.SetAnswer("/call", Answer("", 503));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
}

// A file written with an old time, or with a time to come, is not used.
TEST_F(Network, ExpiredOrFutureAnswersAreNotUsed) {
    ASSERT_NO_FATAL_FAILURE(Start("", "KeepAnswers=2\r\n"));
    const std::int64_t now = UtcNow();
    const std::vector<kept::KeptAnswer> entries = {
        {"N0CALL", now - 3 * 86400, kWorkedLine, kWorkedExtended},
        {"K1OLD", now + 3600, "K1OLD|X|", "CTTP|K1OLD|X|"},
    };
    ASSERT_TRUE(WriteFileBytes(CachePath(), kept::SerializeCache(entries)));
    server_.SetAnswer("/call", Answer("", 500));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kNoSession));
    ASSERT_NO_FATAL_FAILURE(LookUp("K1OLD", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible("K1OLDNo Internet session in progress.\r\n"));
    // Within the days it is used.
    const std::vector<kept::KeptAnswer> fresh = {
        {"N0CALL", now - 86400 - 60, kWorkedLine, kWorkedExtended}};
    ASSERT_TRUE(WriteFileBytes(CachePath(), kept::SerializeCache(fresh)));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(LastLogLine().at(9), "1");
}

// A file that cannot be read is set aside and a new one begun; the look-up still answers.
TEST_F(Network, CorruptFileIsSetAside) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::string junk = "not a file of answers\r\n\x01\x02\x03";
    ASSERT_TRUE(WriteFileBytes(CachePath(), junk));
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(BadCachePath()); }, 5000)) << "not set aside";
    EXPECT_EQ(ReadFileBytes(BadCachePath()), junk);
    ASSERT_TRUE(
        WaitUntil([&] { return kept::ParseCache(ReadKeptFile()).entries.size() == 1; }, 5000));
    server_.SetAnswer("/call", Answer("", 502));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
}

// The user name, the password in every form and the request URL appear nowhere in the file.
TEST_F(Network, FileHoldsNoAccountAndNoAddress) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(FoundAndKept());
    const std::string file = ReadKeptFile();
    ASSERT_FALSE(file.empty());
    for (const std::string& secret :
         {std::string(kUser), std::string(kPassword), ScrambledPassword(kPassword),
          std::string("username="), std::string("password="), std::string("/call"),
          server_.BaseUrl(), std::string("127.0.0.1")}) {
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
    }
}

// Two programs sharing the folder look up at the same time; neither answer is lost.
TEST_F(Network, TwoProcessesLoseNothing) {
    server_.SetResponder([](const RecordedRequest& r) {
        const std::string call = QueryValue(r.target, "callsign");
        std::string body = WorkedBody();
        if (call != "N0CALL") {
            body.replace(0, 6, call);
        }
        CannedAnswer a = Answer(body);
        a.delayMs = 300;  // both requests in flight together
        return a;
    });
    ASSERT_NO_FATAL_FAILURE(Start());
    AddOn second(folder_);
    const std::string otherWork = JoinPath(folder_.Path(), "second");
    ASSERT_TRUE(CreateDirectoryA(otherWork.c_str(), nullptr));
    second.SetCurrentFolder(otherWork);
    std::string error;
    ASSERT_TRUE(second.StartAndWait(&error)) << error;
    const char* calls[] = {"K1AAA", "K2BBB", "K3CCC", "K4DDD"};
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(addon_->Type(calls[2 * round]));
        ASSERT_TRUE(second.Type(calls[2 * round + 1]));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(second.Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotifications(2 * (round + 1))) << ProcessNote();
    }
    // Each program keeps its answer after the logger was told: wait until all four are there.
    const auto keptAll = [&] {
        const kept::ParsedCache stored = kept::ParseCache(ReadKeptFile());
        return stored.readable &&
               std::all_of(std::begin(calls), std::end(calls), [&](const char* call) {
                   return kept::FindAnswer(stored.entries, call, UtcNow(), 30).has_value();
               });
    };
    WaitUntil(keptAll, 5000);
    const kept::ParsedCache stored = kept::ParseCache(ReadKeptFile());
    ASSERT_TRUE(stored.readable);
    for (const char* call : calls) {
        EXPECT_TRUE(kept::FindAnswer(stored.entries, call, UtcNow(), 30).has_value()) << call;
    }
    second.Terminate();
}

// The proxy set in the prefix's Internet settings carries the look-up (the proxy sees the
// absolute URL); Proxy=direct bypasses it; Proxy=host:port uses that one instead.
TEST_F(Network, SystemProxyAndTheProxySetting) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    StandInProxy system;
    ASSERT_TRUE(system.Start());
    SystemProxySetting setting(true, system.Address());
    ASSERT_TRUE(setting.Ok());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_EQ(system.RequestLines().size(), 1u);
    EXPECT_EQ(system.RequestLines()[0],
              "GET " + server_.BaseUrl() + CallTarget(kUser, kPassword, "N0CALL") + " HTTP/1.1");
    EXPECT_EQ(LastLogLine().at(8), system.Address());

    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), settings_ + "[Service]\r\n"));
    std::string direct = settings_;
    direct.insert(direct.find("[Lookup]"), "Proxy= DIRECT \r\n");
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), direct));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(system.RequestLines().size(), 1u) << "Proxy=direct went through the proxy";
    EXPECT_EQ(LastLogLine().at(8), "direct");

    StandInProxy named;
    ASSERT_TRUE(named.Start());
    std::string viaNamed = settings_;
    viaNamed.insert(viaNamed.find("[Lookup]"), "Proxy=http://" + named.Address() + "/\r\n");
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), viaNamed));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(system.RequestLines().size(), 1u);
    ASSERT_EQ(named.RequestLines().size(), 1u);
    EXPECT_EQ(named.RequestLines()[0].rfind("GET " + server_.BaseUrl() + "/call?", 0), 0u);
    EXPECT_EQ(LastLogLine().at(8), named.Address());

    // A value that cannot be understood: the system's proxy, and the log says so.
    std::string odd = settings_;
    odd.insert(odd.find("[Lookup]"), "Proxy=nowhere\r\n");
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), odd));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 4));
    EXPECT_EQ(system.RequestLines().size(), 2u);
    EXPECT_EQ(LastLogLine().at(8), system.Address() + " (Proxy setting not understood)");
}

// A Proxy value too long to read whole is not understood (the system's route, and the log says
// so) rather than used cut; one of 254 characters is read whole.
TEST_F(Network, AProxyValueTooLongToReadWholeIsNotUnderstood) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    StandInProxy system;
    ASSERT_TRUE(system.Start());
    SystemProxySetting setting(true, system.Address());
    ASSERT_TRUE(setting.Ok());
    // "direct" and spaces, 254 characters: trimmed, it says direct.
    const std::string whole = "direct" + std::string(248, ' ');
    ASSERT_NO_FATAL_FAILURE(Start("Proxy=" + whole + "\r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(system.RequestLines().size(), 0u);
    EXPECT_EQ(LastLogLine().at(8), "direct");

    // Cut anywhere short of its end, this one would read as direct too.
    const std::string overlong = "direct" + std::string(1100, ' ') + "x:1";
    std::string settings = settings_;
    settings.replace(settings.find(whole), whole.size(), overlong);
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), settings));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    EXPECT_EQ(system.RequestLines().size(), 1u) << "the cut value was used";
    EXPECT_EQ(LastLogLine().at(8), system.Address() + " (Proxy setting not understood)");
}

// Two look-ups in a row against a service that keeps connections open share one connection.
TEST_F(Network, LookUpsShareOneConnection) {
    server_.SetKeepAlive(true);
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].connection, calls[1].connection);
    EXPECT_EQ(server_.Connections(), 1);
}

}  // namespace
}  // namespace e2e
