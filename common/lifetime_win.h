// When the process ends: once no window of the program is open and nothing else holds the
// process, the message loop is told to quit.
#pragma once

namespace common {

// Every top-level window of the program reports its creation and its destruction.
void WindowOpened();
void WindowClosed();

// Keeps the process alive while it lives, even when the last window closes meanwhile: a
// look-up run goes on to write its answer after its window was closed. It says nothing about
// whether anything is busy.
class KeepAlive {
  public:
    KeepAlive();
    ~KeepAlive();
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;
};

}  // namespace common
