// The base of the program's top-level windows, each the window of one object, in the manner of
// the classic BaseWindow<T>: T derives from BaseWindow<T>, and the class's window procedure takes
// the object handed to CreateWindowEx at WM_NCCREATE, sets hwnd_ there, and passes every message
// on to T::HandleMessage. The base does what each of the program's windows does alike:
//  - the class is registered once per process, with the program's icon, the arrow cursor and
//    the dialog-face background;
//  - the window counts among those that keep the process alive (lifetime_win.h) from
//    WM_NCCREATE to WM_NCDESTROY, where hwnd_ is cleared once T has handled the message;
//  - at WM_DPICHANGED the window takes the rectangle the system suggests and T::LayOut(dpi) lays
//    it out for the new DPI.
// The object may outlive its window and load it again; an object that goes first leaves its
// window no way back to it.
#pragma once

#include <windows.h>

#include "common/lifetime_win.h"

namespace common {

// Registers the class once per process; true when it is (or already was) registered.
bool RegisterProgramWindowClass(const char* className, WNDPROC proc, const char* menuName);

template <typename T>
class BaseWindow {
  public:
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    // The object whose window `hwnd` is (the parent of one of its controls, say); null when it
    // has none.
    static T* ObjectOf(HWND hwnd) {
        return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }

  protected:
    BaseWindow() = default;
    ~BaseWindow() {
        if (hwnd_) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        }
    }

    // Registers the class `className` with the menu `menuName` (null for none) and creates this
    // object's window at the system's default place, `width` by `height` pixels (or
    // CW_USEDEFAULT). True when the window is there.
    bool Create(const char* className, const char* menuName, DWORD exStyle, const char* caption,
                DWORD style, int width, int height) {
        if (!RegisterProgramWindowClass(className, &WindowProc, menuName)) {
            return false;
        }
        return CreateWindowExA(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                               width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                               static_cast<T*>(this)) != nullptr;
    }

    // The window, from WM_NCCREATE to WM_NCDESTROY; null before and after.
    HWND hwnd_ = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        T* self = nullptr;
        if (msg == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            self = static_cast<T*>(create->lpCreateParams);
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->hwnd_ = hwnd;
            WindowOpened();
        } else {
            self = ObjectOf(hwnd);
        }
        if (!self) {
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
        if (msg == WM_DPICHANGED) {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            self->LayOut(HIWORD(wParam));
            return 0;
        }
        const LRESULT result = self->HandleMessage(msg, wParam, lParam);
        if (msg == WM_NCDESTROY && self->hwnd_ == hwnd) {
            self->hwnd_ = nullptr;
            WindowClosed();
        }
        return result;
    }
};

}  // namespace common
