// Move-only owners for Win32 handles: each handle has exactly one owner that closes it.
#pragma once

#include <windows.h>
#include <wininet.h>

template <typename T, typename Traits>
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::Invalid(); }

    T release() {
        T h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    void reset(T h = Traits::Invalid()) {
        if (h_ != Traits::Invalid()) {
            Traits::Close(h_);
        }
        h_ = h;
    }

  private:
    T h_ = Traits::Invalid();
};

struct InternetHandleTraits {
    static HINTERNET Invalid() { return nullptr; }
    static void Close(HINTERNET h) { InternetCloseHandle(h); }
};
struct KernelHandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
struct FontHandleTraits {
    static HFONT Invalid() { return nullptr; }
    static void Close(HFONT h) { DeleteObject(h); }
};
struct WindowHandleTraits {
    static HWND Invalid() { return nullptr; }
    static void Close(HWND h) { DestroyWindow(h); }
};

using UniqueInternet = UniqueHandle<HINTERNET, InternetHandleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueFont = UniqueHandle<HFONT, FontHandleTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowHandleTraits>;
