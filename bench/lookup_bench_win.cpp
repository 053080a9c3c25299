// Prints how long the program's work takes against the least the same work can cost:
//   - a look-up as the logger makes it (6 x command 1, command 2, until "Logger32 1"), with the
//     extended window present and a reply window named, against the same look-up by the floor
//     program (bench/floor_lookup_win.cpp: the least program that answers the same messages
//     the same way) and against a bare WinINet GET of the same URL from this process (own
//     session each time, 265-byte reads, no worker thread), in interleaved rounds of the three;
//   - the add-on's look-up with a 1,000,000-byte answer against the bare GET;
//   - start-up to a findable, minimised main window against a program that shows one window;
//   - start-up to the first answer (the first look-up of a fresh process, which also loads
//     WinINet and makes the first connection) against the same of the floor program.
// The sides of each figure run interleaved, so all see the same machine.
// It prints figures and judges none of them.
//
// Usage: lookup_bench [--quick] [--steps] | --count N [--idle MS]
//   --quick  a few rounds of each kind, to show that every part works
//   --steps  also where a look-up's time goes, step by step, as seen from outside the program,
//            and the bare GET against the stand-in service beside the same GET against a server
//            that does the least (bench/minimal_server_win.h), to show what the stand-in adds
//   --count  starts the add-on and the floor program, has each look up N times (interleaved),
//            ends both and prints no figure: scripts/count_syscalls.py runs it under strace;
//            --idle MS leaves both programs waiting that long before they are ended, with the
//            time marked for the count
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/clock_win.h"
#include "bench/floor_program_win.h"
#include "bench/minimal_server_win.h"
#include "bench/step_costs_win.h"
#include "tests/e2e/addon_win.h"
#include "tests/e2e/boxes_win.h"
#include "tests/e2e/partner_windows_win.h"
#include "tests/e2e/registry_win.h"
#include "tests/e2e/standin_server_win.h"
#include "tests/e2e/wait_win.h"

namespace {

using namespace e2e;

constexpr const char* kUser = "BENCH";
constexpr const char* kPassword = "benchpass";
constexpr const char* kCallsign = "N0CALL";
constexpr const char* kAgent = "vb wininet";
constexpr DWORD kReadChunk = 265;
constexpr size_t kBigAnswerBytes = 1000000;
constexpr DWORD kRunTimeoutMs = 40000;
constexpr DWORD kSettleMs = 500;  // after the last counted look-up, before the idle time
constexpr const char* kBareExe = "bench_bare_window.exe";
constexpr const char* kBareButtonExe = "bench_bare_button.exe";
constexpr const char* kBareImportsExe = "bench_bare_imports.exe";
constexpr const char* kBareClass = "BareBenchWindow";

struct Plan {
    int warmups = 10;
    int pairs = 200;
    int bigWarmups = 2;
    int bigPairs = 20;
    int startWarmups = 2;
    int startPairs = 20;
    int count = 0;     // --count: only this many look-ups each, no figures
    DWORD idleMs = 0;  // --idle: then this long with nothing asked of either program
};

// The service's tagged answer for N0CALL; `size` pads its last (ignored) field.
std::string WorkedBody(size_t size = 0) {
    std::string body = std::string("N0CALL") + "\xB8" + "JANE" + "\xB9" + "Q" + "\xBA" + "SAMPLE" +
                       "\xBC" + "12 ELM ST" + "\xBF" + "ANYTOWN" + "\xC0" + "IL" + "\xC1" +
                       "60000" + "\xC6" + "LAKE" + "\xD1" + "United States" + "\xB6" + "E" +
                       "\xCA" + "EN52" + "\xC8" + "42.25" + "\xC9" + "88.1" + "\xD0" + "BUREAU" +
                       "\xC3" + "01/15/2005" + "\xC4" + "01/15/2015" + "\xB7" + "X" + "\xD3" + "Y" +
                       "\xC7" + "-6" + "\xC5" + "11/02/2008" + "\xBB" + "IGNORED";
    if (body.size() < size) {
        body.append(size - body.size(), 'x');
    }
    return body;
}
const char* const kWorkedLineStart = "N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|";

struct Stats {
    double median = 0, q1 = 0, q3 = 0;
};

double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const size_t lo = static_cast<size_t>(at);
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

Stats Summarise(const std::vector<double>& v) {
    if (v.empty()) {
        return {};
    }
    return {Quantile(v, 0.5), Quantile(v, 0.25), Quantile(v, 0.75)};
}

void PrintRow(const char* what, const std::vector<double>& v) {
    const Stats s = Summarise(v);
    std::printf("  %-34s median %9.3f ms   IQR %9.3f ms (%.3f .. %.3f)   n=%zu\n", what, s.median,
                s.q3 - s.q1, s.q1, s.q3, v.size());
}

// The ratio of the medians, and the median of each round's own ratio beside it.
void PrintRatio(const char* what, const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> own;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (b[i] > 0) {
            own.push_back(a[i] / b[i]);
        }
    }
    const double mb = Summarise(b).median;
    std::printf("  %-34s ratio of medians %5.2f   median of the rounds' ratios %5.2f\n", what,
                mb > 0 ? Summarise(a).median / mb : 0.0, Summarise(own).median);
}

