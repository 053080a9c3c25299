// Demonstration: a stand-in look-up service with a few sample callsigns, a simulated logger and
// extended window, and the real program in between. The logger types the callsign from the
// command line (default N0CALL) and asks for the look-up; the demo prints the request the
// service saw, Lookup.dat and the extended message.
//
// Usage: lookup_demo [CALLSIGN]
#include <cctype>
#include <cstdio>
#include <map>
#include <string>

#include "tests/e2e/addon_win.h"
#include "tests/e2e/boxes_win.h"
#include "tests/e2e/partner_windows_win.h"
#include "tests/e2e/registry_win.h"
#include "tests/e2e/standin_server_win.h"
#include "tests/e2e/wait_win.h"

namespace {

using namespace e2e;

constexpr const char* kDemoUser = "demo";
constexpr const char* kDemoPassword = "demo-pass";
constexpr DWORD kRunTimeoutMs = 40000;

// A tagged answer of the service, built field by field (tag byte, then the value).
std::string Field(unsigned char tag, const std::string& value) {
    return std::string(1, static_cast<char>(tag)) + value;
}

// Sample records; the callsigns and people are made up.
std::map<std::string, std::string> SampleDatabase() {
    std::map<std::string, std::string> db;
    db["N0CALL"] = "N0CALL" + Field(0xB8, "JANE") + Field(0xB9, "Q") + Field(0xBA, "SAMPLE") +
                   Field(0xBC, "12 ELM ST") + Field(0xBF, "ANYTOWN") + Field(0xC0, "IL") +
                   Field(0xC1, "60000") + Field(0xC6, "LAKE") + Field(0xD1, "United States") +
                   Field(0xB6, "E") + Field(0xCA, "EN52") + Field(0xC8, "42.25") +
                   Field(0xC9, "88.1") + Field(0xD0, "BUREAU") + Field(0xC3, "01/15/2005") +
                   Field(0xC4, "01/15/2015") + Field(0xB7, "X") + Field(0xD3, "Y") +
                   Field(0xC7, "-6") + Field(0xC5, "11/02/2008") + Field(0xBB, "IGNORED");
    db["Q1ABC"] = "Q1ABC" + Field(0xB8, "ALEX") + Field(0xBA, "TESTER") +
                  Field(0xBC, "7 MAPLE AVE") + Field(0xBF, "SAMPLEVILLE") + Field(0xC0, "OH") +
                  Field(0xC1, "40000") + Field(0xD1, "United States") + Field(0xB6, "G") +
                  Field(0xCA, "EN80") + Field(0xC8, "40.5") + Field(0xC9, "82.75") +
                  Field(0xC3, "03/01/2010") + Field(0xC4, "03/01/2020") + Field(0xC7, "-5");
    db["Q2XYZ"] = "Q2XYZ" + Field(0xB8, "MORGAN") + Field(0xBA, "EXAMPLE") +
                  Field(0xBC, "1 HARBOUR RD") + Field(0xBF, "PORTVIEW") + Field(0xC0, "ME") +
                  Field(0xC1, "04000") + Field(0xD1, "United States") + Field(0xB6, "A") +
                  Field(0xCA, "FN43") + Field(0xC8, "43.75") + Field(0xC9, "70.25") +
                  Field(0xD0, "DIRECT") + Field(0xC7, "-5");
    db["Q3TEST"] = "Q3TEST" + Field(0xB8, "ROBIN") + Field(0xB9, "P") + Field(0xBA, "PLACEHOLDER") +
                   Field(0xBC, "99 PINE ST") + Field(0xBF, "FOREST CITY") + Field(0xC0, "WA") +
                   Field(0xC1, "98000") + Field(0xD1, "United States") + Field(0xB6, "T") +
                   Field(0xCA, "CN87") + Field(0xC8, "47.5") + Field(0xC9, "122.25") +
                   Field(0xC7, "-8");
    return db;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

std::string WithoutLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) {
        s.pop_back();
    }
    return s;
}

int Fail(const std::string& why) {
    std::printf("lookup_demo: FAILED: %s\n", why.c_str());
    std::fflush(stdout);
    return 1;
}

