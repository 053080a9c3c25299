#include "host/main_window_win.h"

#include "about/about_win.h"
#include "about/update_check_win.h"
#include "common/dpi_win.h"
#include "common/messages.h"
#include "common/twips.h"
#include "common/window_class_win.h"
#include "host/hook_win.h"
#include "host/lifetime_win.h"
#include "res/resource.h"
#include "lookup/web_lookup_win.h"
#include "settings/account_menu_win.h"
#include "settings/settings_win.h"

#include <utility>

namespace {

// Client area and the test button, in twips.
constexpr int kClientWidth = 3345;
constexpr int kClientHeight = 2100;
constexpr int kButtonLeft = 1440;
constexpr int kButtonTop = 1200;
constexpr int kButtonWidth = 855;
constexpr int kButtonHeight = 375;

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExStyle = 0;

common::UniqueFont MessageFontForDpi(UINT dpi) {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return common::UniqueFont();
    }
    // The system metrics are for the system DPI; scale them to this window's.
    const UINT systemDpi = common::SystemDpi();
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return common::UniqueFont(CreateFontIndirectA(&metrics.lfMessageFont));
}

}  // namespace

wndInternetCallsignLookup& MainForm() {
    static wndInternetCallsignLookup form;
    return form;
}

bool wndInternetCallsignLookup::Show() {
    return Load(true);
}

void wndInternetCallsignLookup::EnsureLoaded() {
    if (!IsLoaded()) {
        Load(false);
    }
}

bool wndInternetCallsignLookup::Load(bool show) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!common::RegisterProgramWindowClass(kMainWindowClass, &FormProc,
                                            MAKEINTRESOURCEA(IDR_MAIN_MENU))) {
        return false;
    }
    // Created minimised; a re-load stays hidden.
    HWND hwnd = CreateWindowExA(kExStyle, kMainWindowClass, kMainCaption, kStyle | WS_MINIMIZE,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd) {
        return false;
    }
    hwnd_ = hwnd;
    lifetime::WindowLoaded();

    cmdCommand1_ =
        CreateWindowExA(0, "BUTTON", "Command1", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
                        hwnd, reinterpret_cast<HMENU>(IDC_TEST_BUTTON), instance, nullptr);
    LayOut(common::WindowDpi(hwnd));
    SetTimer(hwnd, IDT_WATCHDOG, kWatchdogMs, nullptr);  // Timer1 runs from the load on

    Form_Load();
    if (show && IsLoaded()) {
        ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
    }
    return IsLoaded();
}

void wndInternetCallsignLookup::LayOut(UINT dpi) {
    // Client area of the stored layout, for this window's DPI, keeping the window's place.
    RECT frame = {0, 0, common::TwipsToPixels(kClientWidth, dpi),
                  common::TwipsToPixels(kClientHeight, dpi)};
    common::AdjustWindowRectForDpi(frame, kStyle, true, kExStyle, dpi);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + (frame.right - frame.left);
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + (frame.bottom - frame.top);
    placement.showCmd = IsWindowVisible(hwnd_) ? placement.showCmd : SW_HIDE;
    SetWindowPlacement(hwnd_, &placement);

    common::UniqueFont font = MessageFontForDpi(dpi);
    SetWindowPos(cmdCommand1_, nullptr, common::TwipsToPixels(kButtonLeft, dpi),
                 common::TwipsToPixels(kButtonTop, dpi), common::TwipsToPixels(kButtonWidth, dpi),
                 common::TwipsToPixels(kButtonHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(cmdCommand1_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the old font goes only now that the button no longer uses it
}

void wndInternetCallsignLookup::Form_Load() {
    // Every step is attempted; a step that fails leaves its value empty and the next one runs.
    SetWindowTextA(hwnd_, kMainCaption);
    SetLastError(0);
    mHook::OwnWnd = hwnd_;
    Hook();
    mHook::MsgLookup = RegisterWindowMessageA("InternetCallsignLookup");
    mWebLookup::MsgExtended = RegisterWindowMessageA("Extended Lookup Information");
    mWebLookup::ExtendedWnd = FindWindowA(nullptr, "Extended Lookup Information");
    mWebLookup::HostWnd = FindWindowA(nullptr, "Logger32");
    mWebLookup::MsgHost = RegisterWindowMessageA("Logger32 1");
    if (mWebLookup::ExtendedWnd == nullptr) {
        mWebLookup::ExtendedPresent = false;
    } else {
        mWebLookup::ExtendedPresent = true;
        PostMessageA(mWebLookup::ExtendedWnd, mWebLookup::MsgExtended, 0,
                     reinterpret_cast<LPARAM>(mHook::OwnWnd));
    }
    // The window was created minimised, and Load shows it so on the first load. The stored
    // layout also asks for a stacking-order position that the window library does not define;
    // it has no effect here.
}

void wndInternetCallsignLookup::Form_Unload() {
    Unhook();
}

void wndInternetCallsignLookup::Unload() {
    if (!IsLoaded()) {
        return;
    }
    Form_Unload();
    DestroyWindow(hwnd_);
}

void wndInternetCallsignLookup::Hook() {
    mHook::PrevWndProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        mHook::OwnWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&mHook::WindowProc)));
}

