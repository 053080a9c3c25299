#include "lookup/http_get_win.h"

#include <wininet.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common/handles_win.h"
#include "lookup/request.h"
#include "lookup/worker_limit.h"

namespace {

enum Op { kNone, kOpen, kRead, kQuit };

// The program's request workers. Never destroyed: a worker abandoned inside WinINet may still
// give its slot back while the process exits.
WorkerLimit& RequestWorkers() {
    static WorkerLimit* const workers = new WorkerLimit(kMaxRequestWorkers);
    return *workers;
}

void SetTimeouts(HINTERNET h, DWORD ms) {
    // Wine honours these on connection and request handles, Windows on every handle.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT}) {
        InternetSetOptionA(h, option, &ms, sizeof ms);
    }
}

}  // namespace

struct BoundedHttpGet::Shared {
    std::mutex mutex;
    std::condition_variable cv;
    Op op = kNone;
    bool done = false;
    bool abandoned = false;

    // Inputs and outputs of the current operation.
    std::string agent;
    std::string url;
    DWORD timeoutMs = 0;
    std::vector<char> buffer;
    DWORD wanted = 0;
    DWORD got = 0;
    bool ok = false;
    bool readFailed = false;
    DWORD status = 0;
    DWORD error = 0;  // GetLastError of the WinINet call that failed

    // Owned by the worker thread alone.
    UniqueInternet session;
    UniqueInternet connection;
    UniqueInternet request;

    // Keeps the error of the WinINet call that just failed.
    bool Fail() {
        error = GetLastError();
        return false;
    }

    bool DoOpen() {
        UrlParts parts;
        if (!SplitUrl(url, parts)) {
            error = ERROR_INTERNET_INVALID_URL;
            return false;
        }
        session.reset(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!session) {
            return Fail();
        }
        SetTimeouts(session.get(), timeoutMs);
        connection.reset(InternetConnectA(session.get(), parts.host.c_str(), parts.port, nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) {
            return Fail();
        }
        SetTimeouts(connection.get(), timeoutMs);
        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
        if (parts.secure) {
            flags |= INTERNET_FLAG_SECURE;  // certificate errors are never ignored
        }
        request.reset(HttpOpenRequestA(connection.get(), "GET", parts.pathAndQuery.c_str(), nullptr,
                                       nullptr, nullptr, flags, 0));
        if (!request) {
            return Fail();
        }
        SetTimeouts(request.get(), timeoutMs);
        if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
            return Fail();
        }
        DWORD code = 0;
        DWORD size = sizeof code;
        if (HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code,
                           &size, nullptr)) {
            status = code;
        }
        return true;
    }

    DWORD DoRead() {
        if (!request) {
            return 0;
        }
        // A plain read waits until the whole buffer is full; ask what has arrived first, so a
        // server that stalls in the body still hands over what it sent before.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) {
            Fail();
            readFailed = true;
            return 0;
        }
        if (available == 0) {
            return 0;  // end of the body
        }
        DWORD n = 0;
        if (!InternetReadFile(request.get(), buffer.data(), std::min(available, wanted), &n)) {
            Fail();
            readFailed = true;  // a read that timed out may still have delivered some bytes
        }
        return n;
    }

    void Release() {
        request.reset();
        connection.reset();
        session.reset();
    }

    // `slot` counts this worker until the thread ends, after its handles are closed.
    static void Worker(std::shared_ptr<Shared> self, WorkerLimit::Slot slot) {
        std::unique_lock<std::mutex> lock(self->mutex);
        for (;;) {
            self->cv.wait(lock, [&] { return self->op != kNone; });
            const Op op = self->op;
            if (op == kQuit) {
                break;
            }
            lock.unlock();
            bool ok = false;
            DWORD got = 0;
            if (op == kOpen) {
                ok = self->DoOpen();
            } else {
                got = self->DoRead();
                ok = true;
            }
            lock.lock();
            self->ok = ok;
            self->got = got;
            self->op = kNone;
            self->done = true;
            self->cv.notify_all();
            if (self->abandoned) {
                break;
            }
        }
        lock.unlock();
        self->Release();
    }
};

