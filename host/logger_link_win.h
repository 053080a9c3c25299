// The link with the logger and the extended-information window: the registered messages, the
// windows found at load, the window named by command 10, the callsign collected from command 1
// and the busy flag. The main window owns the one link of the program; the link outlives the
// main window's loads, and each load connects it afresh.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// Commands of the logger's message, the whole wParam.
constexpr WPARAM kCmdAppendChar = 1;
constexpr WPARAM kCmdLookup = 2;
constexpr WPARAM kCmdReplyWindow = 10;

// The extended text waits at most this long for the window it goes to: a companion window that
// stops answering must not hold the run for ever; one that answers has handled the text before
// the reply file is written.
constexpr UINT kSetTextTimeoutMs = 10000;

class LoggerLink {
  public:
    // At each load of the main window `own`: registers the three messages, looks up the windows
    // titled "Extended Lookup Information" and "Logger32", and announces `own` to the first of
    // them when it exists.
    void Connect(HWND own);

    // The registered "InternetCallsignLookup" (0 before the first load).
    UINT LookupMessage() const { return msgLookup_; }

    // Handles one command of the logger's message. Command 1 adds the character in `value` to
    // the collected callsign, command 10 names the reply window; true for command 2, which
    // asks for a look-up. Commands 1 and 2 count only while nothing is busy.
    bool OnCommand(WPARAM command, LPARAM value);

    // A look-up run, or the account boxes, from start to end: commands 1 and 2 and the test
    // button are ignored meanwhile.
    bool Busy() const { return busy_; }
    class BusyScope {
      public:
        explicit BusyScope(LoggerLink& link) : link_(link) { link_.busy_ = true; }
        ~BusyScope() { link_.busy_ = false; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

      private:
        LoggerLink& link_;
    };

    const std::string& Callsign() const { return callsign_; }
    void ClearCallsign() { callsign_.clear(); }

    // Gives the reply window `text` when the extended window was there at load. A null reply
    // window (no command 10 yet) makes the send fail quietly; the broadcast handle would rename
    // every top-level window, so it is never used. A window that stops answering holds the run
    // for a bounded time only.
    void SendExtended(const std::string& text) const;

    // Tells the logger that the reply file holds the answer.
    void NotifyReplyReady() const;

  private:
    UINT msgLookup_ = 0;          // registered "InternetCallsignLookup"
    UINT msgExtended_ = 0;        // registered "Extended Lookup Information"
    UINT msgLogger_ = 0;          // registered "Logger32 1"
    HWND loggerWnd_ = nullptr;    // the logger's window found at load, or null
    HWND extendedWnd_ = nullptr;  // the extended-information window found at load, or null
    HWND replyWnd_ = nullptr;     // receives the extended text (command 10)
    std::string callsign_;        // collected by command 1, emptied at the end of each run
    bool busy_ = false;
};

}  // namespace host
