// Shared set-up of the tests of look-ups when the network is not simple: the kept-answers file,
// the log's last line, the service moved away or answering something else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kept/answer_cache.h"
#include "tests/e2e/road_fixture_win.h"

namespace e2e {

inline constexpr const char* kCacheName = "QuendixLookup.cache";
inline constexpr const char* kBadCacheName = "QuendixLookup.cache.bad";
inline constexpr const char* kLogName = "QuendixLookup.log";
inline const std::string kNoSession = "N0CALLNo Internet session in progress.\r\n";
inline const std::string kWorkedReply = kWorkedLine + "\r\n";

// Seconds since 1970 UTC, as the program stamps a kept answer.
inline std::int64_t UtcNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

class Network : public AddOnTest {
  protected:
    std::string CachePath() const { return JoinPath(folder_.Path(), kCacheName); }

    // The kept-answers file as the program leaves it: read under the lock that every add-on
    // process sharing the folder takes, so that the test never holds the file open while the
    // program puts a new one in its place (which the system then refuses).
    std::string ReadKeptFile() const {
        char full[MAX_PATH] = {};
        GetFullPathNameA(folder_.Path().c_str(), sizeof full, full, nullptr);
        HANDLE lock = CreateMutexA(nullptr, FALSE, kept::CacheLockName(full).c_str());
        const bool held = lock && WaitForSingleObject(lock, 5000) != WAIT_TIMEOUT;
        std::string bytes = ReadFileBytes(CachePath());
        if (held) {
            ReleaseMutex(lock);
        }
        if (lock) {
            CloseHandle(lock);
        }
        return bytes;
    }
    std::string BadCachePath() const { return JoinPath(folder_.Path(), kBadCacheName); }

    // Starts the program with the stand-in's addresses and `extra` lines of section Service
    // (then Lookup), the logger and the extended windows.
    void Start(const std::string& serviceLines = "", const std::string& lookupLines = "") {
        settings_ = StandardSettings() + serviceLines + "[Lookup]\r\nLog=1\r\n" + lookupLines;
        ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings_));
        CreateLogger();
        CreateExtended();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
        ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    }

    // Points the look-ups at `base` from the next run on (the settings are read at every run).
    void PointAt(const std::string& base) {
        std::string settings = settings_;
        const std::string from = "LookupURL=" + server_.BaseUrl();
        settings.replace(settings.find(from), from.size(), "LookupURL=" + base);
        ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), settings));
    }

    // A look-up that ends with the logger's notification number `n` and no box.
    void LookUp(const std::string& callsign, size_t n, DWORD timeoutMs = kRunTimeoutMs) {
        ASSERT_TRUE(addon_->Type(callsign));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(n, timeoutMs))
            << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
        ASSERT_TRUE(WaitForNotifications(n, 1000)) << ProcessNote();
    }

    // N0CALL found and its answer kept: the reply window got the extended line once.
    void FoundAndKept() {
        server_.SetAnswer("/call", Answer(WorkedBody()));
        ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 1));
        ASSERT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
        ASSERT_TRUE(WaitUntil([&] { return FileExists(CachePath()); }, 5000)) << "nothing kept";
    }

    // The fields of every line of the log, in order.
    std::vector<std::vector<std::string>> LogLines() const {
        std::vector<std::vector<std::string>> lines;
        for (const std::string& line :
             Split(ReadFileBytes(JoinPath(folder_.Path(), kLogName)), "\r\n")) {
            if (!line.empty()) {
                lines.push_back(Split(line, "|"));
            }
        }
        return lines;
    }

    // The fields of the log's last line.
    std::vector<std::string> LastLogLine() const {
        const std::string text = ReadFileBytes(JoinPath(folder_.Path(), kLogName));
        const auto end = text.rfind("\r\n");
        if (end == std::string::npos) {
            return {};
        }
        const auto start = text.rfind("\r\n", end - 1);
        const auto from = start == std::string::npos ? 0 : start + 2;
        return Split(text.substr(from, end - from), "|");
    }

    std::string settings_;
};

}  // namespace e2e
