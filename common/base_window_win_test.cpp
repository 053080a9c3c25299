#include "common/base_window_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace common {
namespace {

constexpr char kTestClass[] = "QuendixBaseWindowTest";

// A window that notes what reached its object.
class NotingWindow : public BaseWindow<NotingWindow> {
  public:
    bool Open() { return Create(kTestClass, nullptr, 0, "noting", WS_OVERLAPPEDWINDOW, 200, 100); }
    HWND Window() const { return hwnd_; }

    std::vector<UINT> messages;
    HWND windowAtCreate = nullptr;   // hwnd_ as the object's WM_NCCREATE found it
    HWND windowAtDestroy = nullptr;  // ... and its WM_NCDESTROY
    UINT laidOutFor = 0;

  private:
    friend class BaseWindow<NotingWindow>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        messages.push_back(msg);
        if (msg == WM_NCCREATE) {
            windowAtCreate = hwnd_;
        } else if (msg == WM_NCDESTROY) {
            windowAtDestroy = hwnd_;
        } else if (msg == WM_APP) {
            return 42;
        }
        return DefWindowProcA(hwnd_, msg, wParam, lParam);
    }
    void LayOut(UINT dpi) { laidOutFor = dpi; }
};

// Takes the quit message the last window's end posts, if there is one.
bool QuitPosted() {
    MSG msg = {};
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(BaseWindow, TheObjectHasItsWindowFromNcCreateToNcDestroy) {
    NotingWindow window;
    ASSERT_TRUE(window.Open());
    const HWND hwnd = window.Window();
    ASSERT_TRUE(IsWindow(hwnd));
    // Nothing before WM_NCCREATE reaches the object, and hwnd_ is set when it does.
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(window.windowAtCreate, hwnd);
    EXPECT_EQ(NotingWindow::ObjectOf(hwnd), &window);
    EXPECT_EQ(SendMessageA(hwnd, WM_APP, 0, 0), 42);

    DestroyWindow(hwnd);
    EXPECT_EQ(window.windowAtDestroy, hwnd);
    EXPECT_EQ(window.Window(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(QuitPosted());  // the only window of the process is gone
}

TEST(BaseWindow, TheProcessIsToldToEndWhenItsLastWindowCloses) {
    NotingWindow first;
    NotingWindow second;
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(second.Open());
    DestroyWindow(first.Window());
    EXPECT_FALSE(QuitPosted());
    // The object may load its window again; the window counts anew.
    ASSERT_TRUE(first.Open());
    DestroyWindow(second.Window());
    EXPECT_FALSE(QuitPosted());
    DestroyWindow(first.Window());
    EXPECT_TRUE(QuitPosted());
}

TEST(BaseWindow, ADpiChangeTakesTheSuggestedRectangleAndLaysTheWindowOut) {
    NotingWindow window;
    ASSERT_TRUE(window.Open());
    RECT suggested = {40, 50, 340, 250};
    EXPECT_EQ(SendMessageA(window.Window(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                           reinterpret_cast<LPARAM>(&suggested)),
              0);
    EXPECT_EQ(window.laidOutFor, 144u);
    RECT now = {};
    GetWindowRect(window.Window(), &now);
    EXPECT_EQ(now.left, 40);
    EXPECT_EQ(now.top, 50);
    EXPECT_EQ(now.right, 340);
    EXPECT_EQ(now.bottom, 250);
    const auto& seen = window.messages;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_DPICHANGED)), 0);
    DestroyWindow(window.Window());
    EXPECT_TRUE(QuitPosted());
}

TEST(BaseWindow, AWindowWhoseObjectWentFirstNoLongerReachesIt) {
    auto window = std::make_unique<NotingWindow>();
    ASSERT_TRUE(window->Open());
    const HWND hwnd = window->Window();
    window.reset();
    EXPECT_EQ(NotingWindow::ObjectOf(hwnd), nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_APP, 0, 0), 0);  // the default procedure's answer
    DestroyWindow(hwnd);
    // With its object gone the window is no longer counted out at its end: the count is given
    // back here, so that the process's count starts from none again.
    EXPECT_FALSE(QuitPosted());
    WindowClosed();
    EXPECT_TRUE(QuitPosted());
}

}  // namespace
}  // namespace common
