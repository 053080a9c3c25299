// Several hundred look-ups back to back with the extended window present: every answer is
// right, and the program's threads and private memory do not grow across the run.
#include "tests/e2e/road_fixture_win.h"

#include <psapi.h>

#include <cstdio>
#include <string>

namespace e2e {
namespace {

constexpr int kWarmUp = 20;
constexpr int kLookups = 300;
// Allowed growth between the end of the warm-up and the end of the run.
constexpr int kThreadAllowance = 2;
constexpr SIZE_T kPrivateBytesAllowance = 1024 * 1024;

// Private bytes of a process: the private usage, or where that reads 0 (Wine leaves it unset
// for other processes) the commit charge, which is the same quantity; 0 when neither could be
// read. `measure` names the counter that was used.
SIZE_T PrivateBytes(DWORD pid, const char** measure) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        return 0;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    const BOOL ok = GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(process);
    if (!ok) {
        return 0;
    }
    *measure = counters.PrivateUsage ? "private usage" : "commit charge";
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

struct Usage {
    int threads = 0;
    SIZE_T privateBytes = 0;
    const char* privateMeasure = "nothing";
};

// The callsign of look-up `i`, and whether the service knows it (two in three).
std::string CallOf(int i) {
    return "K" + std::to_string(i);
}
bool Known(int i) {
    return i % 3 != 2;
}
std::string Swap(std::string text, const std::string& callsign) {
    text.replace(text.find("N0CALL"), 6, callsign);
    return text;
}

class Soak : public AddOnTest {
  protected:
    // Looks up callsigns [from, to) one after the other; each Lookup.dat, as the logger found it
    // when told, and each extended line must be the one for that callsign.
    void LookUp(int from, int to) {
        for (int i = from; i < to; ++i) {
            const std::string call = CallOf(i);
            ASSERT_TRUE(addon_->Type(call)) << call;
            ASSERT_TRUE(addon_->Post(kCmdLookup, 0)) << call;
            ASSERT_TRUE(WaitForNotifications(static_cast<size_t>(i) + 1, 10000))
                << "no answer for " << call << ProcessNote();
            const std::string expected =
                (Known(i) ? Swap(kWorkedLine, call) : call + " not found in lookup database|") +
                "\r\n";
            const auto notes = logger_->Messages(kLoggerMessageName);
            ASSERT_EQ(notes.size(), static_cast<size_t>(i) + 1) << call;
            ASSERT_EQ(Visible(notes.back().fileBytes), Visible(expected)) << call;
            if (Known(i)) {
                ++extendedExpected_;
                ASSERT_EQ(reply_->Texts().size(), extendedExpected_) << call;
                ASSERT_EQ(Visible(reply_->Texts().back()), Visible(Swap(kWorkedExtended, call)));
            }
        }
    }

    Usage Measure() {
        PumpFor(500);  // the last request's worker has ended
        Usage usage;
        usage.threads = ThreadCount(addon_->Pid());
        usage.privateBytes = PrivateBytes(addon_->Pid(), &usage.privateMeasure);
        return usage;
    }

    size_t extendedExpected_ = 0;
};

TEST_F(Soak, HundredsOfLookUpsKeepAnswersRightAndUsageFlat) {
    server_.SetResponder([](const RecordedRequest& request) {
        const std::string call = QueryValue(request.target, "callsign");
        if (request.path != "/call" || call.empty()) {
            return Answer("no such path", 404);
        }
        const bool known = call.size() > 1 && Known(std::stoi(call.substr(1)));
        return known ? Answer(Swap(WorkedBody(), call)) : Answer("NOT FOUND");
    });
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());

    const ULONGLONG start = GetTickCount64();
    ASSERT_NO_FATAL_FAILURE(LookUp(0, kWarmUp));
    const Usage before = Measure();
    ASSERT_NO_FATAL_FAILURE(LookUp(kWarmUp, kLookups));
    const Usage after = Measure();
    const ULONGLONG elapsed = GetTickCount64() - start;

    EXPECT_EQ(Calls().size(), static_cast<size_t>(kLookups));
    EXPECT_EQ(addon_->FindDialog(""), nullptr);
    EXPECT_TRUE(addon_->Running());
    std::printf(
        "[ SOAK     ] %d look-ups in %llu ms; threads %d -> %d (allowance %d), private bytes "
        "(%s) %llu -> %llu (allowance %llu)\n",
        kLookups, static_cast<unsigned long long>(elapsed), before.threads, after.threads,
        kThreadAllowance, after.privateMeasure,
        static_cast<unsigned long long>(before.privateBytes),
        static_cast<unsigned long long>(after.privateBytes),
        static_cast<unsigned long long>(kPrivateBytesAllowance));

    // A figure that reads 0 was not measured, and the growth it stands for would go unseen.
    ASSERT_GT(before.threads, 0) << "thread count not measured";
    ASSERT_GT(after.threads, 0) << "thread count not measured";
    ASSERT_GT(before.privateBytes, 0u) << "private bytes not measured";
    ASSERT_GT(after.privateBytes, 0u) << "private bytes not measured";
    EXPECT_LE(after.threads, before.threads + kThreadAllowance) << "threads grew";
    EXPECT_LE(after.privateBytes, before.privateBytes + kPrivateBytesAllowance)
        << "private bytes grew";
}

}  // namespace
}  // namespace e2e
