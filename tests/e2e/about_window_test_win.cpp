// The About window: shown from the menu, its layout and texts, one instance, loaded afresh
// after it was closed, its two links, the download confirmation and the watchdog, the process
// lifetime with the About window open, and the modal show of the update check.
#include "tests/e2e/road_fixture_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "about/about_win.h"
#include "common/twips.h"
#include "res/resource.h"
#include "tests/e2e/about_helpers_win.h"
#include "tests/e2e/shell_recorder_win.h"

namespace e2e {
namespace {

constexpr const char* kTitleStart = "Quendix Internet Lookup for Logger32\r\n ver. 1.2.4";
constexpr const char* kDownloadText =
    "After Downloading this Update you will need to close this\r"
    " application before installing the new update!";
constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
constexpr UINT kWatchdogMs = 45000;

struct LabelSpec {
    int id;
    const char* text;
    int left, top, width, height;  // twips
};
const LabelSpec kLabels[] = {
    {IDC_ABOUT_TITLE, nullptr, 120, 240, 3495, 615},
    {IDC_ABOUT_QUESTIONS, "Question,Bugs,Comments", 120, 960, 1815, 255},
    {IDC_ABOUT_SEND_EMAIL, "Send Email", 600, 1200, 795, 195},
    {IDC_ABOUT_UPDATES, "Latest Updates", 2400, 960, 1215, 255},
    {IDC_ABOUT_DOWNLOAD, "Click Here", 2640, 1200, 735, 195},
};

// Centre of the primary screen, where the About window is placed whenever it is loaded.
POINT ScreenCentre() {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return POINT{(info.rcMonitor.left + info.rcMonitor.right) / 2,
                 (info.rcMonitor.top + info.rcMonitor.bottom) / 2};
}

void ExpectCentred(HWND about) {
    RECT r = {};
    ASSERT_TRUE(GetWindowRect(about, &r));
    const POINT centre = ScreenCentre();
    EXPECT_LE(std::abs((r.left + r.right) / 2 - centre.x), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - centre.y), 1);
}

class AboutWindow : public AddOnTest {
  protected:
    void StartProgram() {
        server_.SetAnswer("/call", Answer(WorkedBody()));
        ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
    }

    // Chooses About on the main window's menu and waits for the window.
    static HWND ChooseAbout(AddOn& addon) {
        HWND main = addon.MainWindow();
        if (!main || !PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0)) {
            return nullptr;
        }
        return WaitForAbout(addon);
    }
    HWND ChooseAbout() { return ChooseAbout(*addon_); }
};

TEST_F(AboutWindow, MenuShowsTheWindowWithItsLayoutAndOneInstanceOnly) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr) << "no About window";

    EXPECT_EQ(TextOf(about), "Quendix Internet Lookup");
    const std::string title = ControlText(about, IDC_ABOUT_TITLE);
    EXPECT_EQ(title.compare(0, std::string(kTitleStart).size(), kTitleStart), 0) << Visible(title);
    EXPECT_GT(title.size(), std::string(kTitleStart).size()) << "no credit after the version";
    EXPECT_EQ(title.find('\r', 40), std::string::npos) << "more than two lines";

    // Fixed border with a close box, no minimise or maximise button, no owner. (Its icon cannot
    // be read from another process under Wine.)
    const LONG_PTR style = GetWindowLongPtrA(about, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_EQ(GetWindow(about, GW_OWNER), nullptr);

    // Client area and labels where the layout puts them, for the window's DPI.
    UINT dpi = GetDpiForWindow(about);
    if (dpi == 0) {
        dpi = 96;
    }
    RECT client = {};
    ASSERT_TRUE(GetClientRect(about, &client));
    EXPECT_EQ(client.right, common::TwipsToPixels(3735, dpi));
    EXPECT_EQ(client.bottom, common::TwipsToPixels(1485, dpi));
    for (const LabelSpec& l : kLabels) {
        SCOPED_TRACE(l.id);
        HWND label = GetDlgItem(about, l.id);
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(IsWindowVisible(label));
        if (l.text) {
            EXPECT_EQ(TextOf(label), l.text);
        }
        const RECT r = ChildRect(label);
        EXPECT_EQ(r.left, common::TwipsToPixels(l.left, dpi));
        EXPECT_EQ(r.top, common::TwipsToPixels(l.top, dpi));
        EXPECT_EQ(r.right - r.left, common::TwipsToPixels(l.width, dpi));
        EXPECT_EQ(r.bottom - r.top, common::TwipsToPixels(l.height, dpi));
    }
    ExpectCentred(about);

    // The two links carry tool tips.
    HWND tips = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr);
    size_t tools = 0;
    for (; tips; tips = FindWindowExA(nullptr, tips, "tooltips_class32", nullptr)) {
        if (GetWindow(tips, GW_OWNER) == about) {
            DWORD_PTR count = 0;
            SendMessageTimeoutA(tips, TTM_GETTOOLCOUNT, 0, 0, SMTO_NORMAL, 3000, &count);
            tools += count;
        }
    }
    EXPECT_EQ(tools, 2u);

    // Chosen again: the same window, still the only one. Sent, so that the choice has been
    // handled when the windows are counted.
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(addon_->MainWindow(), WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0,
                                    SMTO_NORMAL, 5000, &result));
    EXPECT_EQ(AboutWindows(addon_->Pid()), std::vector<HWND>{about});
}

