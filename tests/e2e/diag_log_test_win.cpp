// The diagnostics log: off by default, one line per request and per reply-file failure with
// every field, the password in no form, the roll-over at 1 MiB, and a log that cannot be
// written changing nothing.
#include "tests/e2e/road_fixture_win.h"

#include <cctype>
#include <cstdio>

#include "common/handles_win.h"

namespace e2e {
namespace {

constexpr const char* kLogName = "QuendixLookup.log";
constexpr const char* kOldLogName = "QuendixLookup.log.old";
constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
constexpr const char* kLogOn = "[Lookup]\r\nLog=1\r\n";

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX, as the request carries a value.
std::string PercentEncodedPassword(const std::string& clear) {
    std::string out;
    for (unsigned char c : clear) {
        if (isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

bool AllDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// One line of the log, split into its fields.
struct Line {
    std::string time, event, callsign, url, result, bytes, outcome, ms, proxy, keptDays;
};

class DiagnosticsLog : public AddOnTest {
  protected:
    std::string LogPath() const { return JoinPath(folder_.Path(), kLogName); }
    std::string OldLogPath() const { return JoinPath(folder_.Path(), kOldLogName); }

    // The sample database for look-ups and version 1.2.4 (not newer) on the update server.
    void Serve() {
        server_.SetResponder([](const RecordedRequest& r) {
            return r.path == kUpdatePath ? Answer("1.2.4") : SampleDatabase(r);
        });
    }

    void PrepareStandardFolderWithLog() {
        Serve();
        const std::string settings = StandardSettings() + kLogOn;
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    }

    void StartWith(const std::string& settings) {
        Serve();
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
    }

    // A look-up that ends with the logger's notification and no box.
    void LookUp(const std::string& callsign, size_t notification) {
        ASSERT_TRUE(addon_->Type(callsign));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(notification))
            << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
    }

    // The log's lines; each must end with CR LF and hold exactly ten fields.
    std::vector<Line> LogLines() const {
        const std::string text = ReadFileBytes(LogPath());
        std::vector<Line> lines;
        if (text.empty()) {
            return lines;
        }
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << Visible(text);
        for (const std::string& raw : Split(text.substr(0, text.size() - 2), "\r\n")) {
            const auto f = Split(raw, "|");
            EXPECT_EQ(f.size(), 10u) << Visible(raw);
            if (f.size() != 10) {
                continue;
            }
            lines.push_back(Line{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]});
            // A request that opened a session names the route it took; only a kept answer has
            // an age.
            const Line& l = lines.back();
            if (l.event == "reply file") {
                EXPECT_EQ(l.proxy, "") << Visible(raw);
            } else if (l.result.rfind("HTTP ", 0) == 0) {
                EXPECT_EQ(l.proxy, "direct") << Visible(raw);
            }
            if (l.outcome == "kept answer") {
                EXPECT_TRUE(AllDigits(l.keptDays)) << Visible(raw);
            } else {
                EXPECT_EQ(l.keptDays, "") << Visible(raw);
            }
        }
        return lines;
    }

    // The fields every line shares: the local time with milliseconds and a time taken.
    static void ExpectTimeFields(const Line& l) {
        ASSERT_EQ(l.time.size(), 23u) << l.time;
        EXPECT_EQ(l.time[4], '-');
        EXPECT_EQ(l.time[10], 'T');
        EXPECT_EQ(l.time[13], ':');
        EXPECT_EQ(l.time[19], '.');
        EXPECT_TRUE(AllDigits(l.time.substr(0, 4) + l.time.substr(20))) << l.time;
        SYSTEMTIME now = {};
        GetLocalTime(&now);
        char today[16];
        snprintf(today, sizeof today, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
        EXPECT_EQ(l.time.substr(0, 10), today) << "not the local date";
        EXPECT_TRUE(AllDigits(l.ms)) << l.ms;
    }

    void ExpectLookupLine(const Line& l, const std::string& callsign, const std::string& encoded,
                          const std::string& body, const char* outcome) {
        SCOPED_TRACE(callsign + " " + outcome);
        ExpectTimeFields(l);
        EXPECT_EQ(l.event, "lookup");
        EXPECT_EQ(l.callsign, callsign);
        EXPECT_EQ(l.url, server_.BaseUrl() + CallTarget(kUser, "***", encoded));
        EXPECT_EQ(l.result, "HTTP 200");
        EXPECT_EQ(l.bytes, std::to_string(body.size()));
        EXPECT_EQ(l.outcome, outcome);
    }
};

TEST_F(DiagnosticsLog, OffByDefaultAndForValuesOtherThanOne) {
    ASSERT_NO_FATAL_FAILURE(StartWith(StandardSettings()));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 1));
    ASSERT_TRUE(
        WriteFileBytes(folder_.SettingsPath(), StandardSettings() + "[Lookup]\r\nLog=yes\r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    EXPECT_FALSE(FileExists(LogPath()));
    EXPECT_FALSE(FileExists(OldLogPath()));
    // Read at every run: " 1 " switches it on without a restart.
    ASSERT_TRUE(
        WriteFileBytes(folder_.SettingsPath(), StandardSettings() + "[Lookup]\r\nLog= 1 \r\n"));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(DiagnosticsLog, EachOutcomeWithItsFields) {
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));  // the update check is due
    ASSERT_NO_FATAL_FAILURE(StartWith(StandardSettings() + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 2));
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 3));

