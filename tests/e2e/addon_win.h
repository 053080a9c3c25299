// The program under test: a folder of its own holding a copy of the program and its settings
// file, and the running program, driven through its inbound message like the logger drives it.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/files_win.h"
#include "tests/e2e/names_win.h"

namespace e2e {

// The stored form of a password: every byte raised by one.
std::string ScrambledPassword(const std::string& clear);
// A settings file with an account (password stored scrambled, "Not Set" kept as it is) and the
// two service addresses.
// Starts `exe` with `commandLine` in `folder`, its standard handles NUL, so that it never holds
// the test's output open. False, with `error` saying why, when it could not be started.
bool StartQuietProcess(const std::string& exe, std::string commandLine, const std::string& folder,
                       PROCESS_INFORMATION* started, std::string* error);

std::string SettingsText(const std::string& user, const std::string& clearPassword,
                         const std::string& lookupUrl, const std::string& updateUrl);

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

}  // namespace e2e