BoundedHttpGet::BoundedHttpGet(std::string agent, DWORD budgetMs)
    : shared_(std::make_shared<Shared>()), budget_(budgetMs) {
    shared_->agent = std::move(agent);
    // Each blocking call on the worker gives up well before the whole budget is spent, so a
    // silent server fails the call itself rather than leaving the worker behind.
    shared_->timeoutMs = budgetMs / 2;
    WorkerLimit::Slot slot = RequestWorkers().TryTake();
    if (!slot.Held()) {
        usable_ = false;  // every worker is taken: the request cannot be opened
        error_ = ERROR_BUSY;
        return;
    }
    try {
        std::thread(Shared::Worker, shared_, std::move(slot)).detach();
    } catch (const std::system_error&) {
        usable_ = false;  // no worker: every call fails as a request that could not be opened
        error_ = ERROR_NOT_ENOUGH_MEMORY;
    }
}

BoundedHttpGet::~BoundedHttpGet() {
    Close();
}

bool BoundedHttpGet::Run(int op) {
    if (!usable_) {
        return false;
    }
    if (budget_.Exhausted()) {
        usable_ = false;  // nothing left to wait with
        failed_ = true;
        error_ = ERROR_INTERNET_TIMEOUT;
        return false;
    }
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->op = static_cast<Op>(op);
    shared_->done = false;
    shared_->cv.notify_all();
    const ULONGLONG start = GetTickCount64();
    const bool done = shared_->cv.wait_for(lock, std::chrono::milliseconds(budget_.LeftMs()),
                                           [&] { return shared_->done; });
    budget_.Charge(GetTickCount64() - start, !done);
    if (!done) {
        // Out of time: the worker finishes the call on its own and then releases its handles.
        shared_->abandoned = true;
        usable_ = false;
        failed_ = true;
        error_ = ERROR_INTERNET_TIMEOUT;
        return false;
    }
    if (shared_->error != 0) {
        error_ = shared_->error;
    }
    return true;
}

bool BoundedHttpGet::Open(const std::string& url) {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->url = url;
    }
    if (!Run(kOpen)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->ok) {
        usable_ = false;
    }
    status_ = shared_->status;
    return shared_->ok;
}

DWORD BoundedHttpGet::Read(char* buffer, DWORD size) {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->buffer.resize(size);
        shared_->wanted = size;
    }
    if (!Run(kRead)) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(shared_->mutex);
    const DWORD got = shared_->got;
    if (shared_->readFailed) {
        failed_ = true;
    }
    std::copy(shared_->buffer.begin(), shared_->buffer.begin() + got, buffer);
    return got;
}

void BoundedHttpGet::Close() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    usable_ = false;
    if (!shared_->abandoned && shared_->op == kNone) {
        shared_->op = kQuit;
        shared_->cv.notify_all();
    }
}

bool BoundedHttpGet::FetchText(const std::string& url, const std::string& agent, DWORD budgetMs,
                               std::string& body, size_t maxBytes, Report* report) {
    body.clear();
    BoundedHttpGet get(agent, budgetMs);
    bool ok = get.Open(url) && get.Status() >= 200 && get.Status() <= 299;
    char chunk[4096];
    // Reads one byte past the limit at most: enough to tell that the body is too long.
    while (body.size() <= maxBytes) {
        const size_t room = maxBytes - body.size();
        const DWORD n = get.Read(chunk, room < sizeof chunk ? static_cast<DWORD>(room + 1)
                                                            : static_cast<DWORD>(sizeof chunk));
        if (n == 0) {
            break;
        }
        body.append(chunk, n);
    }
    if (get.Failed() || body.size() > maxBytes) {
        ok = false;
    }
    if (report) {
        report->status = get.Status();
        report->error = get.Error();
        report->bytes = body.size();
        report->ms = get.SpentMs();
    }
    if (!ok) {
        body.clear();
    }
    return ok;
}