int Run(const std::string& callsign) {
    const auto db = SampleDatabase();
    StandInServer server;
    server.SetResponder([&db](const RecordedRequest& request) {
        CannedAnswer answer;
        if (request.path != "/call") {
            answer.status = 404;
            answer.body = "no such path";
        } else if (QueryValue(request.target, "username") != kDemoUser ||
                   QueryValue(request.target, "password") != kDemoPassword) {
            answer.body = "ERROR";
        } else if (auto it = db.find(Upper(QueryValue(request.target, "callsign")));
                   it != db.end()) {
            answer.body = it->second;
        } else {
            answer.body = "NOT FOUND";
        }
        return answer;
    });
    if (!server.Start()) {
        return Fail("the stand-in service did not start");
    }
    std::string names;
    for (const auto& entry : db) {
        names += (names.empty() ? "" : ", ") + entry.first;
    }
    std::printf("Stand-in look-up service:    %s (sample callsigns: %s)\n",
                server.BaseUrl().c_str(), names.c_str());

    if (!MarkUpdateCheckedNow()) {
        return Fail("cannot store the time of the last update check");
    }
    AddOnFolder folder;
    std::string error;
    const std::string settings =
        SettingsText(kDemoUser, kDemoPassword, server.BaseUrl(), server.BaseUrl());
    if (!folder.Prepare(settings.c_str(), &error)) {
        return Fail(error);
    }
    std::printf("Program folder (temporary):  %s\n", folder.Path().c_str());

    auto logger = MakeLogger(folder.Path());
    auto extended = MakeExtendedWindow();
    auto reply = MakeReplyWindow();
    if (!logger->Handle() || !extended->Handle() || !reply->Handle()) {
        return Fail("cannot create the logger's windows");
    }

    AddOn addon(folder);
    if (!addon.StartAndWait(&error)) {
        return Fail("the program did not start: " + error);
    }
    if (!WaitUntil([&] { return extended->Count(kExtendedMessageName) >= 1; }, 5000)) {
        return Fail("the program did not announce itself to the extended window");
    }
    addon.Send(kCmdReplyWindow, reinterpret_cast<LPARAM>(reply->Handle()));

    std::printf("Logger32 sends:              %s (command 1 per character, then command 2)\n",
                callsign.c_str());
    std::fflush(stdout);
    if (!addon.Type(callsign) || !addon.Post(kCmdLookup, 0)) {
        return Fail("the program did not take the commands");
    }
    const bool ended = WaitUntil(
        [&] { return logger->Count(kLoggerMessageName) >= 1 || addon.FindDialog("") != nullptr; },
        kRunTimeoutMs);
    if (HWND box = addon.FindDialog("")) {
        const std::string text = MessageBoxText(box);
        PressButton(box, IDOK);
        return Fail("the program showed a box: " + text);
    }
    if (!ended) {
        return Fail("no answer-ready notification within " + std::to_string(kRunTimeoutMs / 1000) +
                    " s");
    }
    PumpFor(200);

    const auto requests = server.RequestsFor("/call");
    const auto notes = logger->Messages(kLoggerMessageName);
    std::printf("Service request:             %s\n",
                requests.empty() ? "(none)" : requests.front().line.c_str());
    std::printf("Logger32 notified:           \"%s\", wParam %llu\n", kLoggerMessageName,
                static_cast<unsigned long long>(notes.front().wParam));
    std::printf("Lookup.dat:                  %s\n",
                WithoutLineEnd(ReadFileBytes(folder.ReplyPath())).c_str());
    std::printf("Extended message:            %s\n",
                reply->Texts().empty() ? "(none)" : reply->Texts().front().c_str());
    std::fflush(stdout);

    if (HWND main = addon.MainWindow()) {
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
    if (!addon.WaitForExit(10000)) {
        addon.Terminate();
        return Fail("the program did not end when its window was closed");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string callsign = argc > 1 ? argv[1] : "N0CALL";
    if (callsign.empty()) {
        return Fail("empty callsign");
    }
    return Run(callsign);
}
