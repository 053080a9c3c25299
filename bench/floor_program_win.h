// The floor program (bench/floor_lookup_win.cpp) as the bench drives it: started beside the
// bench with a settings file and the service's address, in a folder of the bench's choosing,
// with NUL for its standard handles.
#pragma once

#include <windows.h>

#include <string>

class FloorProgram {
  public:
    static constexpr const char* kExe = "bench_floor_lookup.exe";

    FloorProgram() = default;
    ~FloorProgram();  // a program still running is ended
    FloorProgram(const FloorProgram&) = delete;
    FloorProgram& operator=(const FloorProgram&) = delete;

    // Starts it in `folder` (where it writes Lookup.dat) and waits until its minimised window
    // is there.
    bool Start(const std::string& folder, const std::string& settingsPath, unsigned short port,
               std::string* error);
    HWND Window() const { return window_; }
    // Closes its window and waits for the process to end; ends it when it does not.
    bool Stop();

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};
