#include "tests/e2e/ui_helpers_win.h"

#include <oleauto.h>

#include "about/about_win.h"

namespace e2e {
namespace {

std::string ClassOfWindow(HWND hwnd) {
    char name[256] = {};
    const int n = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

struct AboutSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectAbout(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<AboutSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && ClassOfWindow(hwnd) == about::kAboutWindowClass) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

// The shell's command for a protocol lives in the machine-wide classes under Wine.
std::string CommandKey(const std::string& protocol) {
    return "Software\\Classes\\" + protocol + "\\shell\\open\\command";
}

bool ReadDefault(const std::string& key, std::string* value) {
    return ReadRegistryText(HKEY_LOCAL_MACHINE, key, nullptr, value);
}

bool WriteDefault(const std::string& key, const std::string& value) {
    return WriteRegistryText(HKEY_LOCAL_MACHINE, key, nullptr, value);
}

}  // namespace

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
}

std::vector<HWND> AboutWindows(DWORD pid) {
    AboutSearch search{pid, {}};
    if (pid) {
        EnumWindows(&CollectAbout, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

HWND WaitForAbout(const AddOn& addon, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : AboutWindows(addon.Pid())) {
                if (IsWindowVisible(hwnd)) {
                    found = hwnd;
                }
            }
            return found != nullptr || !addon.Running();
        },
        timeoutMs);
    return found;
}

std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control ? TextOf(control) : std::string("<no control>");
}

bool SetControlText(HWND dialog, int id, const std::string& ansi) {
    HWND control = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    return control &&
           SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()),
                               SMTO_NORMAL, 5000, &result) &&
           result != 0;
}

bool SetControlTextW(HWND dialog, int id, const std::wstring& text) {
    HWND control = GetDlgItem(dialog, id);
    DWORD_PTR result = 0;
    return control &&
           SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_NORMAL, 5000, &result) &&
           result != 0;
}

bool ShowsIcon(HWND box) {
    std::vector<HWND> children;
    EnumChildWindows(box, &CollectChildren, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
        if (!IsWindowVisible(child) || (style & SS_TYPEMASK) != SS_ICON) {
            continue;
        }
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_NORMAL, 3000, &icon) && icon) {
            return true;
        }
    }
    return false;
}

bool HasButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button && IsWindowVisible(button);
}

bool ClickLabel(HWND about, int id) {
    HWND label = GetDlgItem(about, id);
    return label && PostMessageA(about, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                                 reinterpret_cast<LPARAM>(label)) != 0;
}

RECT ChildRect(HWND child) {
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool DeleteLastCheck() {
    const LONG rc = RegDeleteKeyValueA(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool LastCheckAsDate(const std::string& text, double* date) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    BSTR b = SysAllocString(wide.c_str());
    const HRESULT hr = VarDateFromStr(b, LOCALE_USER_DEFAULT, 0, date);
    SysFreeString(b);
    return SUCCEEDED(hr);
}

double NowAsDate() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    double date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

std::string DateText(double date) {
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text) {
        return std::string();
    }
    char ansi[128] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    SysFreeString(text);
    return ansi;
}

ShellRecorder::ShellRecorder() {
    if (!folder_.Ok()) {
        return;
    }
    log_ = JoinPath(folder_.Path(), "opened.txt");
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    const std::string command =
        std::string("\"") + system + "\\cmd.exe\" /c echo %1>>\"" + log_ + "\"";
    ok_ = true;
    for (const char* protocol : {"http", "mailto"}) {
        Saved saved;
        saved.protocol = protocol;
        saved.existed = ReadDefault(CommandKey(protocol), &saved.value);
        saved_.push_back(saved);
        ok_ = WriteDefault(CommandKey(protocol), command) && ok_;
    }
}

ShellRecorder::~ShellRecorder() {
    for (const Saved& saved : saved_) {
        if (saved.existed) {
            WriteDefault(CommandKey(saved.protocol), saved.value);
        } else {
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, CommandKey(saved.protocol).c_str(), nullptr);
        }
    }
    // A handler started last may still be writing.
    PumpFor(200);
}

std::vector<std::string> ShellRecorder::Opened() const {
    std::vector<std::string> lines;
    const std::string bytes = ReadFileBytes(log_);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            break;  // a line still being written
        }
        std::string line = bytes.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool ShellRecorder::WaitForOpened(size_t count, DWORD timeoutMs) const {
    return WaitUntil([&] { return Opened().size() >= count; }, timeoutMs);
}

}  // namespace e2e
