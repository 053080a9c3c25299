// The logger and the extended-information program as the program under test sees them: hidden
// windows on the calling thread, with the titles the program looks for, that record the
// registered messages they are told to watch and the texts sent to them.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

class FakeWindow {
  public:
    struct Received {
        std::string name;  // registered name of the message
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        ULONGLONG tick = 0;
        bool fileExisted = false;  // the snapshot file existed when the message arrived
        std::string fileBytes;     // its bytes at that moment
    };

    explicit FakeWindow(const std::string& title);
    ~FakeWindow();
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Records every message registered under `name`.
    void Watch(const std::string& name);
    // At each watched message, the bytes of this file are recorded too.
    void SnapshotOnMessage(const std::string& path) { snapshotPath_ = path; }

    std::vector<Received> Messages(const std::string& name) const;
    size_t Count(const std::string& name) const { return Messages(name).size(); }
    // Texts received by WM_SETTEXT (the window keeps its own title).
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::map<UINT, std::string> watched_;
    std::string snapshotPath_;
    std::vector<Received> received_;
    std::vector<std::string> texts_;
};

// The logger: "Logger32", recording "Logger32 1" with the bytes of Lookup.dat in `folder`.
std::unique_ptr<FakeWindow> MakeLogger(const std::string& folder);
// The extended-information window, recording its announcements.
std::unique_ptr<FakeWindow> MakeExtendedWindow();
// A window that receives the extended line (named to the program with command 10).
std::unique_ptr<FakeWindow> MakeReplyWindow(const std::string& title = "Extended reply");

}  // namespace e2e
