#include "tests/e2e/boxes_win.h"

#include <algorithm>
#include <vector>

#include "tests/e2e/http_request_win.h"
#include "tests/e2e/wait_win.h"

namespace e2e {
namespace {

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    const int n = GetClassNameA(hwnd, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

}  // namespace

std::string TextOf(HWND hwnd) {
    char buffer[4096] = {};
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_NORMAL | SMTO_ABORTIFHUNG, 3000, &n)) {
        const int got = GetWindowTextA(hwnd, buffer, sizeof buffer);
        return std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0);
    }
    return std::string(buffer, std::min<size_t>(n, sizeof buffer - 1));
}

std::string MessageBoxText(HWND dialog) {
    if (!dialog) {
        return std::string();
    }
    // The text control of a message box has the id 0xFFFF.
    for (HWND child : ChildrenOf(dialog)) {
        if ((GetDlgCtrlID(child) & 0xFFFF) == 0xFFFF && AsciiLower(ClassOf(child)) == "static") {
            return TextOf(child);
        }
    }
    for (HWND child : ChildrenOf(dialog)) {
        if (AsciiLower(ClassOf(child)) == "static") {
            const std::string text = TextOf(child);
            if (!text.empty()) {
                return text;
            }
        }
    }
    return std::string();
}

bool PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button) {
        return PostMessageA(button, BM_CLICK, 0, 0) != 0;
    }
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) != 0;
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, timeoutMs);
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
    for (HWND child : ChildrenOf(box)) {
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

}  // namespace e2e
