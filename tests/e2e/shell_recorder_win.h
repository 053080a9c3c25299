// The desktop shell's handlers for http and mailto links, replaced for the life of a
// ShellRecorder by a command that appends the link to a file, so that a test sees what the
// program opened and no browser or mail program ever starts. The previous handlers are put back
// on destruction.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/files_win.h"

namespace e2e {

class ShellRecorder {
  public:
    ShellRecorder();
    ~ShellRecorder();
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;

    bool Ok() const { return ok_; }
    // The links opened so far, one per line as the shell handed them on.
    std::vector<std::string> Opened() const;
    bool WaitForOpened(size_t count, DWORD timeoutMs = 10000) const;

  private:
    struct Saved {
        std::string protocol;
        bool existed = false;
        std::string value;
    };
    TempFolder folder_;
    std::string log_;
    std::vector<Saved> saved_;
    bool ok_ = false;
};

}  // namespace e2e
