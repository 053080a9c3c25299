#include "tests/e2e/addon_win.h"

#include <tlhelp32.h>

#include "host/main_window_win.h"
#include "tests/e2e/boxes_win.h"
#include "tests/e2e/wait_win.h"

namespace e2e {

std::string ScrambledPassword(const std::string& clear) {
    std::string out = clear;
    for (char& c : out) {
        c = static_cast<char>(static_cast<unsigned char>(c) + 1);
    }
    return out;
}

bool StartQuietProcess(const std::string& exe, std::string commandLine, const std::string& folder,
                       PROCESS_INFORMATION* started, std::string* error) {
    static const bool stdNotInherited = [] {
        for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
            HANDLE h = GetStdHandle(which);
            if (h && h != INVALID_HANDLE_VALUE) {
                SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
            }
        }
        return true;
    }();
    (void)stdNotInherited;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    if (nul == INVALID_HANDLE_VALUE) {
        *error = "cannot open NUL";
        return false;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    const BOOL ok = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                   folder.c_str(), &si, &pi);
    const DWORD lastError = GetLastError();
    CloseHandle(nul);
    if (!ok) {
        *error =
            "cannot start " + exe + ": CreateProcess failed, error " + std::to_string(lastError);
        return false;
    }
    CloseHandle(pi.hThread);
    pi.hThread = nullptr;
    *started = pi;
    return true;
}

std::string SettingsText(const std::string& user, const std::string& clearPassword,
                         const std::string& lookupUrl, const std::string& updateUrl) {
    const std::string stored =
        clearPassword == "Not Set" ? clearPassword : ScrambledPassword(clearPassword);
    return "[Settings]\r\nUserName=" + user + "\r\nPassword=" + stored +
           "\r\n[Service]\r\nLookupURL=" + lookupUrl + "\r\nUpdateURL=" + updateUrl + "\r\n";
}

bool AddOnFolder::Prepare(const char* settings, std::string* error) {
    if (!temp_.Ok()) {
        *error = "no temporary folder";
        return false;
    }
    const std::string source = JoinPath(OwnFolder(), kProductExe);
    if (!CopyFileA(source.c_str(), Exe().c_str(), FALSE)) {
        *error = "cannot copy " + source + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    if (settings && !WriteFileBytes(SettingsPath(), settings)) {
        *error = "cannot write " + SettingsPath();
        return false;
    }
    return true;
}

AddOn::~AddOn() {
    Terminate();
}

bool AddOn::Start(std::string* error) {
    PROCESS_INFORMATION pi = {};
    const std::string exe = folder_.Exe();
    const std::string& current = currentFolder_.empty() ? folder_.Path() : currentFolder_;
    if (!StartQuietProcess(exe, "\"" + exe + "\"", current, &pi, error)) {
        return false;
    }
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    startTick_ = GetTickCount64();
    return true;
}

bool AddOn::StartAndWait(std::string* error, DWORD timeoutMs) {
    if (!Start(error)) {
        return false;
    }
    if (!WaitForMainWindow(timeoutMs)) {
        *error = "the main window did not appear within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    // The window exists before its start-up has run; it is shown (minimised) once that is done
    // and its button is in place.
    if (!WaitUntil([&] { return IsWindowVisible(MainWindow()) || !Running(); }, timeoutMs) ||
        !Running()) {
        *error = "the main window was not shown within " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    return true;
}

bool AddOn::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool AddOn::Ended(DWORD* exitCode) const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(process_, exitCode);
}

bool AddOn::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) {
        return false;
    }
    const bool ended = WaitUntil([&] { return !Running(); }, timeoutMs);
    if (ended && exitCode) {
        GetExitCodeProcess(process_, exitCode);
    }
    return ended;
}

void AddOn::Terminate() {
    if (!process_) {
        return;
    }
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* className;
    std::string title;
    bool anyTitle;
    bool visibleOnly;
    HWND found;
};

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || ClassOf(hwnd) != search->className) {
        return TRUE;
    }
    if (search->visibleOnly && !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if (!search->anyTitle && TextOf(hwnd) != search->title) {
        return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND AddOn::MainWindow() const {
    if (!pid_) {
        return nullptr;
    }
    WindowSearch search = {pid_, host::kMainWindowClass, "", true, false, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AddOn::WaitForMainWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = MainWindow()) != nullptr || !Running(); }, timeoutMs);
    return found;
}

UINT LookupMessage() {
    static const UINT id = RegisterWindowMessageA(kLookupMessageName);
    return id;
}

bool AddOn::Send(WPARAM command, LPARAM lParam, LRESULT* result, DWORD timeoutMs) {
    HWND main = MainWindow();
    if (!main) {
        return false;
    }
    // SendMessageTimeout lets this thread handle messages sent to it meanwhile (the extended
    // line); posted ones (the notification) wait for the next pump.
    DWORD_PTR answer = 0;
    const LRESULT ok = SendMessageTimeoutA(main, LookupMessage(), command, lParam, SMTO_NORMAL,
                                           timeoutMs, &answer);
    if (result) {
        *result = static_cast<LRESULT>(answer);
    }
    return ok != 0;
}

bool AddOn::Post(WPARAM command, LPARAM lParam) {
    HWND main = MainWindow();
    return main && PostMessageA(main, LookupMessage(), command, lParam);
}

bool AddOn::Type(const std::string& callsign) {
    for (unsigned char c : callsign) {
        if (!Send(kCmdChar, c, nullptr, 5000)) {
            return false;
        }
    }
    return true;
}

HWND AddOn::FindDialog(const std::string& title) const {
    if (!pid_) {
        return nullptr;
    }
    // A box being closed is hidden before it is destroyed: only shown ones count.
    WindowSearch search = {pid_, "#32770", title, title.empty(), true, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND AddOn::WaitForDialog(const std::string& title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(title)) != nullptr || !Running(); }, timeoutMs);
    return found;
}

int ThreadCount(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == pid ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

}  // namespace e2e