void wndInternetCallsignLookup::Unhook() {
    SetWindowLongPtrA(mHook::OwnWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mHook::PrevWndProc));
}

bool wndInternetCallsignLookup::CheckforInIfile() {
    EnsureLoaded();
    return mWebLookup::CreateDefaultSettingsFile();
}

void wndInternetCallsignLookup::SetUserandPassword() {
    EnsureLoaded();
    mWebLookup::PromptForAccount();
}

void wndInternetCallsignLookup::CheckforUpdate() {
    EnsureLoaded();
    mWebLookup::RunUpdateCheck();
}

// A re-load that failed leaves no window: a timer set then would belong to no window, and
// nothing would ever kill it.
void wndInternetCallsignLookup::ArmWatchdog() {
    EnsureLoaded();
    if (IsLoaded() && !watchdogBoxOpen_) {
        SetTimer(hwnd_, IDT_WATCHDOG, kWatchdogMs, nullptr);
    }
}

void wndInternetCallsignLookup::DisarmWatchdog() {
    EnsureLoaded();
    StopWatchdogIfLoaded();
}

void wndInternetCallsignLookup::StopWatchdogIfLoaded() {
    if (IsLoaded()) {
        KillTimer(hwnd_, IDT_WATCHDOG);
    }
}

void wndInternetCallsignLookup::RestoreAndActivate() {
    EnsureLoaded();
    if (IsWindowVisible(hwnd_)) {
        ShowWindow(hwnd_, SW_RESTORE);
    }
    if (HWND target = FindWindowA(nullptr, kMainCaption)) {
        SetForegroundWindow(target);
    }
}

void wndInternetCallsignLookup::Timer1_Timer() {
    // One box at a time: the count stops while the box is open (a run started meanwhile does
    // not restart it), and the unload ends the timer.
    KillTimer(hwnd_, IDT_WATCHDOG);
    if (watchdogBoxOpen_) {
        return;
    }
    watchdogBoxOpen_ = true;
    MessageBoxA(nullptr, common::messages::kWatchdog, common::messages::kWatchdogCaption,
                MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    watchdogBoxOpen_ = false;
    Unload();
}

void wndInternetCallsignLookup::cmdCommand1_Click() {
    if (mHook::LookupBusy || lifetime::RunActive()) {
        return;
    }
    std::string callsign = "oxbel";
    mWebLookup::RunLookup(callsign);
}

AboutOwner wndInternetCallsignLookup::AboutOwnerLink() {
    return AboutOwner{hwnd_, [this] { StopWatchdogIfLoaded(); }};
}

void wndInternetCallsignLookup::mnuAbout_Click() {
    ShowAboutModeless(AboutOwnerLink());
}

LRESULT CALLBACK wndInternetCallsignLookup::FormProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                     LPARAM lParam) {
    wndInternetCallsignLookup& form = MainForm();
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_TEST_BUTTON && HIWORD(wParam) == BN_CLICKED) {
                form.cmdCommand1_Click();
                return 0;
            }
            if (LOWORD(wParam) == IDM_ABOUT && HIWORD(wParam) == 0) {
                form.mnuAbout_Click();
                return 0;
            }
            if (LOWORD(wParam) == IDM_ACCOUNT && HIWORD(wParam) == 0) {
                mWebLookup::ChangeAccount();
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == IDT_WATCHDOG) {
                form.Timer1_Timer();
                return 0;
            }
            break;
        case WM_CLOSE:
            form.Unload();
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            form.LayOut(HIWORD(wParam));
            return 0;
        }
        case WM_NCDESTROY:
            if (form.hwnd_ == hwnd) {
                form.hwnd_ = nullptr;
                form.cmdCommand1_ = nullptr;
                lifetime::WindowUnloaded();
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
