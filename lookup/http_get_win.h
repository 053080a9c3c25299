// One HTTP GET with a time budget. The blocking WinINet calls run on a worker thread, so a
// server that never answers, stalls in the body or never completes the connection cannot hold
// the caller past its deadline. A call abandoned at the deadline finishes on the worker, which
// then closes every handle it opened.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class BoundedHttpGet {
  public:
    // `budgetMs` bounds the whole exchange: opening the request and every read together.
    BoundedHttpGet(std::string agent, DWORD budgetMs);
    ~BoundedHttpGet();
    BoundedHttpGet(const BoundedHttpGet&) = delete;
    BoundedHttpGet& operator=(const BoundedHttpGet&) = delete;

    // Opens the session and sends the request. False when the URL is not usable, the request
    // could not be sent, or the budget ran out first.
    bool Open(const std::string& url);

    // Reads at most `size` bytes of the body into `buffer` and returns how many arrived:
    // 0 at the end of the body, after a failed read, or when the budget is spent.
    DWORD Read(char* buffer, DWORD size);

    // Releases the request; later reads deliver nothing.
    void Close();

    // The HTTP status of the answer (0 before a successful Open).
    DWORD Status() const { return status_; }

    // True once a read failed or the budget ran out.
    bool Failed() const { return failed_; }

    // The WinINet or system error of the failed open or read (ERROR_INTERNET_TIMEOUT when the
    // budget ran out first); 0 when nothing failed.
    DWORD Error() const { return error_; }

    // Milliseconds from construction to the end of the last call that finished.
    DWORD SpentMs() const { return static_cast<DWORD>(lastDone_ - start_); }

    // What FetchText saw, for the diagnostics log.
    struct Report {
        DWORD status = 0;
        DWORD error = 0;
        size_t bytes = 0;
        DWORD ms = 0;
    };

    // Reads the whole body (no messages are dispatched). Empty on any failure.
    static bool FetchText(const std::string& url, const std::string& agent, DWORD budgetMs,
                          std::string& body, Report* report = nullptr);

  private:
    struct Shared;
    bool Run(int op);

    std::shared_ptr<Shared> shared_;
    ULONGLONG start_;
    ULONGLONG lastDone_;
    ULONGLONG deadline_;
    bool usable_ = true;
    bool failed_ = false;
    DWORD status_ = 0;
    DWORD error_ = 0;
};
