// Puts the program's windows on the screen for scripts/screenshots.sh. Each call does one step
// and prints the screen rectangle of the window it waited for ("left top width height").
//
//   screenshot_driver about     choose About on the running program's main window
//   screenshot_driver lookup    ask for a look-up, as the logger does; the account notice opens
//   screenshot_driver ok        press OK on the account notice; the user name box opens
//   screenshot_driver close     close the About window
//
// Every wait ends after 20 seconds; the exit code is then 1.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kWaitMs = 20000;

struct Search {
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    char className[256] = {};
    char title[256] = {};
    GetClassNameA(hwnd, className, sizeof className);
    GetWindowTextA(hwnd, title, sizeof title);
    if ((!search->className || std::strcmp(className, search->className) == 0) &&
        (!search->title || std::strcmp(title, search->title) == 0) && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const char* className, const char* title) {
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    do {
        Search search{className, title, nullptr};
        EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

HWND MainWindow() {
    // The main window starts minimised, so it is looked for whether visible or not.
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    do {
        if (HWND hwnd = FindWindowA("QuendixInternetLookupMain", nullptr)) {
            return hwnd;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

int Report(HWND hwnd) {
    if (!hwnd) {
        std::fprintf(stderr, "window not found\n");
        return 1;
    }
    Sleep(500);  // let it paint
    RECT r = {};
    GetWindowRect(hwnd, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "about") {
        HWND main = MainWindow();
        if (!main) {
            return Report(nullptr);
        }
        PostMessageA(main, WM_COMMAND, 40001, 0);  // IDM_ABOUT
        return Report(WaitForWindow("QuendixInternetLookupAbout", nullptr));
    }
    if (step == "close") {
        HWND about = WaitForWindow("QuendixInternetLookupAbout", nullptr);
        if (about) {
            PostMessageA(about, WM_CLOSE, 0, 0);
        }
        return about ? 0 : 1;
    }
    if (step == "lookup") {
        HWND main = MainWindow();
        if (!main) {
            return Report(nullptr);
        }
        const UINT message = RegisterWindowMessageA("InternetCallsignLookup");
        for (const char* c = "N0CALL"; *c; ++c) {
            PostMessageA(main, message, 1, static_cast<unsigned char>(*c));
        }
        PostMessageA(main, message, 2, 0);
        return Report(WaitForWindow("#32770", "Quendix Internet Lookup"));
    }
    if (step == "ok") {
        HWND notice = WaitForWindow("#32770", "Quendix Internet Lookup");
        if (!notice) {
            return Report(nullptr);
        }
        PostMessageA(notice, WM_COMMAND, IDOK, 0);
        return Report(WaitForWindow("#32770", "Enter UserName"));
    }
    std::fprintf(stderr, "usage: screenshot_driver about|close|lookup|ok\n");
    return 2;
}
