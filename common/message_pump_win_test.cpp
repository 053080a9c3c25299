// A loop's message breaks, with a window of this thread that counts what it is sent.
#include "common/message_pump_win.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kCounted = WM_APP + 1;
int g_dispatched = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kCounted) {
        ++g_dispatched;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND MakeCountingWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MessageBreaksTest";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
}

// The first break dispatches what waits; a later one only once the interval has passed since the
// last dispatch, and then everything that waits. A WM_QUIT ends the break and stays posted.
TEST(MessageBreaks, DispatchAtTheFirstBreakThenOncePerInterval) {
    HWND window = MakeCountingWindow();
    ASSERT_NE(window, nullptr);
    g_dispatched = 0;
    common::MessageBreaks breaks(200);
    ASSERT_TRUE(PostMessageA(window, kCounted, 0, 0));
    EXPECT_TRUE(breaks.Take());
    EXPECT_EQ(g_dispatched, 1);

    ASSERT_TRUE(PostMessageA(window, kCounted, 0, 0));
    ASSERT_TRUE(PostMessageA(window, kCounted, 0, 0));
    EXPECT_TRUE(breaks.Take());
    EXPECT_EQ(g_dispatched, 1) << "dispatched before the interval was over";

    Sleep(250);
    EXPECT_TRUE(breaks.Take());
    EXPECT_EQ(g_dispatched, 3);

    Sleep(250);
    PostQuitMessage(7);
    EXPECT_FALSE(breaks.Take());
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was lost";
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(window);
}

}  // namespace
