// When the process ends: once no window of the program is loaded and no look-up run is in
// progress, the message loop is told to quit.
#pragma once

namespace lifetime {

void WindowLoaded();
void WindowUnloaded();

// Marks a look-up run from its preparation to its end. Nested commands check RunActive().
class RunScope {
  public:
    RunScope();
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
};
bool RunActive();

}  // namespace lifetime