// Keys do not close it; the close box does, and the program goes on. Shown again, it is loaded
// afresh: a new window, centred again, its texts set again.
TEST_F(AboutWindow, ClosedByItsCloseBoxAndLoadedAfreshWhenShownAgain) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr);
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageA(about, WM_KEYDOWN, key, 0);
        PostMessageA(about, WM_KEYUP, key, 0xC0000000);
    }
    PumpFor(500);
    ASSERT_TRUE(IsWindow(about)) << "a key closed the About window";

    ASSERT_TRUE(SetWindowPos(about, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    ASSERT_TRUE(PostMessageA(about, WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitGone(about));
    PumpFor(300);
    EXPECT_TRUE(addon_->Running());
    EXPECT_NE(addon_->MainWindow(), nullptr);

    HWND reloaded = ChooseAbout();
    ASSERT_NE(reloaded, nullptr);
    ExpectCentred(reloaded);
    EXPECT_EQ(TextOf(reloaded), "Quendix Internet Lookup");
    const std::string title = ControlText(reloaded, IDC_ABOUT_TITLE);
    EXPECT_EQ(title.compare(0, std::string(kTitleStart).size(), kTitleStart), 0) << Visible(title);
}

// "Send Email" hands the mailto link to the shell; nothing is shown and the window stays.
TEST_F(AboutWindow, SendEmailOpensTheSupportAddress) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Ok()) << "cannot stand in for the shell's link handlers";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(ClickLabel(about, IDC_ABOUT_SEND_EMAIL));
    ASSERT_TRUE(shell.WaitForOpened(1)) << "nothing was opened";
    const auto opened = shell.Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:support@quendix.example");
    EXPECT_EQ(addon_->FindDialog(""), nullptr);
    EXPECT_TRUE(IsWindow(about));
}

// "Click Here" asks first; Cancel opens nothing and leaves the window open.
TEST_F(AboutWindow, DownloadConfirmationCancelledOpensNothing) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Ok());
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(ClickLabel(about, IDC_ABOUT_DOWNLOAD));
    HWND box = addon_->WaitForDialog("Download Update", 10000);
    ASSERT_NE(box, nullptr) << "no confirmation";
    EXPECT_EQ(Visible(MessageBoxText(box)), Visible(kDownloadText));
    EXPECT_TRUE(HasButton(box, IDOK));
    EXPECT_TRUE(HasButton(box, IDCANCEL));
    EXPECT_TRUE(ShowsIcon(box));
    ASSERT_TRUE(PressButton(box, IDCANCEL));
    ASSERT_TRUE(WaitGone(box));
    PumpFor(1000);
    EXPECT_TRUE(shell.Opened().empty());
    EXPECT_TRUE(IsWindow(about));
}

