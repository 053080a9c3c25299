// The object behind a window: a window class whose procedure is a static member reaches its
// object through the window's user data. The object is handed over as CreateWindowEx's last
// argument, taken at WM_NCCREATE, and forgotten when the object goes before its window.
#pragma once

#include <windows.h>

namespace common {

// The object of `hwnd`, or null before WM_NCCREATE (and after ForgetWindowObject). Call it
// first in the window procedure with the message's own values: at WM_NCCREATE it takes the
// object from the creation parameters.
template <typename T>
T* WindowObject(HWND hwnd, UINT msg, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The object of `hwnd` as its procedure took it; null when there is none.
template <typename T>
T* WindowObject(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// For the object's destructor: its window, should it outlive the object, no longer reaches it.
inline void ForgetWindowObject(HWND hwnd) {
    if (hwnd) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    }
}

}  // namespace common