    // No session: the service's port is closed (and no answer is kept for the call).
    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(),
                               SettingsText(kUser, kPassword, closed, closed) + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 4));

    // The reply file cannot be written: a folder stands in its place.
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), StandardSettings() + kLogOn));
    ASSERT_TRUE(DeleteFileA(ReplyPath().c_str()));
    ASSERT_TRUE(CreateDirectoryA(ReplyPath().c_str(), nullptr));
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    ASSERT_NE(box, nullptr) << "no write-failure box";
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitGone(box));
    ASSERT_TRUE(RemoveDirectoryA(ReplyPath().c_str()));

    // The account error, last: it unloads the main window.
    server_.SetResponder([](const RecordedRequest&) { return Answer("ERROR"); });
    ASSERT_TRUE(addon_->Type("K1ERR"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND error = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    ASSERT_NE(error, nullptr) << "no account-error box";
    ASSERT_TRUE(PressButton(error, IDOK));
    ASSERT_TRUE(WaitForNotifications(5))
        << ProcessNote();  // the run that could not write told nobody

    const std::vector<Line> lines = LogLines();
    ASSERT_GE(lines.size(), 8u);
    const Line& update = lines[0];
    ExpectTimeFields(update);
    EXPECT_EQ(update.event, "update check");
    EXPECT_EQ(update.callsign, "");
    EXPECT_EQ(update.url, server_.BaseUrl() + kUpdatePath);
    EXPECT_EQ(update.result, "HTTP 200");
    EXPECT_EQ(update.bytes, "5");
    EXPECT_EQ(update.outcome, "found");

    ExpectLookupLine(lines[1], "N0CALL", "N0CALL", WorkedBody(), "found");
    ExpectLookupLine(lines[2], "N0CALL/P", "N0CALL%2FP", "NOT FOUND", "base-call retry");
    ExpectLookupLine(lines[3], "N0CALL", "N0CALL", WorkedBody(), "found");
    ExpectLookupLine(lines[4], "K9ZZZ", "K9ZZZ", "NOT FOUND", "not found");

    const Line& noSession = lines[5];
    ExpectTimeFields(noSession);
    EXPECT_EQ(noSession.event, "lookup");
    EXPECT_EQ(noSession.url, closed + CallTarget(kUser, "***", "K9ZZZ"));
    EXPECT_EQ(noSession.result.rfind("error 12029 ", 0), 0u) << noSession.result;
    EXPECT_GT(noSession.result.size(), std::string("error 12029 ").size()) << "no error text";
    EXPECT_EQ(noSession.bytes, "0");
    EXPECT_EQ(noSession.outcome, "no session");

    ExpectLookupLine(lines[6], "N0CALL", "N0CALL", WorkedBody(), "found");
    const Line& write = lines[7];
    ExpectTimeFields(write);
    EXPECT_EQ(write.event, "reply file");
    EXPECT_EQ(write.callsign, "N0CALL");
    EXPECT_EQ(write.url, "");
    EXPECT_EQ(write.result.rfind("error ", 0), 0u) << write.result;
    EXPECT_EQ(write.outcome, "write failed");

    ASSERT_EQ(lines.size(), 9u);
    ExpectLookupLine(lines[8], "K1ERR", "K1ERR", "ERROR", "account error");
}

// The password never reaches the log: not in clear, not scrambled as the settings file holds
// it, not percent-encoded as the request carries it; on a found, a retried and a failed
// request alike.
TEST_F(DiagnosticsLog, PasswordAppearsInNoForm) {
    const std::string password = "Zq7&w0rd";
    ASSERT_NO_FATAL_FAILURE(
        StartWith(SettingsText(kUser, password, server_.BaseUrl(), server_.BaseUrl()) + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 2));
    const std::string closed = "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(),
                               SettingsText(kUser, password, closed, closed) + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 3));
    ASSERT_EQ(QueryValue(Calls().at(0).target, "password"), password);

    const std::string log = ReadFileBytes(LogPath());
    EXPECT_EQ(LogLines().size(), 4u) << Visible(log);
    for (const std::string& form :
         {password, ScrambledPassword(password), PercentEncodedPassword(password)}) {
        EXPECT_EQ(log.find(form), std::string::npos) << Visible(form) << " in " << Visible(log);
    }
    EXPECT_NE(log.find("&password=***&"), std::string::npos) << Visible(log);
}