// The watchdog after the download confirmation, with two programs started together. The one
// that cancels keeps its watchdog: 45 seconds after its start it says so and unloads its main
// window; its About window keeps it running until that is closed too. The one that confirms has
// its watchdog disabled, gets the archive opened, and shows nothing.
TEST_F(AboutWindow, DownloadConfirmedDisablesTheWatchdogCancelledLeavesIt) {
    ShellRecorder shell;
    ASSERT_TRUE(shell.Ok());
    ASSERT_NO_FATAL_FAILURE(StartProgram());  // cancels
    AddOnFolder confirmingFolder;
    const std::string settings = StandardSettings();
    std::string error;
    ASSERT_TRUE(confirmingFolder.Prepare(settings.c_str(), &error)) << error;
    AddOn confirming(confirmingFolder);
    ASSERT_TRUE(confirming.StartAndWait(&error)) << error;

    HWND cancellingAbout = ChooseAbout();
    ASSERT_NE(cancellingAbout, nullptr);
    ASSERT_TRUE(ClickLabel(cancellingAbout, IDC_ABOUT_DOWNLOAD));
    HWND box = addon_->WaitForDialog("Download Update", 10000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDCANCEL));
    ASSERT_TRUE(WaitGone(box));

    HWND confirmingAbout = ChooseAbout(confirming);
    ASSERT_NE(confirmingAbout, nullptr);
    ASSERT_TRUE(ClickLabel(confirmingAbout, IDC_ABOUT_DOWNLOAD));
    box = confirming.WaitForDialog("Download Update", 10000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(shell.WaitForOpened(1)) << "the archive was not opened";
    EXPECT_EQ(shell.Opened()[0], server_.BaseUrl() + "/files/QuendixInternetLookup.zip");

    // Past the watchdog's time for both.
    const ULONGLONG deadline = addon_->StartTick() + kWatchdogMs + 10000;
    HWND watchdog = nullptr;
    WaitUntil([&] { return (watchdog = addon_->FindDialog("InternetCallsignLookup")) != nullptr; },
              static_cast<DWORD>(deadline - std::min(deadline, GetTickCount64())));
    ASSERT_NE(watchdog, nullptr) << "Cancel disabled the watchdog";
    WaitUntil([&] { return GetTickCount64() >= confirming.StartTick() + kWatchdogMs + 2000; },
              kWatchdogMs + 5000);
    EXPECT_EQ(confirming.FindDialog(""), nullptr) << "OK left the watchdog running";
    EXPECT_TRUE(confirming.Running());
    EXPECT_EQ(shell.Opened().size(), 1u);

    // The watchdog unloads the main window; the open About window keeps the process alive.
    ASSERT_TRUE(PressButton(watchdog, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return addon_->MainWindow() == nullptr; }, 5000));
    PumpFor(500);
    EXPECT_TRUE(addon_->Running()) << "the process ended with its About window open";
    ASSERT_TRUE(PostMessageA(cancellingAbout, WM_CLOSE, 0, 0));
    EXPECT_TRUE(addon_->WaitForExit(5000)) << "the process outlived its last window";
}

// The update check shows the About window modally while it is open from the menu: the same
// window, and the look-up waits until it is closed.
TEST_F(AboutWindow, UpdateCheckUsesTheWindowAlreadyOpenAndWaitsForIt) {
    server_.SetAnswer(kUpdatePath, Answer("1.2.5"));
    ASSERT_TRUE(DeleteLastCheck());
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND about = ChooseAbout();
    ASSERT_NE(about, nullptr);

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog("UPDATE AVAILABLE!", 15000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitGone(box));
    PumpFor(500);
    const auto windows = AboutWindows(addon_->Pid());
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0], about);
    EXPECT_TRUE(Calls().empty()) << "the look-up did not wait for the About window";
    std::string stored;
    EXPECT_FALSE(ReadLastCheckText(&stored)) << "written before the About window closed";

    ASSERT_TRUE(PostMessageA(about, WM_CLOSE, 0, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << ProcessNote();
    EXPECT_EQ(Calls().size(), 1u);
    EXPECT_TRUE(ReadLastCheckText(&stored));
}

}  // namespace
}  // namespace e2e