void PrintFigure(const char* ours, const std::vector<double>& a, const char* base,
                 const std::vector<double>& b) {
    PrintRow(ours, a);
    PrintRow(base, b);
    const double mb = Summarise(b).median;
    std::printf("  ratio of medians: %.2f\n\n", mb > 0 ? Summarise(a).median / mb : 0.0);
    std::fflush(stdout);
}

int Fail(const std::string& why) {
    std::printf("lookup_bench: FAILED: %s\n", why.c_str());
    std::fflush(stdout);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// The logger's window and the reply window, each noting when its event arrived.

struct Marks {
    double notified = 0;  // "Logger32 1" with wParam 20
    double extended = 0;  // the extended line (WM_SETTEXT)
    size_t extendedBytes = 0;
};
Marks g_marks;
std::atomic<double> g_requestAt{0};  // when the stand-in had the whole request
UINT g_loggerMessage = 0;

LRESULT CALLBACK MarkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SETTEXT) {
        g_marks.extended = NowMs();
        g_marks.extendedBytes = lParam ? std::strlen(reinterpret_cast<const char*>(lParam)) : 0;
        return TRUE;  // the window keeps its title
    }
    if (msg == g_loggerMessage && g_loggerMessage != 0) {
        if (wParam == 20) {
            g_marks.notified = NowMs();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeMarkWindow(const char* title) {
    static const bool registered = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MarkProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LookupBenchMark";
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) {
        return nullptr;
    }
    return CreateWindowExA(0, "LookupBenchMark", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The baseline GET.

struct GetResult {
    double ms = 0;
    double requestMs = 0;  // from the start to the stand-in having the request
    size_t bytes = 0;
};

bool BareGet(const std::string& host, INTERNET_PORT port, const std::string& target,
             GetResult& out) {
    g_requestAt = 0;
    const double start = NowMs();
    HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection = session ? InternetConnectA(session, host.c_str(), port, nullptr, nullptr,
                                                      INTERNET_SERVICE_HTTP, 0, 0)
                                   : nullptr;
    HINTERNET request =
        connection ? HttpOpenRequestA(connection, "GET", target.c_str(), nullptr, nullptr, nullptr,
                                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0)
                   : nullptr;
    bool ok = request && HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    size_t total = 0;
    char buffer[kReadChunk];
    while (ok) {
        DWORD n = 0;
        if (!InternetReadFile(request, buffer, kReadChunk, &n)) {
            ok = false;
        } else if (n == 0) {
            break;
        }
        total += n;
    }
    for (HINTERNET h : {request, connection, session}) {
        if (h) {
            InternetCloseHandle(h);
        }
    }
    out.ms = NowMs() - start;
    out.requestMs = g_requestAt.load() - start;
    out.bytes = total;
    return ok;
}

// ---------------------------------------------------------------------------------------------
// One look-up, the logger's way.

struct LookupResult {
    double ms = 0;
    double typedMs = 0;     // the six command-1 messages
    double requestMs = 0;   // command 2 posted .. the stand-in has the request
    double extendedMs = 0;  // request .. the extended line arrives
    double notifiedMs = 0;  // extended line .. "Logger32 1"
};

bool WaitFor(const double& mark, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        PumpMessages();
        if (mark != 0) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// What a look-up is sent to and what it must leave in the reply file.
struct Target {
    HWND window = nullptr;
    std::string replyPath;
    std::string expected;          // the reply file starts with this
    const AddOn* addon = nullptr;  // the add-on, whose boxes a failure names; null for the floor
};

Target AddOnTarget(const AddOn& addon, const AddOnFolder& folder) {
    return Target{addon.MainWindow(), folder.ReplyPath(), kWorkedLineStart, &addon};
}

// The callsign one character at a time (command 1, each answered), then command 2 posted, the
// logger's way; until the notification.
bool OneLookup(const Target& target, LookupResult& out, std::string* error) {
    g_marks = Marks();
    g_requestAt = 0;
    const double start = NowMs();
    for (const char* c = kCallsign; *c; ++c) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(target.window, LookupMessage(), kCmdChar,
                                 static_cast<unsigned char>(*c), SMTO_NORMAL, 5000, &ignored)) {
            *error = "command 1 was not taken";
            return false;
        }
    }
    const double typed = NowMs();
    if (!PostMessageA(target.window, LookupMessage(), kCmdLookup, 0)) {
        *error = "command 2 was not taken";
        return false;
    }
    if (!WaitFor(g_marks.notified, kRunTimeoutMs)) {
        HWND box = target.addon ? target.addon->FindDialog("") : nullptr;
        *error = box ? "the program showed a box: " + MessageBoxText(box)
                     : std::string("no notification");
        return false;
    }
    const double end = g_marks.notified;
    out.ms = end - start;
    out.typedMs = typed - start;
    out.requestMs = g_requestAt.load() - typed;
    out.extendedMs = g_marks.extended - g_requestAt.load();
    out.notifiedMs = end - g_marks.extended;
    // A figure only counts for a real answer: the reply line and the extended line are there.
    const std::string reply = ReadFileBytes(target.replyPath);
    if (reply.compare(0, target.expected.size(), target.expected) != 0 || g_marks.extended == 0 ||
        g_marks.extendedBytes == 0) {
        *error = "the answer was not written: " + Visible(reply.substr(0, 80));
        return false;
    }
    return true;
}

std::vector<double> Column(const std::vector<LookupResult>& from, double LookupResult::*field) {
    std::vector<double> v;
    for (const auto& d : from) {
        v.push_back(d.*field);
    }
    return v;
}

void PrintLookupSteps(const std::vector<LookupResult>& from) {
    PrintRow("six command-1 messages", Column(from, &LookupResult::typedMs));
    PrintRow("command 2 .. request at service", Column(from, &LookupResult::requestMs));
    PrintRow("request .. extended line", Column(from, &LookupResult::extendedMs));
    PrintRow("extended line .. notification", Column(from, &LookupResult::notifiedMs));
}

// ---------------------------------------------------------------------------------------------
// Start-up.

// Polls until `find` returns a visible, minimised window or the time is up; ms, or -1.
template <typename Find>
double TimeToWindow(double start, Find find, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        HWND w = find();
        if (w && IsWindowVisible(w) && IsIconic(w)) {
            return NowMs() - start;
        }
        Sleep(1);
    }
    return -1;
}

HWND FindBareWindow(DWORD pid) {
    HWND w = FindWindowA(kBareClass, nullptr);
    DWORD owner = 0;
    if (w) {
        GetWindowThreadProcessId(w, &owner);
    }
    return owner == pid ? w : nullptr;
}

bool StartBare(const char* name, double& ms, std::string* error) {
    const std::string exe = JoinPath(OwnFolder(), name);
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const double start = NowMs();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
        *error = "cannot start " + exe;
        return false;
    }
    ms = TimeToWindow(
        start, [&] { return FindBareWindow(pi.dwProcessId); }, 15000);
    if (HWND w = FindBareWindow(pi.dwProcessId)) {
        PostMessageA(w, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (ms < 0) {
        *error = "the bare window did not appear";
        return false;
    }
    return true;
}

// With `first`, the started program then looks up once: the first look-up of a process, which
// also loads what start-up left for later; `toAnswer` gets the time from the start to its answer.
bool StartProgram(const AddOnFolder& folder, double& ms, std::string* error, HWND reply = nullptr,
                  LookupResult* first = nullptr, double* toAnswer = nullptr) {
    AddOn addon(folder);
    const double start = NowMs();
    if (!addon.Start(error)) {
        return false;
    }
    ms = TimeToWindow(
        start, [&] { return addon.MainWindow(); }, 15000);
    if (first && ms >= 0) {
        addon.Send(kCmdReplyWindow, reinterpret_cast<LPARAM>(reply));
        if (!OneLookup(AddOnTarget(addon, folder), *first, error)) {
            *error = "first look-up: " + *error;
            addon.Terminate();
            return false;
        }
        if (toAnswer) {
            *toAnswer = g_marks.notified - start;
        }
    }
    if (HWND main = addon.MainWindow()) {
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (!addon.WaitForExit(10000)) {
        addon.Terminate();
    }
    if (ms < 0) {
        *error = "the program's minimised window did not appear";
        return false;
    }
    return true;
}

// The floor program started in the add-on's folder, then its first look-up; `toAnswer` gets the
// time from the start to its answer, `body` is the answer the stand-in gives.
bool StartFloor(const AddOnFolder& folder, unsigned short port, HWND reply, const std::string& body,
                double& toAnswer, std::string* error) {
    FloorProgram floor;
    const double start = NowMs();
    if (!floor.Start(folder.Path(), folder.SettingsPath(), port, error)) {
        return false;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(floor.Window(), LookupMessage(), kCmdReplyWindow,
                        reinterpret_cast<LPARAM>(reply), SMTO_NORMAL, 5000, &ignored);
    LookupResult first;
    if (!OneLookup(Target{floor.Window(), folder.ReplyPath(), body + "\r\n", nullptr}, first,
                   error)) {
        *error = "the floor program's first look-up: " + *error;
        return false;
    }
    toAnswer = g_marks.notified - start;
    if (!floor.Stop()) {
        *error = "the floor program did not end when its window was closed";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

int Run(const Plan& plan, bool steps) {
    const std::string body = WorkedBody();
    const std::string bigBody = WorkedBody(kBigAnswerBytes);
    std::atomic<bool> big{false};
    StandInServer server;
    server.SetResponder([&](const RecordedRequest&) {
        g_requestAt = NowMs();
        CannedAnswer answer;
        answer.body = big ? bigBody : body;
        return answer;
    });
    if (!server.Start()) {
        return Fail("the stand-in service did not start");
    }
    if (!MarkUpdateCheckedNow()) {
        return Fail("cannot store the time of the last update check");
    }
    AddOnFolder folder;
    std::string error;
    const std::string settings = SettingsText(kUser, kPassword, server.BaseUrl(), server.BaseUrl());
    if (!folder.Prepare(settings.c_str(), &error)) {
        return Fail(error);
    }
    const std::string target = std::string("/call?username=") + kUser + "&password=" + kPassword +
                               "&rawlookup=1&callsign=" + kCallsign + "&program=Logger32";

    g_loggerMessage = RegisterWindowMessageA(kLoggerMessageName);
    HWND host = MakeMarkWindow(kLoggerTitle);
    HWND reply = MakeMarkWindow("Extended reply");
    auto extended = MakeExtendedWindow();
    if (!host || !reply || !extended->Handle()) {
        return Fail("cannot create the logger's windows");
    }

    std::vector<double> lookups, floorLookups, gets, bigLookups, bigGets, programStarts, bareStarts,
        bareButtonStarts, bareImportStarts, roundTrips, programFirstAnswers, floorFirstAnswers;
    std::vector<LookupResult> details, floorDetails, firstLookups;
    std::vector<GetResult> getDetails;
    {
        AddOn addon(folder);
        if (!addon.StartAndWait(&error)) {
            return Fail("the program did not start: " + error);
        }
        if (!WaitUntil([&] { return extended->Count(kExtendedMessageName) >= 1; }, 5000)) {
            return Fail("the program did not announce itself to the extended window");
        }
        addon.Send(kCmdReplyWindow, reinterpret_cast<LPARAM>(reply));
        // The floor program: the same settings file, the same service and answer, the same
        // folder for its reply file.
        FloorProgram floor;
        if (!floor.Start(folder.Path(), folder.SettingsPath(), server.Port(), &error)) {
            return Fail(error);
        }
        if (!WaitUntil([&] { return extended->Count(kExtendedMessageName) >= 2; }, 5000)) {
            return Fail("the floor program did not announce itself to the extended window");
        }
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(floor.Window(), LookupMessage(), kCmdReplyWindow,
                            reinterpret_cast<LPARAM>(reply), SMTO_NORMAL, 5000, &ignored);
        const Target ours = AddOnTarget(addon, folder);
        const Target least{floor.Window(), folder.ReplyPath(), body + "\r\n", nullptr};

        if (plan.count > 0) {
            // Only the look-ups, for a count of the programs' system calls from outside.
            for (int i = 0; i < plan.count; ++i) {
                LookupResult l, f;
                const bool addOnFirst = i % 2 == 0;
                if (!OneLookup(addOnFirst ? ours : least, addOnFirst ? l : f, &error) ||
                    !OneLookup(addOnFirst ? least : ours, addOnFirst ? f : l, &error)) {
                    return Fail("counted look-ups: " + error);
                }
            }
            if (plan.idleMs > 0) {
                // The idle time, marked for scripts/count_syscalls.py: strace shows the names
                // of these files that do not exist. It begins once the add-on has had time to
                // finish what it does after telling the logger (keeping the answer).
                PumpFor(kSettleMs);
                GetFileAttributesA("C:\\lookup-bench-idle-begin");
                PumpFor(plan.idleMs);
                GetFileAttributesA("C:\\lookup-bench-idle-end");
            }
            const bool floorEnded = floor.Stop();
            if (HWND main = addon.MainWindow()) {
                PostMessageA(main, WM_CLOSE, 0, 0);
            }
            if (!addon.WaitForExit(10000) || !floorEnded) {
                return Fail("a program did not end when its window was closed");
            }
            std::printf("%d look-ups each by the add-on and the floor program\n", plan.count);
            std::fflush(stdout);
            server.Stop();
            return 0;
        }

        // Rounds of the add-on's look-up, the floor program's and a bare GET, each of the six
        // orders as often as the others, so that all three see the same machine.
        static const int kOrders[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1},
                                          {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
        big = false;
        for (int i = 0; i < plan.warmups + plan.pairs; ++i) {
            LookupResult l, f;
            GetResult g;
            for (int side : kOrders[i % 6]) {
                if (side == 0 && !OneLookup(ours, l, &error)) {
                    return Fail("add-on look-up: " + error);
                }
                if (side == 1 && !OneLookup(least, f, &error)) {
                    return Fail("floor program look-up: " + error);
                }
                if (side == 2 &&
                    (!BareGet("127.0.0.1", server.Port(), target, g) || g.bytes != body.size())) {
                    return Fail("the bare GET read " + std::to_string(g.bytes) + " bytes of " +
                                std::to_string(body.size()));
                }
            }
            if (i >= plan.warmups) {
                lookups.push_back(l.ms);
                floorLookups.push_back(f.ms);
                gets.push_back(g.ms);
                details.push_back(l);
                floorDetails.push_back(f);
                getDetails.push_back(g);
            }
        }

        auto pairs = [&](bool bigAnswer, int warmups, int count, std::vector<double>& mine,
                         std::vector<double>& bare) -> bool {
            big = bigAnswer;
            const size_t expected = bigAnswer ? bigBody.size() : body.size();
            for (int i = 0; i < warmups + count; ++i) {
                LookupResult l;
                GetResult g;
                // Alternate which side goes first.
                for (int side = 0; side < 2; ++side) {
                    if ((side == 0) == (i % 2 == 0)) {
                        if (!OneLookup(ours, l, &error)) {
                            return false;
                        }
                    } else if (!BareGet("127.0.0.1", server.Port(), target, g) ||
                               g.bytes != expected) {
                        error = "the bare GET read " + std::to_string(g.bytes) + " bytes of " +
                                std::to_string(expected);
                        return false;
                    }
                }
                if (i >= warmups) {
                    mine.push_back(l.ms);
                    bare.push_back(g.ms);
                }
            }
            return true;
        };
        if (!pairs(true, plan.bigWarmups, plan.bigPairs, bigLookups, bigGets)) {
            return Fail("1,000,000-byte pairs: " + error);
        }
        // The floor under the six command-1 messages: one message sent across processes and
        // answered, with nothing for the program to do.
        for (int i = 0; steps && i < plan.pairs; ++i) {
            DWORD_PTR ignored = 0;
            const double start = NowMs();
            SendMessageTimeoutA(addon.MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
            roundTrips.push_back(NowMs() - start);
        }
        if (!floor.Stop()) {
            return Fail("the floor program did not end when its window was closed");
        }
        if (HWND main = addon.MainWindow()) {
            PostMessageA(main, WM_CLOSE, 0, 0);
        }
        if (!addon.WaitForExit(10000)) {
            return Fail("the program did not end when its window was closed");
        }
    }

    big = false;  // the GETs and the first look-ups below get the worked example
    // The floor under the bare GET: the same GET against the stand-in and against a minimal
    // server, in interleaved pairs.
    std::vector<double> floorStandIn, floorMinimal;
    if (steps) {
        MinimalServer minimal;
        if (!minimal.Start(body, [] { g_requestAt = NowMs(); })) {
            return Fail("the minimal server did not start");
        }
        for (int i = 0; i < plan.warmups + plan.pairs; ++i) {
            GetResult onStandIn, onMinimal;
            for (int side = 0; side < 2; ++side) {
                const bool standInFirst = i % 2 == 0;
                const bool toStandIn = (side == 0) == standInFirst;
                GetResult& g = toStandIn ? onStandIn : onMinimal;
                if (!BareGet("127.0.0.1", toStandIn ? server.Port() : minimal.Port(), target, g) ||
                    g.bytes != body.size()) {
                    return Fail(std::string("the bare GET against the ") +
                                (toStandIn ? "stand-in" : "minimal server") + " read " +
                                std::to_string(g.bytes) + " bytes");
                }
            }
            if (i >= plan.warmups) {
                floorStandIn.push_back(onStandIn.ms);
                floorMinimal.push_back(onMinimal.ms);
            }
        }
    }

    for (int i = 0; i < plan.startWarmups + plan.startPairs; ++i) {
        double ours = 0, bare = 0;
        for (int side = 0; side < 2; ++side) {
            const bool programFirst = i % 2 == 0;
            const bool ok = (side == 0) == programFirst ? StartProgram(folder, ours, &error)
                                                        : StartBare(kBareExe, bare, &error);
            if (!ok) {
                return Fail("start-up: " + error);
            }
        }
        // The ladder from the bare window to the program, and the first look-up of a process.
        double button = 0, withImports = 0, again = 0;
        LookupResult first;
        if (steps && !(StartBare(kBareButtonExe, button, &error) &&
                       StartBare(kBareImportsExe, withImports, &error) &&
                       StartProgram(folder, again, &error, reply, &first))) {
            return Fail("start-up: " + error);
        }
        if (i >= plan.startWarmups) {
            programStarts.push_back(ours);
            bareStarts.push_back(bare);
            bareButtonStarts.push_back(button);
            bareImportStarts.push_back(withImports);
            firstLookups.push_back(first);
        }
    }

    // From the start of a process to its first answer: the program against the floor program,
    // in interleaved pairs.
    for (int i = 0; i < plan.startWarmups + plan.startPairs; ++i) {
        double ours = 0, least = 0, window = 0;
        LookupResult first;
        for (int side = 0; side < 2; ++side) {
            const bool programFirst = i % 2 == 0;
            const bool ok = (side == 0) == programFirst
                                ? StartProgram(folder, window, &error, reply, &first, &ours)
                                : StartFloor(folder, server.Port(), reply, body, least, &error);
            if (!ok) {
                return Fail("start to the first answer: " + error);
            }
        }
        if (i >= plan.startWarmups) {
            programFirstAnswers.push_back(ours);
            floorFirstAnswers.push_back(least);
        }
    }

    std::printf(
        "Look-up of %s (%zu-byte answer): the add-on, the floor program and a bare GET, "
        "%d interleaved rounds after %d warm-ups\n",
        kCallsign, body.size(), plan.pairs, plan.warmups);
    PrintRow("add-on (6 x command 1, command 2)", lookups);
    PrintRow("floor program (the same)", floorLookups);
    PrintRow("bare GET", gets);
    PrintRatio("add-on / floor program", lookups, floorLookups);
    PrintRatio("add-on / bare GET", lookups, gets);
    PrintRatio("floor program / bare GET", floorLookups, gets);
    std::printf("\n");
    std::printf("Look-up with a %zu-byte answer, %d pairs after %d warm-ups\n", bigBody.size(),
                plan.bigPairs, plan.bigWarmups);
    PrintFigure("look-up", bigLookups, "bare GET", bigGets);
    std::printf("Start-up to a findable, minimised window, %d pairs after %d warm-ups\n",
                plan.startPairs, plan.startWarmups);
    PrintFigure("program", programStarts, "bare Win32 window", bareStarts);
    std::printf(
        "Start to the first answer (start-up, then the first look-up: WinINet loaded, the first "
        "connection), %d pairs after %d warm-ups\n",
        plan.startPairs, plan.startWarmups);
    PrintFigure("program", programFirstAnswers, "floor program", floorFirstAnswers);

    if (steps) {
        std::vector<double> getRequest, getRest;
        for (const auto& g : getDetails) {
            getRequest.push_back(g.requestMs);
            getRest.push_back(g.ms - g.requestMs);
        }
        std::printf("Where a look-up's time goes (medians of the %zu look-ups above)\n",
                    details.size());
        PrintLookupSteps(details);
        std::printf("The same steps of the floor program\n");
        PrintLookupSteps(floorDetails);
        PrintRow("one sent message, answered", roundTrips);
        std::printf("The bare GET, for comparison\n");
        PrintRow("start .. request at service", getRequest);
        PrintRow("request .. last byte, closed", getRest);
        std::printf(
            "The floor: the bare GET against the stand-in and against a minimal server, %zu "
            "interleaved pairs\n",
            floorStandIn.size());
        PrintFigure("bare GET, stand-in service", floorStandIn, "bare GET, minimal server",
                    floorMinimal);
        std::printf("Start-up (medians of the %zu start-ups above)\n", programStarts.size());
        PrintRow("bare window", bareStarts);
        PrintRow("+ manifest, common controls, button", bareButtonStarts);
        PrintRow("+ all the program's DLLs at start", bareImportStarts);
        PrintRow("program", programStarts);
        std::printf("The first look-up of a process, right after its start-up (medians of %zu)\n",
                    firstLookups.size());
        PrintRow("first look-up", Column(firstLookups, &LookupResult::ms));
        PrintLookupSteps(firstLookups);
        PrintStepCosts(folder.Path(), folder.SettingsPath(), server.Port(),
                       static_cast<int>(details.size()));
    }
    std::fflush(stdout);
    server.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Plan plan;
    bool steps = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            plan = {1, 5, 1, 2, 1, 2};
        } else if (arg == "--steps") {
            steps = true;
        } else if (arg == "--count" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            plan.count = std::atoi(argv[++i]);
        } else if (arg == "--idle" && i + 1 < argc && std::atoi(argv[i + 1]) >= 0) {
            plan.idleMs = static_cast<DWORD>(std::atoi(argv[++i]));
        } else {
            std::printf("usage: lookup_bench [--quick] [--steps] | --count N [--idle MS]\n");
            return 2;
        }
    }
    return Run(plan, steps);
}
