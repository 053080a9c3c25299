// Files that another program holds for a moment, as a virus scanner or a backup tool holds a
// file it has just seen change: the kept answers, their temporary file and the log are waited
// for, and nothing is lost; a folder that cannot be written is not waited for.
#include "tests/e2e/network_fixture_win.h"

#include <cstdlib>

namespace e2e {
namespace {

constexpr DWORD kHoldMs = 600;
constexpr const char* kTempCacheName = "QuendixLookup.cache.tmp";

// Another program's hold: the file open for reading with the given sharing until let go.
class HeldFile {
  public:
    HeldFile(const std::string& path, DWORD sharing)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Ok() const { return file_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (Ok()) {
            CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE file_;
};

// The worked example's answer for whatever callsign is asked.
CannedAnswer WorkedAnswerFor(const RecordedRequest& request) {
    std::string body = WorkedBody();
    body.replace(0, 6, QueryValue(request.target, "callsign"));
    return Answer(body);
}

std::string WorkedLineFor(const std::string& callsign) {
    return callsign + kWorkedLine.substr(6) + "\r\n";
}

class HeldFiles : public Network {
  protected:
    std::string ClosedBase() const {
        return "http://127.0.0.1:" + std::to_string(StandInServer::ClosedPort());
    }
    std::string LogPath() const { return JoinPath(folder_.Path(), kLogName); }

    // The lines of the log of the given event.
    std::vector<std::vector<std::string>> LogLinesOf(const std::string& event) const {
        std::vector<std::vector<std::string>> lines;
        for (const auto& line : LogLines()) {
            if (line.size() > 1 && line[1] == event) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // The keys of the kept answers, in file order.
    std::vector<std::string> KeptKeys() const {
        std::vector<std::string> keys;
        for (const kept::KeptAnswer& entry : kept::ParseCache(ReadKeptFile()).entries) {
            keys.push_back(entry.key);
        }
        return keys;
    }

    // K1ABC found and kept: the answer that must survive what follows.
    void EarlierAnswerKept() {
        server_.SetResponder(WorkedAnswerFor);
        ASSERT_NO_FATAL_FAILURE(LookUp("K1ABC", 1));
        ASSERT_TRUE(WaitUntil([&] { return KeptKeys().size() == 1; }, 5000)) << "nothing kept";
    }

    // Looks up `callsign` as look-up `n` with `path` held as a scanner holds it, and lets it go
    // kHoldMs after the logger was told, while the answer is being kept. The log's line for the
    // kept file then says that it was written after more than one try.
    void LookUpWhileHeld(const std::string& path, const std::string& callsign, size_t n) {
        const size_t linesBefore = LogLinesOf("kept answers").size();
        HeldFile held(path, FILE_SHARE_READ);
        ASSERT_TRUE(held.Ok()) << "cannot open " << path;
        ASSERT_NO_FATAL_FAILURE(LookUp(callsign, n));
        PumpFor(kHoldMs);
        held.Release();
        ASSERT_TRUE(
            WaitUntil([&] { return LogLinesOf("kept answers").size() > linesBefore; }, 5000))
            << "no line for the kept file; the log:\n"
            << ReadFileBytes(LogPath());
        const auto line = LogLinesOf("kept answers").back();
        ASSERT_EQ(line.size(), 10u);
        EXPECT_EQ(line[2], callsign);
        EXPECT_EQ(line[4], "") << "an error";
        unsigned tries = 0;
        EXPECT_EQ(std::sscanf(line[6].c_str(), "written after %u tries", &tries), 1) << line[6];
        EXPECT_GT(tries, 1u);
    }

    // With the service gone: each callsign gets its kept line, or the no-session text for none.
    void ExpectKeptWithTheServiceGone(const std::vector<std::string>& kept,
                                      const std::string& dropped, size_t n) {
        ASSERT_NO_FATAL_FAILURE(PointAt(ClosedBase()));
        for (const std::string& callsign : kept) {
            ASSERT_NO_FATAL_FAILURE(LookUp(callsign, ++n));
            EXPECT_EQ(Visible(LookupDat()), Visible(WorkedLineFor(callsign))) << callsign;
        }
        if (!dropped.empty()) {
            ASSERT_NO_FATAL_FAILURE(LookUp(dropped, ++n));
            EXPECT_EQ(Visible(LookupDat()),
                      Visible(dropped + "No Internet session in progress.\r\n"));
        }
    }
};

// The kept file held for reading (no sharing of writes or deletes) while a found answer is kept:
// the move of the new file over it waits, the answer is kept, and the earlier one stays.
TEST_F(HeldFiles, AnAnswerIsKeptWhileTheFileIsHeld) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(EarlierAnswerKept());
    ASSERT_NO_FATAL_FAILURE(LookUpWhileHeld(CachePath(), "N0CALL", 2));
    EXPECT_EQ(KeptKeys(), (std::vector<std::string>{"K1ABC", "N0CALL"}));
    ASSERT_NO_FATAL_FAILURE(ExpectKeptWithTheServiceGone({"N0CALL", "K1ABC"}, "", 2));
}

// The temporary file held as the new content goes through it (a scanner still looking at the one
// it saw last): the write waits for it, the answer is kept, and the earlier one stays.
TEST_F(HeldFiles, AnAnswerIsKeptWhileTheTemporaryFileIsHeld) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(EarlierAnswerKept());
    const std::string temp = JoinPath(folder_.Path(), kTempCacheName);
    ASSERT_TRUE(WriteFileBytes(temp, "seen last"));
    ASSERT_NO_FATAL_FAILURE(LookUpWhileHeld(temp, "N0CALL", 2));
    EXPECT_EQ(KeptKeys(), (std::vector<std::string>{"K1ABC", "N0CALL"}));
    EXPECT_FALSE(FileExists(temp));
    ASSERT_NO_FATAL_FAILURE(ExpectKeptWithTheServiceGone({"N0CALL", "K1ABC"}, "", 2));
}

// A not-found while the kept file is held: the withdrawn answer is dropped all the same, and the
// other one stays.
TEST_F(HeldFiles, AWithdrawnAnswerIsDroppedWhileTheFileIsHeld) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(EarlierAnswerKept());
    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    ASSERT_TRUE(WaitUntil([&] { return KeptKeys().size() == 2; }, 5000)) << "N0CALL not kept";

    server_.SetResponder([](const RecordedRequest& r) {
        return QueryValue(r.target, "callsign") == "N0CALL" ? Answer("NOT FOUND")
                                                            : WorkedAnswerFor(r);
    });
    ASSERT_NO_FATAL_FAILURE(LookUpWhileHeld(CachePath(), "N0CALL", 3));
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALL not found in lookup database|\r\n"));
    EXPECT_EQ(KeptKeys(), (std::vector<std::string>{"K1ABC"}));
    ASSERT_NO_FATAL_FAILURE(ExpectKeptWithTheServiceGone({"K1ABC"}, "N0CALL", 3));
}

// The log held for a moment while a look-up adds its line: the line is written once the log is
// let go, and the log's own wait gets no line.
TEST_F(HeldFiles, TheLogWaitsForAMomentsHold) {
    ASSERT_NO_FATAL_FAILURE(Start());
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(LookUp("K1ABC", 1));
    ASSERT_EQ(LogLines().size(), 1u);

    HeldFile held(LogPath(), FILE_SHARE_READ);
    ASSERT_TRUE(held.Ok());
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitUntil([&] { return Calls().size() == 2; }, kRunTimeoutMs));
    PumpFor(200);
    held.Release();
    ASSERT_TRUE(WaitForNotifications(2)) << ProcessNote();
    PumpFor(300);
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u) << Visible(ReadFileBytes(LogPath()));
    EXPECT_EQ(lines[1][2], "N0CALL");
    EXPECT_EQ(lines[1][6], "found");
}

// Starts /usr/bin/chattr through Wine on the folder's Unix name: `+i` makes the folder refuse
// new, renamed and deleted entries even to root (as a folder of Program Files does to a user),
// `-i` ends that. Wine neither waits for a Unix program nor gives its exit code, so this waits
// until a new file in the folder is refused (or allowed) as asked. "" when done, else why it
// cannot be done here.
std::string SetFolderImmutable(const std::string& folder, bool on) {
    // Wine's own exports of kernel32.
    using UnixName = char*(WINAPI*)(const WCHAR*);
    using DosName = WCHAR*(WINAPI*)(const char*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    const auto dosName = reinterpret_cast<DosName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (!unixName || !dosName) {
        return "not under Wine";
    }
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
    char* unixFolder = unixName(wide);
    WCHAR* chattr = dosName("/usr/bin/chattr");
    if (!unixFolder || !chattr) {
        return "no Unix name for " + folder + " or /usr/bin/chattr";
    }
    std::wstring commandLine = L"chattr ";
    commandLine += on ? L"+i " : L"-i ";
    WCHAR unixWide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_UTF8, 0, unixFolder, -1, unixWide, MAX_PATH * 2);
    commandLine += std::wstring(L"\"") + unixWide + L"\"";
    HeapFree(GetProcessHeap(), 0, unixFolder);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessW(chattr, &commandLine[0], nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &si, &pi);
    HeapFree(GetProcessHeap(), 0, chattr);
    if (!started) {
        return "chattr not started, error " + std::to_string(GetLastError());
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Each probe is a new name: one made just before the folder turned cannot be deleted, and a
    // file that is there can still be written.
    int probes = 0;
    const bool done = WaitUntil(
        [&] {
            const std::string probe = JoinPath(folder, "probe" + std::to_string(++probes));
            HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            const bool made = file != INVALID_HANDLE_VALUE;
            if (made) {
                CloseHandle(file);
                DeleteFileA(probe.c_str());
            }
            return made != on;
        },
        5000);
    return done ? std::string() : "chattr had no effect";
}

// The program's folder made unwritable (no new entry, no rename) after a first look-up began the
// log: the temporary file of the kept answers is refused with access denied, which no waiting
// clears, so the answer is not kept and the log says so at the first try.
TEST_F(HeldFiles, AFolderThatCannotBeWrittenIsNotWaitedFor) {
    settings_ = StandardSettings() + "[Lookup]\r\nLog=1\r\n";
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings_));
    ASSERT_NO_FATAL_FAILURE(UseWorkFolder());
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    server_.SetResponder(WorkedAnswerFor);
    ASSERT_NO_FATAL_FAILURE(LookUp("K1ABC", 1));
    ASSERT_TRUE(WaitUntil([&] { return KeptKeys().size() == 1; }, 5000)) << "nothing kept";
    const std::string before = ReadKeptFile();

    struct Undo {
        std::string folder;
        ~Undo() { SetFolderImmutable(folder, false); }
    } undo{folder_.Path()};
    const std::string refused = SetFolderImmutable(folder_.Path(), true);
    if (!refused.empty()) {
        GTEST_SKIP() << "the folder cannot be made unwritable here: " << refused;
    }

    ASSERT_NO_FATAL_FAILURE(LookUp("N0CALL", 2));
    const ULONGLONG notified = GetTickCount64();
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedReply));
    ASSERT_TRUE(WaitUntil([&] { return !LogLinesOf("kept answers").empty(); }, 5000))
        << Visible(ReadFileBytes(LogPath()));
    const ULONGLONG elapsed = GetTickCount64() - notified;
    const auto line = LogLinesOf("kept answers").back();
    ASSERT_EQ(line.size(), 10u);
    EXPECT_EQ(line[4].rfind("error 5 ", 0), 0u) << line[4];
    EXPECT_EQ(line[6], "not written") << "waited for";
    // The answer is kept once the logger has been told; a wait under the lock would take a
    // second more (kept::kLockedRetryMs).
    EXPECT_LT(elapsed, 900u);
    EXPECT_EQ(ReadKeptFile(), before);
}

}  // namespace
}  // namespace e2e
