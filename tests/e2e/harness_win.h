// Test harness for the program under Wine: a stand-in look-up service on 127.0.0.1, windows
// that play the logger and the extended-information program, a launcher that runs the program
// in a folder of its own, and message-box automation.
//
// Everything that waits pumps the calling thread's messages and has a time limit: the program
// sends WM_SETTEXT synchronously to windows of this thread, so a thread that blocks without
// pumping would hold the program (and itself) up.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <cstdint>
#include <vector>

namespace e2e {

// Names the program and its partners agree on.
inline constexpr const char* kLookupMessageName = "InternetCallsignLookup";
inline constexpr const char* kHostMessageName = "Logger32 1";
inline constexpr const char* kExtendedMessageName = "Extended Lookup Information";
inline constexpr const char* kHostTitle = "Logger32";
inline constexpr const char* kExtendedTitle = "Extended Lookup Information";
inline constexpr const char* kAppTitle = "Quendix Internet Lookup";
inline constexpr const char* kWatchdogTitle = "InternetCallsignLookup";
inline constexpr const char* kProductExe = "QuendixInternetLookup.exe";
inline constexpr const char* kSettingsName = "QuendixLookup.ini";
inline constexpr const char* kReplyFileName = "Lookup.dat";
inline constexpr const char* kLastCheckKey =
    "Software\\VB and VBA Program Settings\\QuendixInternetLookup\\Settings";
inline constexpr const char* kLastCheckValue = "wndInternetCallsignLookupLastUpdateCheck";

// Commands of the inbound message.
inline constexpr WPARAM kCmdChar = 1;
inline constexpr WPARAM kCmdLookup = 2;
inline constexpr WPARAM kCmdReplyWindow = 10;

// ---------------------------------------------------------------------------------------------
// Waiting.

// Dispatches every message waiting for this thread (sent messages included).
void PumpMessages();
// Pumps messages until `done` is true or `timeoutMs` has passed; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);
// Pumps messages for `ms` milliseconds.
void PumpFor(DWORD ms);

// ---------------------------------------------------------------------------------------------
// Files and settings.

// Folder of this test program (the program under test lies beside it), no trailing backslash.
std::string OwnFolder();
std::string JoinPath(const std::string& folder, const std::string& name);
bool FileExists(const std::string& path);
// The whole file as bytes; empty when missing (`exists` says which).
std::string ReadFileBytes(const std::string& path, bool* exists = nullptr);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool SetReadOnly(const std::string& path, bool readOnly);

// The stored form of a password: every byte raised by one.
std::string ScrambledPassword(const std::string& clear);
// A settings file with an account (password stored scrambled, "Not Set" kept as it is) and the
// two service addresses.
std::string SettingsText(const std::string& user, const std::string& clearPassword,
                         const std::string& lookupUrl, const std::string& updateUrl);
// A REG_SZ value (`name` null: the key's default value). Write creates the key as needed.
bool WriteRegistryText(HKEY root, const std::string& key, const char* name,
                       const std::string& value);
// False when the value is missing.
bool ReadRegistryText(HKEY root, const std::string& key, const char* name, std::string* value);

// The time of the last update check (per-user value), as stored text.
bool SetLastCheckText(const std::string& text);
// False when there is no value.
bool ReadLastCheckText(std::string* text);
// Stores "now" as the time of the last update check, so that no check runs.
bool MarkUpdateCheckedNow();

// A fresh folder under the temporary folder, removed with its content on destruction.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

// Removes a folder and everything in it (read-only files included). Retries for a moment when a
// file is still in use.
bool RemoveTree(const std::string& path);

// ---------------------------------------------------------------------------------------------
// Stand-in look-up service: HTTP/1.0 on 127.0.0.1, an ephemeral port, one thread for accepting
// and one per connection. Each connection lives at most kMaxConnectionMs.

struct CannedAnswer {
    enum class Mode {
        Answer,       // status line, headers, body
        NeverAnswer,  // read the request, then send nothing
    };
    Mode mode = Mode::Answer;
    int status = 200;
    std::string body;              // raw bytes
    DWORD delayMs = 0;             // pause after the request before anything is sent
    bool contentLength = true;     // send a Content-Length header
    size_t stallAfter = SIZE_MAX;  // body bytes sent before the connection stalls for good
    size_t pauseAfter = SIZE_MAX;  // body bytes sent before a pause of pauseMs, then the rest
    DWORD pauseMs = 0;
    DWORD trickleMs = 0;  // when set, the body goes byte by byte, each after this pause
};

struct RecordedRequest {
    std::string line;     // "GET /call?... HTTP/1.1"
    std::string method;   // "GET"
    std::string target;   // "/call?..."
    std::string path;     // "/call"
    std::string headers;  // the header lines as received
    ULONGLONG tick = 0;   // GetTickCount64 when the request was complete
    std::string Header(const std::string& name) const;  // value of a header, "" when absent
};

class StandInServer {
  public:
    static constexpr DWORD kMaxConnectionMs = 60000;

    StandInServer();
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    bool Start();
    void Stop();

    unsigned short Port() const { return port_; }
    std::string BaseUrl() const;  // "http://127.0.0.1:PORT"

    // The answer for a path (the target up to '?'). Paths without one get 404.
    void SetAnswer(const std::string& path, const CannedAnswer& answer);
    // Chooses the answer from the request itself; takes precedence over SetAnswer.
    void SetResponder(std::function<CannedAnswer(const RecordedRequest&)> responder);
    // Accept connections and never read from them.
    void SetNeverRead(bool neverRead) { neverRead_ = neverRead; }

    std::vector<RecordedRequest> Requests() const;
    std::vector<RecordedRequest> RequestsFor(const std::string& path) const;
    int Connections() const { return connections_; }

