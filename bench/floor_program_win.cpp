#include "bench/floor_program_win.h"

#include "tests/e2e/files_win.h"
#include "tests/e2e/wait_win.h"

namespace {

constexpr const char* kClass = "LookupFloorWindow";

HWND FindOwnedBy(DWORD pid) {
    for (HWND w = FindWindowExA(nullptr, nullptr, kClass, nullptr); w;
         w = FindWindowExA(nullptr, w, kClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

FloorProgram::~FloorProgram() {
    Stop();
}

bool FloorProgram::Start(const std::string& folder, const std::string& settingsPath,
                         unsigned short port, std::string* error) {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        HANDLE h = GetStdHandle(which);
        if (h && h != INVALID_HANDLE_VALUE) {
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
        }
    }
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
    const std::string exe = e2e::JoinPath(e2e::OwnFolder(), kExe);
    std::string commandLine =
        "\"" + exe + "\" \"" + settingsPath + "\" 127.0.0.1 " + std::to_string(port);
    const BOOL ok = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                   folder.c_str(), &si, &pi);
    CloseHandle(nul);
    if (!ok) {
        *error = "cannot start " + exe;
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    const bool shown = e2e::WaitUntil(
        [&] {
            window_ = FindOwnedBy(pid_);
            return (window_ && IsWindowVisible(window_)) ||
                   WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
        },
        15000);
    if (!shown || !window_ || !IsWindowVisible(window_)) {
        *error = "the floor program's window did not appear";
        return false;
    }
    return true;
}

bool FloorProgram::Stop() {
    if (!process_) {
        return true;
    }
    if (window_) {
        PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    const bool ended =
        e2e::WaitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }, 10000);
    if (!ended) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    window_ = nullptr;
    return ended;
}
