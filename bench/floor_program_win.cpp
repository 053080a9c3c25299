#include "bench/floor_program_win.h"

#include "tests/e2e/addon_win.h"
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
    PROCESS_INFORMATION pi = {};
    const std::string exe = e2e::JoinPath(e2e::OwnFolder(), kExe);
    if (!e2e::StartQuietProcess(
            exe, "\"" + exe + "\" \"" + settingsPath + "\" 127.0.0.1 " + std::to_string(port),
            folder, &pi, error)) {
        return false;
    }
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    // Looked for every millisecond, as the bench looks for the add-on's window, so that the
    // start-up figures of both compare.
    const ULONGLONG end = GetTickCount64() + 15000;
    bool shown = false;
    while (!shown && GetTickCount64() < end) {
        e2e::PumpMessages();
        window_ = FindOwnedBy(pid_);
        shown = (window_ && IsWindowVisible(window_)) ||
                WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
        if (!shown) {
            Sleep(1);
        }
    }
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