    // A port on 127.0.0.1 that nobody listens on.
    static unsigned short ClosedPort();

  private:
    void AcceptLoop();
    void Serve(SOCKET s);
    bool Alive(ULONGLONG born) const;
    void Hold(ULONGLONG born) const;

    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> neverRead_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::map<std::string, CannedAnswer> answers_;
    std::function<CannedAnswer(const RecordedRequest&)> responder_;
    std::vector<RecordedRequest> requests_;
};

// A port on 127.0.0.1 whose listen queue is full: the connection of a new client is never
// completed (its handshake goes unanswered) for as long as this object lives.
class FullListenQueue {
  public:
    FullListenQueue();
    ~FullListenQueue();
    FullListenQueue(const FullListenQueue&) = delete;
    FullListenQueue& operator=(const FullListenQueue&) = delete;

    // False when the queue could not be filled (the port then answers).
    bool Ok() const { return full_; }
    std::string BaseUrl() const;

  private:
    std::vector<uintptr_t> sockets_;  // the listener first, then the queued clients
    unsigned short port_ = 0;
    bool full_ = false;
};

// Percent-decodes a query value ("%2F" -> "/"); "+" stays "+".
std::string PercentDecode(const std::string& text);
// The value of a key in the query of a request target, decoded; "" when absent.
std::string QueryValue(const std::string& target, const std::string& key);

// ---------------------------------------------------------------------------------------------
// Windows of the partners, created hidden on the calling thread.

class FakeWindow {
  public:
    struct Received {
        std::string name;  // registered name of the message
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        ULONGLONG tick = 0;
        bool fileExisted = false;  // the snapshot file existed when the message arrived
        std::string fileBytes;     // its bytes at that moment
    };

    explicit FakeWindow(const std::string& title);
    ~FakeWindow();
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Records every message registered under `name`.
    void Watch(const std::string& name);
    // At each watched message, the bytes of this file are recorded too.
    void SnapshotOnMessage(const std::string& path) { snapshotPath_ = path; }

    std::vector<Received> Messages(const std::string& name) const;
    size_t Count(const std::string& name) const { return Messages(name).size(); }
    // Texts received by WM_SETTEXT (the window keeps its own title).
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::map<UINT, std::string> watched_;
    std::string snapshotPath_;
    std::vector<Received> received_;
    std::vector<std::string> texts_;
};

// The logger: "Logger32", recording "Logger32 1" with the bytes of Lookup.dat in `folder`.
std::unique_ptr<FakeWindow> MakeHost(const std::string& folder);
// The extended-information window, recording its announcements.
std::unique_ptr<FakeWindow> MakeExtendedWindow();
// A window that receives the extended line (named to the program with command 10).
std::unique_ptr<FakeWindow> MakeReplyWindow(const std::string& title = "Extended reply");

// ---------------------------------------------------------------------------------------------
// The program under test.

// A folder holding a copy of the program and, optionally, its settings file.
class AddOnFolder {
  public:
    AddOnFolder() = default;
    // Copies the program; writes the settings file unless `settings` is null.
    bool Prepare(const char* settings, std::string* error);
    const std::string& Path() const { return temp_.Path(); }
    std::string Exe() const { return JoinPath(Path(), kProductExe); }
    std::string SettingsPath() const { return JoinPath(Path(), kSettingsName); }
    std::string ReplyPath() const { return JoinPath(Path(), kReplyFileName); }

  private:
    TempFolder temp_;
};

class AddOn {
  public:
    explicit AddOn(const AddOnFolder& folder) : folder_(folder) {}
    ~AddOn();  // a program still running is terminated
    AddOn(const AddOn&) = delete;
    AddOn& operator=(const AddOn&) = delete;

    // The current directory the program starts in; the program's folder unless set.
    void SetCurrentFolder(const std::string& path) { currentFolder_ = path; }

    // Starts the program in its current directory, with NUL for its standard handles.
    bool Start(std::string* error);
    // Start() and wait for the main window.
    bool StartAndWait(std::string* error, DWORD timeoutMs = 15000);

    DWORD Pid() const { return pid_; }
    ULONGLONG StartTick() const { return startTick_; }
    bool Running() const;
    // True when the program was started and its process has ended; `exitCode` gets its code.
    bool Ended(DWORD* exitCode) const;
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Terminate();

    // The main window (by class and process, visible or not); null when there is none.
    HWND MainWindow() const;
    HWND WaitForMainWindow(DWORD timeoutMs);

    // The inbound message to the current main window. Send waits (pumping) for the result.
    bool Send(WPARAM command, LPARAM lParam, LRESULT* result = nullptr, DWORD timeoutMs = 40000);
    bool Post(WPARAM command, LPARAM lParam);
    // Command 1 for each byte of `callsign`, sent one by one.
    bool Type(const std::string& callsign);

    // A shown dialog (class #32770) of this process with the given title ("" = any title).
    HWND FindDialog(const std::string& title) const;
    HWND WaitForDialog(const std::string& title, DWORD timeoutMs);

  private:
    const AddOnFolder& folder_;
    std::string currentFolder_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    ULONGLONG startTick_ = 0;
};

// The registered id of the inbound message.
UINT LookupMessage();

// Threads of a process, from a Toolhelp snapshot; 0 when no snapshot could be taken.
int ThreadCount(DWORD pid);

// Text of another process's window or control (WM_GETTEXT, bounded in time).
std::string TextOf(HWND hwnd);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND dialog);
// Presses a dialog's button: posts BM_CLICK to the button, or WM_COMMAND when there is none.
bool PressButton(HWND dialog, int id);

// Byte-exact description of a text for failure messages: printable bytes as they are, others
// as \xNN, CR and LF as \r and \n.
std::string Visible(const std::string& bytes);

}  // namespace e2e
