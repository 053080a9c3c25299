#include "about/about_win.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

#include "about/link_hover.h"
#include "about/shell_open_win.h"
#include "about/version.h"
#include "common/handles_win.h"
#include "common/message_pump_win.h"
#include "common/messages.h"
#include "common/dpi_win.h"
#include "common/twips.h"
#include "common/window_class_win.h"
#include "host/lifetime_win.h"
#include "res/resource.h"
#include "lookup/request.h"
#include "settings/settings_win.h"

namespace {

// Client area and labels, in twips.
constexpr int kClientWidth = 3735;
constexpr int kClientHeight = 1485;

struct LabelLayout {
    int id;
    const char* text;  // the text of the stored layout; Label1's is set at load
    int left;
    int top;
    int width;
    int height;
    bool link;
    DWORD align;
    HoverTarget target;
};

constexpr LabelLayout kLabels[] = {
    {IDC_ABOUT_TITLE, "", 120, 240, 3495, 615, false, SS_CENTER, HoverTarget::OtherLabel},
    {IDC_ABOUT_QUESTIONS, "Question,Bugs,Comments", 120, 960, 1815, 255, false, SS_LEFT,
     HoverTarget::OtherLabel},
    {IDC_ABOUT_SEND_EMAIL, "Send Email", 600, 1200, 795, 195, true, SS_LEFT,
     HoverTarget::SendEmail},
    {IDC_ABOUT_UPDATES, "Latest Updates", 2400, 960, 1215, 255, false, SS_LEFT,
     HoverTarget::OtherLabel},
    {IDC_ABOUT_DOWNLOAD, "Click Here", 2640, 1200, 735, 195, true, SS_LEFT, HoverTarget::ClickHere},
};
constexpr int kLabelCount = sizeof kLabels / sizeof kLabels[0];
constexpr int kSendEmail = 2;  // index of Label3
constexpr int kClickHere = 4;  // index of Label5

constexpr const char* kSendEmailTip = "Send Email to OXBEL";
constexpr const char* kClickHereTip = "Download the latest Update Here";

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Fixed border, a close box, no minimise or maximise button.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = 0;

// The labels use the font the layout was drawn for, 8.25 pt; the links are underlined.
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontHundredthsOfPoint = 825;

struct AboutWindow {
    HWND hwnd = nullptr;
    HWND labels[kLabelCount] = {};
    HWND tooltip = nullptr;
    common::UniqueFont textFont;
    common::UniqueFont linkFont;
    LinkColours colours;
};

AboutWindow g_about;
// Counts the unloads, so that a modal wait knows when the window it showed has been closed.
unsigned g_unloads = 0;
// The main window while a modal show keeps it from taking input.
HWND g_heldWindow = nullptr;
// Told when the user confirms a download; set by the latest show.
std::function<void()> g_downloadConfirmed;

LRESULT CALLBACK AboutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

common::UniqueFont LabelFont(UINT dpi, bool underline) {
    const int height = -MulDiv(kFontHundredthsOfPoint, static_cast<int>(dpi), 7200);
    return common::UniqueFont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE,
                                          underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                          DEFAULT_PITCH | FF_SWISS, kFontFace));
}

int IndexOfLabel(HWND label) {
    for (int i = 0; i < kLabelCount; ++i) {
        if (g_about.labels[i] == label) {
            return i;
        }
    }
    return -1;
}

// Moves the pointer's colour state on and repaints a link whose colour changed.
void PointerOver(HoverTarget target) {
    const LinkColours before = g_about.colours;
    g_about.colours = OnPointerOver(before, target);
    if (g_about.colours.sendEmailRed != before.sendEmailRed) {
        InvalidateRect(g_about.labels[kSendEmail], nullptr, TRUE);
    }
    if (g_about.colours.clickHereRed != before.clickHereRed) {
        InvalidateRect(g_about.labels[kClickHere], nullptr, TRUE);
    }
}

// The labels report the pointer moving over them; clicks come as STN_CLICKED to the window.
LRESULT CALLBACK LabelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                           DWORD_PTR refData) {
    if (msg == WM_MOUSEMOVE) {
        PointerOver(static_cast<HoverTarget>(refData));
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(label, &LabelProc, id);
    }
    return DefSubclassProc(label, msg, wParam, lParam);
}