// A log that would pass 1 MiB is renamed to the old log, replacing an older one, and the line
// begins a new file.
TEST_F(DiagnosticsLog, RollsOverAtOneMebibyte) {
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolderWithLog());
    std::string full;
    const std::string filler = std::string(98, 'x') + "\r\n";
    while (full.size() + filler.size() <= 1024 * 1024 - 40) {
        full += filler;
    }
    ASSERT_TRUE(WriteFileBytes(LogPath(), full));
    ASSERT_TRUE(WriteFileBytes(OldLogPath(), "older log\r\n"));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    const std::string old = ReadFileBytes(OldLogPath());
    EXPECT_EQ(old.size(), full.size());
    EXPECT_TRUE(old == full) << "the old log is not the full one";
    const std::vector<Line> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].callsign, "N0CALL");

    // The new file grows as usual below the limit.
    ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 2));
    EXPECT_EQ(LogLines().size(), 2u);
    EXPECT_EQ(ReadFileBytes(OldLogPath()).size(), full.size());
}

// A log that cannot be written (a folder of that name, then a file another program holds)
// changes nothing the run does.
TEST_F(DiagnosticsLog, UnwritableLogChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolderWithLog());
    ASSERT_TRUE(CreateDirectoryA(LogPath().c_str(), nullptr));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL/P", 1));
    std::string line = kWorkedLine;
    line.replace(0, 6, "N0CALL/P");
    EXPECT_EQ(Visible(LookupDat()), Visible(line + "\r\n"));
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL/P", "N0CALL"}));

    ASSERT_TRUE(RemoveDirectoryA(LogPath().c_str()));
    ASSERT_TRUE(WriteFileBytes(LogPath(), "kept\r\n"));
    {
        // Another program holds the file open and shares it with nobody.
        common::UniqueFile held(CreateFileA(LogPath().c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held) << "cannot hold the log";
        ASSERT_NO_FATAL_FAILURE(LookUp("K9ZZZ", 2));
    }
    EXPECT_EQ(Visible(LookupDat()), Visible("K9ZZZ not found in lookup database|\r\n"));
    EXPECT_EQ(ReadFileBytes(LogPath()), "kept\r\n");
    EXPECT_TRUE(addon_->Running());
}

// One system DLL disabled for the program under Wine (as on a system that lacks it), through
// Wine's per-program DLL overrides, read whenever the program loads a DLL; removed when this
// goes. The environment cannot do it: Wine takes WINEDLLOVERRIDES from the Unix side only.
class DisabledDll {
  public:
    explicit DisabledDll(const char* dll) {
        ok_ = RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, dll, REG_SZ, "", 1) == ERROR_SUCCESS;
    }
    ~DisabledDll() { RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey); }
    DisabledDll(const DisabledDll&) = delete;
    DisabledDll& operator=(const DisabledDll&) = delete;
    bool Ok() const { return ok_; }

    static bool UnderWine() {
        return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    }

  private:
    static constexpr const char* kAppKey = "Software\\Wine\\AppDefaults\\QuendixInternetLookup.exe";
    static constexpr const char* kOverrides =
        "Software\\Wine\\AppDefaults\\QuendixInternetLookup.exe\\DllOverrides";
    bool ok_ = false;
};

TEST_F(DiagnosticsLog, WithoutWinInetALookUpAnswersNoSessionAndSaysWhy) {
    if (!DisabledDll::UnderWine()) {
        GTEST_SKIP() << "DLLs are disabled through Wine";
    }
    DisabledDll off("wininet");
    ASSERT_TRUE(off.Ok());
    ASSERT_NO_FATAL_FAILURE(StartWith(StandardSettings() + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(LookupDat(), "N0CALLNo Internet session in progress.\r\n");
    EXPECT_TRUE(server_.Requests().empty());
    const std::vector<Line> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].result.rfind("error 126 ", 0), 0u) << lines[0].result;
    EXPECT_EQ(lines[0].outcome, "no session");
    EXPECT_TRUE(addon_->Running());
}

TEST_F(DiagnosticsLog, WithoutOleAutomationTheUpdateCheckIsSkipped) {
    if (!DisabledDll::UnderWine()) {
        GTEST_SKIP() << "DLLs are disabled through Wine";
    }
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));  // the update check is due
    DisabledDll off("oleaut32");
    ASSERT_TRUE(off.Ok());
    ASSERT_NO_FATAL_FAILURE(StartWith(StandardSettings() + kLogOn));
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
    EXPECT_EQ(LookupDat(), kWorkedLine + "\r\n");
    EXPECT_TRUE(server_.RequestsFor(kUpdatePath).empty());
    std::string stored;
    ASSERT_TRUE(ReadLastCheckText(&stored));
    EXPECT_EQ(stored, "01/04/2009 7:59:00 PM");
}

}  // namespace
}  // namespace e2e
