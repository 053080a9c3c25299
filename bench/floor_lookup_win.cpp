// The floor of the look-up figures: the least program that answers the logger's protocol, to be
// measured beside the add-on (lookup_bench, scripts/count_syscalls.py). It is no product.
//
// One minimised window on one thread. At start it registers the three messages, finds the
// logger's window and the extended-information window and announces itself to the latter.
// Command 1 adds a character, command 10 names the reply window, command 2 looks up at once:
// the two account values read from the settings file, one WinINet GET in a session of its own
// read in 265-byte pieces, Lookup.dat deleted and written with the answer as it came, the answer
// sent to the reply window with WM_SETTEXT, and the logger told. No parsing, no worker thread,
// no time bound, no log, no update check.
//
// Usage: bench_floor_lookup SETTINGS_FILE HOST PORT
#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kClass = "LookupFloorWindow";
constexpr DWORD kPiece = 265;

struct Floor {
    std::string settings;
    std::string host;
    INTERNET_PORT port = 0;
    UINT lookupMsg = 0;
    UINT extendedMsg = 0;
    UINT hostMsg = 0;
    HWND hostWnd = nullptr;
    bool extendedPresent = false;
    HWND replyWnd = nullptr;
    std::string callsign;
};
Floor g;

std::string ReadAccountValue(const char* key) {
    char value[255] = {};
    const DWORD n =
        GetPrivateProfileStringA("Settings", key, "", value, sizeof value, g.settings.c_str());
    return std::string(value, n);
}

std::string Get(const std::string& target) {
    std::string body;
    HINTERNET session =
        InternetOpenA("vb wininet", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET connection = session ? InternetConnectA(session, g.host.c_str(), g.port, nullptr,
                                                      nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                   : nullptr;
    HINTERNET request =
        connection ? HttpOpenRequestA(connection, "GET", target.c_str(), nullptr, nullptr, nullptr,
                                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0)
                   : nullptr;
    if (request && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        char piece[kPiece];
        DWORD n = 0;
        while (InternetReadFile(request, piece, kPiece, &n) && n != 0) {
            body.append(piece, n);
        }
    }
    for (HINTERNET h : {request, connection, session}) {
        if (h) {
            InternetCloseHandle(h);
        }
    }
    return body;
}

void LookUp() {
    const std::string user = ReadAccountValue("UserName");
    std::string password = ReadAccountValue("Password");
    for (char& c : password) {
        c = static_cast<char>(static_cast<unsigned char>(c) - 1);  // stored raised by one
    }
    const std::string body = Get("/call?username=" + user + "&password=" + password +
                                 "&rawlookup=1&callsign=" + g.callsign + "&program=Logger32");
    DeleteFileA("Lookup.dat");
    HANDLE file = CreateFileA("Lookup.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const std::string line = body + "\r\n";
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    if (g.extendedPresent && g.replyWnd) {
        const std::string text = "CTTP|" + body;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(g.replyWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, 10000, &ignored);
    }
    PostMessageA(g.hostWnd, g.hostMsg, 20, 0);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g.lookupMsg && msg != 0) {
        if (wParam == 1 && static_cast<ULONG_PTR>(lParam) <= 255) {
            g.callsign.push_back(static_cast<char>(lParam));
        } else if (wParam == 10) {
            g.replyWnd = reinterpret_cast<HWND>(lParam);
        } else if (wParam == 2) {
            LookUp();
            g.callsign.clear();
        }
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc != 4) {
        return 2;
    }
    g.settings = __argv[1];
    g.host = __argv[2];
    g.port = static_cast<INTERNET_PORT>(std::atoi(__argv[3]));

    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc)) {
        return 1;
    }
    HWND hwnd = CreateWindowExA(0, kClass, "Look-up floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        return 1;
    }
    g.lookupMsg = RegisterWindowMessageA("InternetCallsignLookup");
    g.extendedMsg = RegisterWindowMessageA("Extended Lookup Information");
    g.hostMsg = RegisterWindowMessageA("Logger32 1");
    g.hostWnd = FindWindowA(nullptr, "Logger32");
    HWND extended = FindWindowA(nullptr, "Extended Lookup Information");
    g.extendedPresent = extended != nullptr;
    if (extended) {
        PostMessageA(extended, g.extendedMsg, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
