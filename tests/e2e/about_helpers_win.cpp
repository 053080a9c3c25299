#include "tests/e2e/about_helpers_win.h"

#include <string>

#include "about/about_win.h"
#include "tests/e2e/wait_win.h"

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

}  // namespace

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

}  // namespace e2e
