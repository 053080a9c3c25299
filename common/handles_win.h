// Move-only owners for Win32 handles: each handle has exactly one owner that closes it.
//
//   using UniqueFont = UniqueAny<HFONT, DeleteFontHandle>;
//
// `Close` is the function that releases the handle; `Invalid` is the value that owns nothing,
// as an integer (0 for most handles, -1 for files).
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

namespace common {

template <typename T, auto Close, std::intptr_t Invalid = 0>
class UniqueAny {
  public:
    UniqueAny() = default;
    explicit UniqueAny(T h) : h_(h) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : h_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != None(); }

    // The address of the owned value, for functions that hand a handle out through a pointer;
    // whatever was owned is released first.
    T* put() {
        reset();
        return &h_;
    }

    T release() {
        T h = h_;
        h_ = None();
        return h;
    }
    void reset(T h = None()) {
        if (h_ != None()) {
            Close(h_);
        }
        h_ = h;
    }

  private:
    static T None() {
        if constexpr (std::is_pointer_v<T>) {
            return reinterpret_cast<T>(Invalid);
        } else {
            return static_cast<T>(Invalid);
        }
    }

    T h_ = None();
};

// The kinds of handle that more than one folder owns.
inline void CloseFileHandle(HANDLE h) {
    CloseHandle(h);
}
inline void DeleteFontHandle(HFONT h) {
    DeleteObject(h);
}

using UniqueFile = UniqueAny<HANDLE, CloseFileHandle, -1>;
using UniqueFont = UniqueAny<HFONT, DeleteFontHandle>;

}  // namespace common
