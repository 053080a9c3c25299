#include "about/about_win.h"

#include <commctrl.h>

#include <iterator>
#include <string>
#include <utility>

#include "about/shell_open_win.h"
#include "about/update_server.h"
#include "about/version.h"
#include "common/dpi_win.h"
#include "common/message_pump_win.h"
#include "common/twips.h"
#include "product/messages.h"
#include "settings/settings_win.h"
#include "res/resource.h"

namespace about {
namespace {

// Client area and labels, in twips.
constexpr int kClientWidth = 3735;
constexpr int kClientHeight = 1485;

struct LabelLayout {
    int id;
    const char* text;  // the text of the stored layout; the title's is set at load
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
// Where the label `id` stands in kLabels; an id the table lacks does not compile.
constexpr int LabelIndex(int id) {
    int i = 0;
    while (kLabels[i].id != id) {
        ++i;
    }
    return i;
}
constexpr int kTitleLabel = LabelIndex(IDC_ABOUT_TITLE);
constexpr int kSendEmailLabel = LabelIndex(IDC_ABOUT_SEND_EMAIL);
constexpr int kDownloadLabel = LabelIndex(IDC_ABOUT_DOWNLOAD);

constexpr const char* kSendEmailTip = "Send Email to OXBEL";
constexpr const char* kDownloadTip = "Download the latest Update Here";

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Fixed border, a close box, no minimise or maximise button.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = 0;

// The labels use the font the layout was drawn for, 8.25 pt; the links are underlined.
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontHundredthsOfPoint = 825;

common::UniqueFont LabelFont(UINT dpi, bool underline) {
    const int height = -MulDiv(kFontHundredthsOfPoint, static_cast<int>(dpi), 7200);
    return common::UniqueFont(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE,
                                          underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                          DEFAULT_PITCH | FF_SWISS, kFontFace));
}

}  // namespace

HWND AboutWindow::LinkLabel(HoverTarget link) const {
    return link == HoverTarget::SendEmail ? labels_[kSendEmailLabel] : labels_[kDownloadLabel];
}

// Moves the pointer's colour state on and repaints a link whose colour changed.
void AboutWindow::PointerOver(HoverTarget target) {
    const LinkColours before = colours_;
    colours_ = about::OnPointerOver(before, target);
    if (colours_.sendEmailRed != before.sendEmailRed) {
        InvalidateRect(LinkLabel(HoverTarget::SendEmail), nullptr, TRUE);
    }
    if (colours_.clickHereRed != before.clickHereRed) {
        InvalidateRect(LinkLabel(HoverTarget::ClickHere), nullptr, TRUE);
    }
}

// The labels report the pointer moving over them; clicks come as STN_CLICKED to the window.
LRESULT CALLBACK AboutWindow::LabelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR refData) {
    if (msg == WM_MOUSEMOVE) {
        auto* self = ObjectOf(GetParent(label));
        if (self) {
            self->PointerOver(static_cast<HoverTarget>(refData));
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(label, &LabelProc, id);
    }
    return DefSubclassProc(label, msg, wParam, lParam);
}

void AboutWindow::AddTip(HWND label, const char* text) {
    TTTOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// Sizes the window and places the labels for `dpi`, keeping the window's top-left corner.
void AboutWindow::LayOut(UINT dpi) {
    common::UniqueFont textFont = LabelFont(dpi, false);
    common::UniqueFont linkFont = LabelFont(dpi, true);
    for (int i = 0; i < kLabelCount; ++i) {
        const LabelLayout& l = kLabels[i];
        SetWindowPos(labels_[i], nullptr, common::TwipsToPixels(l.left, dpi),
                     common::TwipsToPixels(l.top, dpi), common::TwipsToPixels(l.width, dpi),
                     common::TwipsToPixels(l.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT font = l.link ? linkFont.get() : textFont.get();
        SendMessageA(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    // The old fonts go only now that no label uses them.
    textFont_ = std::move(textFont);
    linkFont_ = std::move(linkFont);
    RECT frame = {0, 0, common::TwipsToPixels(kClientWidth, dpi),
                  common::TwipsToPixels(kClientHeight, dpi)};
    common::AdjustWindowRectForDpi(frame, kStyle, false, kExStyle, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Places the window at the centre of the primary screen, sized for that screen's DPI.
void AboutWindow::CentreOnScreen() {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    // Move onto the screen first, so that the window takes that screen's DPI.
    SetWindowPos(hwnd_, nullptr, (screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut(common::WindowDpi(hwnd_));
    RECT window = {};
    GetWindowRect(hwnd_, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(hwnd_, nullptr, screen.left + (screen.right - screen.left - width) / 2,
                 screen.top + (screen.bottom - screen.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each load: texts, caption and tool tips are set anew, both links start blue.
void AboutWindow::OnLoad() {
    SetWindowTextA(labels_[kTitleLabel], AboutTitleText().c_str());
    SetWindowTextA(hwnd_, kAboutCaption);
    AddTip(labels_[kSendEmailLabel], kSendEmailTip);
    AddTip(labels_[kDownloadLabel], kDownloadTip);
    colours_ = LinkColours();
}

bool AboutWindow::Load() {
    static_assert(std::size(kLabels) == kLabelCount, "a window for each label of the layout");
    if (!Create(kAboutWindowClass, nullptr, kExStyle, "", kStyle, 0, 0)) {
        return false;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // The program's icon in the caption and the task switcher, as on the main window.
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP))));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL,
                 static_cast<LPARAM>(GetClassLongPtrA(hwnd_, GCLP_HICONSM)));

    for (int i = 0; i < kLabelCount; ++i) {
        const LabelLayout& l = kLabels[i];
        // SS_NOTIFY: the labels take the pointer themselves, for the hover colours and clicks.
        labels_[i] = CreateWindowExA(
            0, "STATIC", l.text, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | l.align, 0, 0, 0,
            0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)), instance, nullptr);
        SetWindowSubclass(labels_[i], &LabelProc, static_cast<UINT_PTR>(l.id),
                          static_cast<DWORD_PTR>(l.target));
    }
    tooltip_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance, nullptr);

    OnLoad();
    CentreOnScreen();
    return true;
}

// Loads the window when needed, shows it and brings it to the front.
bool AboutWindow::Show() {
    if (!hwnd_ && !Load()) {
        return false;
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    return true;
}

void AboutWindow::ReleaseHeldWindow() {
    if (heldWindow_) {
        if (IsWindow(heldWindow_)) {
            EnableWindow(heldWindow_, TRUE);
        }
        heldWindow_ = nullptr;
    }
}

void AboutWindow::OnSendEmail() {
    OpenDocument(SupportMailtoLink(), "Open", nullptr, nullptr, 0);
}

void AboutWindow::OnDownload() {
    const int answer =
        MessageBoxA(hwnd_, product::messages::kDownloadConfirm, product::messages::kDownloadCaption,
                    MB_OKCANCEL | MB_ICONEXCLAMATION);
    if (answer != IDOK) {
        return;
    }
    if (downloadConfirmed_) {
        downloadConfirmed_();
    }
    const std::string archive =
        UpdateArchiveUrl(updateBase_.empty() ? settings::ReadUpdateBase() : updateBase_);
    OpenDocument(archive, "Open", nullptr, nullptr, 0);
}

LRESULT AboutWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE:
            PointerOver(HoverTarget::Background);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == STN_CLICKED) {
                if (LOWORD(wParam) == IDC_ABOUT_SEND_EMAIL) {
                    OnSendEmail();
                } else if (LOWORD(wParam) == IDC_ABOUT_DOWNLOAD) {
                    OnDownload();
                }
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC: {
            const HWND label = reinterpret_cast<HWND>(lParam);
            const bool sendEmail = label == labels_[kSendEmailLabel];
            if (!sendEmail && label != labels_[kDownloadLabel]) {
                break;
            }
            const bool red = sendEmail ? colours_.sendEmailRed : colours_.clickHereRed;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, red ? kRed : kBlue);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_CLOSE:
            // The main window takes input again before this one goes, so that it is activated.
            ReleaseHeldWindow();
            DestroyWindow(hwnd_);
            return 0;
        case WM_NCDESTROY:
            for (HWND& label : labels_) {
                label = nullptr;
            }
            tooltip_ = nullptr;  // destroyed with its owner
            ++unloads_;
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

void AboutWindow::ShowModeless(const AboutOwner& owner) {
    downloadConfirmed_ = owner.downloadConfirmed;
    updateBase_ = owner.updateBase;
    Show();
}

void AboutWindow::ShowModal(const AboutOwner& owner) {
    downloadConfirmed_ = owner.downloadConfirmed;
    updateBase_ = owner.updateBase;
    const unsigned unloadsBefore = unloads_;
    if (!Show()) {
        return;
    }
    HWND main = owner.mainWindow;
    if (!heldWindow_ && main && IsWindow(main) && IsWindowEnabled(main)) {
        heldWindow_ = main;
        EnableWindow(main, FALSE);
    }
    common::RunMessagesUntil([&] { return unloads_ != unloadsBefore; });
    ReleaseHeldWindow();
}

}  // namespace about
