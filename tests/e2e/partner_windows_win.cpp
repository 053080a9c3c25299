#include "tests/e2e/partner_windows_win.h"

#include "tests/e2e/files_win.h"
#include "tests/e2e/names_win.h"

namespace e2e {

namespace {

constexpr const char* kFakeClass = "QuendixE2EPartnerWindow";

bool RegisterFakeClass() {
    static const bool ok = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;  // replaced per window once its object is attached
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kFakeClass;
        return RegisterClassExA(&wc) != 0;
    }();
    return ok;
}

}  // namespace

FakeWindow::FakeWindow(const std::string& title) {
    if (!RegisterFakeClass()) {
        return;
    }
    hwnd_ = CreateWindowExA(0, kFakeClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FakeWindow::Proc));
    }
}

FakeWindow::~FakeWindow() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void FakeWindow::Watch(const std::string& name) {
    const UINT id = RegisterWindowMessageA(name.c_str());
    if (id != 0) {
        watched_[id] = name;
    }
}

std::vector<FakeWindow::Received> FakeWindow::Messages(const std::string& name) const {
    std::vector<Received> out;
    for (const Received& r : received_) {
        if (r.name == name) {
            out.push_back(r);
        }
    }
    return out;
}

LRESULT CALLBACK FakeWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        if (msg == WM_SETTEXT) {
            // Recorded, and not passed on: the window keeps its title.
            self->texts_.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
            return TRUE;
        }
        if (auto it = self->watched_.find(msg); it != self->watched_.end()) {
            Received r;
            r.name = it->second;
            r.wParam = wParam;
            r.lParam = lParam;
            r.tick = GetTickCount64();
            if (!self->snapshotPath_.empty()) {
                r.fileBytes = ReadFileBytes(self->snapshotPath_, &r.fileExisted);
            }
            self->received_.push_back(std::move(r));
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::unique_ptr<FakeWindow> MakeLogger(const std::string& folder) {
    auto w = std::make_unique<FakeWindow>(kLoggerTitle);
    w->Watch(kLoggerMessageName);
    w->SnapshotOnMessage(JoinPath(folder, kReplyFileName));
    return w;
}

std::unique_ptr<FakeWindow> MakeExtendedWindow() {
    auto w = std::make_unique<FakeWindow>(kExtendedTitle);
    w->Watch(kExtendedMessageName);
    return w;
}

std::unique_ptr<FakeWindow> MakeReplyWindow(const std::string& title) {
    return std::make_unique<FakeWindow>(title);
}

}  // namespace e2e
