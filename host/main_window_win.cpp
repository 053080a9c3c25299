#include "host/main_window_win.h"

#include <utility>

#include "common/dpi_win.h"
#include "common/lifetime_win.h"
#include "common/messages.h"
#include "common/twips.h"
#include "common/window_class_win.h"
#include "common/window_object_win.h"
#include "host/lookup_run_win.h"
#include "res/resource.h"
#include "settings/account_menu_win.h"

namespace host {
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

// The callsign the test button looks up.
constexpr const char* kTestCallsign = "oxbel";

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

MainWindow::~MainWindow() {
    common::ForgetWindowObject(hwnd_);
}

bool MainWindow::Show() {
    return Load(true);
}

void MainWindow::EnsureLoaded() {
    if (!IsLoaded()) {
        Load(false);
    }
}

bool MainWindow::Load(bool show) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!common::RegisterProgramWindowClass(kMainWindowClass, &WindowProc,
                                            MAKEINTRESOURCEA(IDR_MAIN_MENU))) {
        return false;
    }
    // Created minimised; a re-load stays hidden.
    HWND hwnd = CreateWindowExA(kExStyle, kMainWindowClass, kMainCaption, kStyle | WS_MINIMIZE,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                nullptr, instance, this);
    if (!hwnd) {
        return false;
    }
    hwnd_ = hwnd;
    common::WindowOpened();

    testButton_ =
        CreateWindowExA(0, "BUTTON", "Command1", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
                        hwnd, reinterpret_cast<HMENU>(IDC_TEST_BUTTON), instance, nullptr);
    LayOut(common::WindowDpi(hwnd));
    SetTimer(hwnd, IDT_WATCHDOG, kWatchdogMs, nullptr);  // the watchdog runs from the load on

    OnLoad();
    if (show && IsLoaded()) {
        ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
    }
    return IsLoaded();
}

void MainWindow::LayOut(UINT dpi) {
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
    SetWindowPos(testButton_, nullptr, common::TwipsToPixels(kButtonLeft, dpi),
                 common::TwipsToPixels(kButtonTop, dpi), common::TwipsToPixels(kButtonWidth, dpi),
                 common::TwipsToPixels(kButtonHeight, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(testButton_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font_ = std::move(font);  // the old font goes only now that the button no longer uses it
}

// Each load: the caption, and the link with the logger and the extended window made afresh.
// The window was created minimised, and Load shows it so on the first load.
void MainWindow::OnLoad() {
    SetWindowTextA(hwnd_, kMainCaption);
    link_.Connect(hwnd_);
}

void MainWindow::Unload() {
    if (IsLoaded()) {
        DestroyWindow(hwnd_);
    }
}

// A re-load that failed leaves no window: a timer set then would belong to no window, and
// nothing would ever kill it.
void MainWindow::ArmWatchdog() {
    EnsureLoaded();
    if (IsLoaded() && !watchdogBoxOpen_) {
        SetTimer(hwnd_, IDT_WATCHDOG, kWatchdogMs, nullptr);
    }
}

void MainWindow::DisarmWatchdog() {
    EnsureLoaded();
    StopWatchdogIfLoaded();
}

void MainWindow::StopWatchdogIfLoaded() {
    if (IsLoaded()) {
        KillTimer(hwnd_, IDT_WATCHDOG);
    }
}

void MainWindow::RestoreAndActivate() {
    EnsureLoaded();
    if (IsWindowVisible(hwnd_)) {
        ShowWindow(hwnd_, SW_RESTORE);
    }
    if (HWND target = FindWindowA(nullptr, kMainCaption)) {
        SetForegroundWindow(target);
    }
}

void MainWindow::OnWatchdog() {
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

void MainWindow::OnLoggerCommand(WPARAM command, LPARAM value) {
    if (link_.OnCommand(command, value)) {
        RunLookup(*this, link_.Callsign());
    }
}

void MainWindow::OnTestButton() {
    if (!link_.Busy()) {
        RunLookup(*this, kTestCallsign);
    }
}

about::AboutOwner MainWindow::AboutOwnerLink(std::string updateBase) {
    return about::AboutOwner{hwnd_, [this] { StopWatchdogIfLoaded(); }, std::move(updateBase)};
}

void MainWindow::OnAbout() {
    about_.ShowModeless(AboutOwnerLink());
}

void MainWindow::ShowAboutModal(const std::string& updateBase) {
    about_.ShowModal(AboutOwnerLink(updateBase));
}

// The "Account..." entry does nothing during a look-up; while its boxes are open the logger's
// commands and the test button are ignored, and the process stays alive should this window
// close meanwhile.
void MainWindow::OnAccount() {
    if (link_.Busy()) {
        return;
    }
    common::KeepAlive keepAlive;
    LoggerLink::BusyScope busy(link_);
    common::RetryBudget retries(common::kRetryBudgetMs);
    settings::ChangeAccount(retries);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = common::WindowObject<MainWindow>(hwnd, msg, lParam);
    if (!self) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    // The logger's message: registered at load, so not a constant of a case label.
    if (msg != 0 && msg == self->link_.LookupMessage()) {
        self->OnLoggerCommand(wParam, lParam);
        return 0;
    }
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_TEST_BUTTON && HIWORD(wParam) == BN_CLICKED) {
                self->OnTestButton();
                return 0;
            }
            if (LOWORD(wParam) == IDM_ABOUT && HIWORD(wParam) == 0) {
                self->OnAbout();
                return 0;
            }
            if (LOWORD(wParam) == IDM_ACCOUNT && HIWORD(wParam) == 0) {
                self->OnAccount();
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam == IDT_WATCHDOG) {
                self->OnWatchdog();
                return 0;
            }
            break;
        case WM_CLOSE:
            self->Unload();
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            self->LayOut(HIWORD(wParam));
            return 0;
        }
        case WM_NCDESTROY:
            if (self->hwnd_ == hwnd) {
                self->hwnd_ = nullptr;
                self->testButton_ = nullptr;
                common::WindowClosed();
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace host