void AddTip(HWND label, const char* text) {
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = g_about.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(g_about.tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// Sizes the window and places the labels for `dpi`, keeping the window's top-left corner.
void LayOut(UINT dpi) {
    common::UniqueFont textFont = LabelFont(dpi, false);
    common::UniqueFont linkFont = LabelFont(dpi, true);
    for (int i = 0; i < kLabelCount; ++i) {
        const LabelLayout& l = kLabels[i];
        SetWindowPos(g_about.labels[i], nullptr, common::TwipsToPixels(l.left, dpi),
                     common::TwipsToPixels(l.top, dpi), common::TwipsToPixels(l.width, dpi),
                     common::TwipsToPixels(l.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT font = l.link ? linkFont.get() : textFont.get();
        SendMessageA(g_about.labels[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // The old fonts go only now that no label uses them.
    g_about.textFont = std::move(textFont);
    g_about.linkFont = std::move(linkFont);
    RECT frame = {0, 0, common::TwipsToPixels(kClientWidth, dpi),
                  common::TwipsToPixels(kClientHeight, dpi)};
    common::AdjustWindowRectForDpi(frame, kStyle, false, kExStyle, dpi);
    SetWindowPos(g_about.hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Places the window at the centre of the primary screen, sized for that screen's DPI.
void CentreOnScreen() {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    // Move onto the screen first, so that the window takes that screen's DPI.
    SetWindowPos(g_about.hwnd, nullptr, (screen.left + screen.right) / 2,
                 (screen.top + screen.bottom) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut(common::WindowDpi(g_about.hwnd));
    RECT window = {};
    GetWindowRect(g_about.hwnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(g_about.hwnd, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The load step: texts, caption and tool tips are set anew, both links start blue.
void Form_Load() {
    SetWindowTextA(g_about.labels[0], AboutTitleText().c_str());
    SetWindowTextA(g_about.hwnd, kAboutCaption);
    AddTip(g_about.labels[kSendEmail], kSendEmailTip);
    AddTip(g_about.labels[kClickHere], kClickHereTip);
    g_about.colours = LinkColours();
}

bool Load() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!common::RegisterProgramWindowClass(kAboutWindowClass, &AboutProc, nullptr)) {
        return false;
    }
    HWND hwnd = CreateWindowExA(kExStyle, kAboutWindowClass, "", kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        return false;
    }
    g_about.hwnd = hwnd;
    lifetime::WindowLoaded();
    // The program's icon in the caption and the task switcher, as on the main window.
    SendMessageA(hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP))));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL,
                 static_cast<LPARAM>(GetClassLongPtrA(hwnd, GCLP_HICONSM)));

    for (int i = 0; i < kLabelCount; ++i) {
        const LabelLayout& l = kLabels[i];
        // SS_NOTIFY: the labels take the pointer themselves, for the hover colours and clicks.
        g_about.labels[i] = CreateWindowExA(
            0, "STATIC", l.text, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | l.align, 0, 0, 0,
            0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)), instance, nullptr);
        SetWindowSubclass(g_about.labels[i], &LabelProc, static_cast<UINT_PTR>(l.id),
                          static_cast<DWORD_PTR>(l.target));
    }
    g_about.tooltip =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, instance, nullptr);

    Form_Load();
    CentreOnScreen();
    return true;
}

// Loads the window when needed, shows it and brings it to the front.
bool ShowAbout() {
    if (!g_about.hwnd && !Load()) {
        return false;
    }
    ShowWindow(g_about.hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(g_about.hwnd);
    return true;
}

void ReleaseHeldWindow() {
    if (g_heldWindow) {
        if (IsWindow(g_heldWindow)) {
            EnableWindow(g_heldWindow, TRUE);
        }
        g_heldWindow = nullptr;
    }
}

void Label3_Click() {
    std::string link = SupportMailtoLink();
    mWebLookup::OpenDocument(link, "Open", nullptr, nullptr, 0);
}

void Label5_Click() {
    const int answer =
        MessageBoxA(g_about.hwnd, common::messages::kDownloadConfirm,
                    common::messages::kDownloadCaption, MB_OKCANCEL | MB_ICONEXCLAMATION);
    if (answer != IDOK) {
        return;
    }
    if (g_downloadConfirmed) {
        g_downloadConfirmed();
    }
    std::string archive =
        UpdateArchiveUrl(mWebLookup::ServiceBaseUrl("UpdateURL", kDefaultUpdateBase));
    mWebLookup::OpenDocument(archive, "Open", nullptr, nullptr, 0);
}

LRESULT CALLBACK AboutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE:
            PointerOver(HoverTarget::Background);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == STN_CLICKED) {
                if (LOWORD(wParam) == IDC_ABOUT_SEND_EMAIL) {
                    Label3_Click();
                } else if (LOWORD(wParam) == IDC_ABOUT_DOWNLOAD) {
                    Label5_Click();
                }
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC: {
            const int index = IndexOfLabel(reinterpret_cast<HWND>(lParam));
            if (index != kSendEmail && index != kClickHere) {
                break;
            }
            const bool red =
                index == kSendEmail ? g_about.colours.sendEmailRed : g_about.colours.clickHereRed;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, red ? kRed : kBlue);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_CLOSE:
            // The main window takes input again before this one goes, so that it is activated.
            ReleaseHeldWindow();
            DestroyWindow(hwnd);
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(HIWORD(wParam));
            return 0;
        }
        case WM_NCDESTROY:
            if (g_about.hwnd == hwnd) {
                g_about.hwnd = nullptr;
                for (HWND& label : g_about.labels) {
                    label = nullptr;
                }
                g_about.tooltip = nullptr;  // destroyed with its owner
                ++g_unloads;
                lifetime::WindowUnloaded();
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

void ShowAboutModeless(const AboutOwner& owner) {
    g_downloadConfirmed = owner.downloadConfirmed;
    ShowAbout();
}

void ShowAboutModal(const AboutOwner& owner) {
    g_downloadConfirmed = owner.downloadConfirmed;
    const unsigned unloadsBefore = g_unloads;
    if (!ShowAbout()) {
        return;
    }
    HWND main = owner.mainWindow;
    if (!g_heldWindow && main && IsWindow(main) && IsWindowEnabled(main)) {
        g_heldWindow = main;
        EnableWindow(main, FALSE);
    }
    common::RunMessagesUntil([&] { return g_unloads != unloadsBefore; });
    ReleaseHeldWindow();
}
