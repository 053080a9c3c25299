#include "net/http_get_win.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "net/url.h"
#include "net/wininet_win.h"
#include "net/worker_limit.h"

namespace net {

namespace {

enum Op { kNone, kOpen };

// The worker reads what has arrived in pieces of up to this size, and the caller takes its small
// chunks from them: a long answer needs one hand-over per piece, not one per chunk.
constexpr DWORD kReadPiece = 64 * 1024;

// The program's request workers. Never destroyed: a worker abandoned inside WinINet may still
// give its slot back while the process exits.
WorkerLimit& RequestWorkers() {
    static WorkerLimit* const workers = new WorkerLimit(kMaxRequestWorkers);
    return *workers;
}

void SetTimeouts(const WinInetFunctions& api, HINTERNET h, DWORD ms) {
    // Wine honours these on connection and request handles, Windows on every handle.
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_SEND_TIMEOUT}) {
        api.InternetSetOptionA(h, option, &ms, sizeof ms);
    }
}

// The proxy a session opened for `choice` goes through: "host:port", or "direct". Only the
// system's route needs the session's options asked.
std::string ProxyOf(const WinInetFunctions& api, HINTERNET session, const ProxyChoice& choice) {
    if (choice.route == ProxyChoice::Route::Direct) {
        return "direct";
    }
    if (choice.route == ProxyChoice::Route::Named) {
        return choice.server;
    }
    // INTERNET_PROXY_INFO as the ANSI query fills it.
    struct ProxyInfo {
        DWORD accessType;
        const char* proxy;
        const char* bypass;
    };
    DWORD size = 0;
    api.InternetQueryOptionA(session, INTERNET_OPTION_PROXY, nullptr, &size);
    std::vector<char> buffer(std::max<DWORD>(size, sizeof(ProxyInfo)));
    size = static_cast<DWORD>(buffer.size());
    if (!api.InternetQueryOptionA(session, INTERNET_OPTION_PROXY, buffer.data(), &size)) {
        return "direct";
    }
    const ProxyInfo* info = reinterpret_cast<const ProxyInfo*>(buffer.data());
    if (info->accessType == INTERNET_OPEN_TYPE_PROXY && info->proxy && *info->proxy) {
        return info->proxy;
    }
    return "direct";
}

// The body's length as the answer's Content-Length header gives it; none when there is no such
// header or it is not a plain decimal number.
std::optional<std::uint64_t> ContentLengthOf(const WinInetFunctions& api, HINTERNET request) {
    char text[32] = {};
    DWORD size = sizeof text;
    if (!api.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr) ||
        size == 0 || size >= sizeof text) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    for (DWORD i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9' || length > (UINT64_MAX - 9) / 10) {
            return std::nullopt;
        }
        length = length * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    return length;
}

}  // namespace

struct BoundedHttpGet::Shared {
    std::mutex mutex;
    std::condition_variable cv;
    Op op = kNone;
    bool done = false;       // the open has finished
    bool quit = false;       // the caller is done with the request
    bool abandoned = false;  // the caller gave up waiting

    // Inputs and outputs of the open.
    std::string agent;
    ProxyChoice proxy;
    std::string proxyInForce;  // as the log shows it (DescribeProxy)
    std::string url;
    size_t maxBody = SIZE_MAX;  // the worker never reads more of the body than this
    DWORD timeoutMs = 0;
    bool ok = false;
    DWORD status = 0;
    std::optional<std::uint64_t> contentLength;  // as the server announced it
    DWORD error = 0;  // GetLastError of the WinINet call that failed

    // The body read so far and not yet handed over: pending[taken..].
    std::string pending;
    size_t taken = 0;
    // The caller waits for more (set too right after the open, which the first read follows at
    // once). The worker blocks in a read only then: while the caller is elsewhere (in a box,
    // say) no receive time-out can run out on a read that nobody waits for.
    bool wantMore = true;
    size_t readTotal = 0;
    bool bodyEnded = false;  // end of the body, a failed read, or maxBody reached
    bool readFailed = false;

    // Owned by the worker thread alone.
    const WinInetFunctions* api = nullptr;  // set by DoOpen once WinINet is loaded
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
        DWORD loadError = 0;
        api = WinInet(&loadError);
        if (!api) {
            error = loadError;  // no WinINet: the request fails as one that could not be opened
            return false;
        }
        DWORD access = INTERNET_OPEN_TYPE_PRECONFIG;
        const char* server = nullptr;
        if (proxy.route == ProxyChoice::Route::Direct) {
            access = INTERNET_OPEN_TYPE_DIRECT;
        } else if (proxy.route == ProxyChoice::Route::Named) {
            access = INTERNET_OPEN_TYPE_PROXY;
            server = proxy.server.c_str();  // for every scheme; https goes through CONNECT
        }
        session.reset(api->InternetOpenA(agent.c_str(), access, server, nullptr, 0));
        if (!session) {
            return Fail();
        }
        std::string inForce = DescribeProxy(proxy, ProxyOf(*api, session.get(), proxy));
        {
            std::lock_guard<std::mutex> lock(mutex);
            proxyInForce = std::move(inForce);
        }
        SetTimeouts(*api, session.get(), timeoutMs);
        connection.reset(api->InternetConnectA(session.get(), parts.host.c_str(), parts.port,
                                               nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) {
            return Fail();
        }
        SetTimeouts(*api, connection.get(), timeoutMs);
        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
        if (parts.secure) {
            flags |= INTERNET_FLAG_SECURE;  // certificate errors are never ignored
        }
        request.reset(api->HttpOpenRequestA(connection.get(), "GET", parts.pathAndQuery.c_str(),
                                            nullptr, nullptr, nullptr, flags, 0));
        if (!request) {
            return Fail();
        }
        SetTimeouts(*api, request.get(), timeoutMs);
        if (!api->HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
            return Fail();
        }
        DWORD code = 0;
        DWORD size = sizeof code;
        if (api->HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                &code, &size, nullptr)) {
            status = code;
        }
        contentLength = ContentLengthOf(*api, request.get());
        return true;
    }

    // Reads what has arrived, at most `wanted` bytes; 0 at the end of the body or after a
    // failed read (`failed` then true).
    DWORD DoRead(char* buffer, DWORD wanted, bool& failed, DWORD& failure) {
        // A plain read waits until the whole buffer is full; ask what has arrived first, so a
        // server that stalls in the body still hands over what it sent before.
        DWORD available = 0;
        if (!api->InternetQueryDataAvailable(request.get(), &available, 0, 0)) {
            failure = GetLastError();
            failed = true;
            return 0;
        }
        if (available == 0) {
            return 0;  // end of the body
        }
        DWORD n = 0;
        if (!api->InternetReadFile(request.get(), buffer, std::min(available, wanted), &n)) {
            failure = GetLastError();
            failed = true;  // a read that timed out may still have delivered some bytes
        }
        return n;
    }

    // Reads a piece of the body each time the caller wants more, until the body ends, the
    // caller is done or gives up, or maxBody bytes were read. Called and returns with the lock
    // held.
    void ReadPieces(std::unique_lock<std::mutex>& lock) {
        std::vector<char> piece(kReadPiece);
        for (;;) {
            cv.wait(lock, [&] { return quit || abandoned || wantMore; });
            if (quit || abandoned) {
                return;
            }
            const size_t room = maxBody - readTotal;
            if (room == 0) {
                bodyEnded = true;
                cv.notify_all();
                return;
            }
            lock.unlock();
            bool failed = false;
            DWORD failure = 0;
            const DWORD n =
                DoRead(piece.data(), room < kReadPiece ? static_cast<DWORD>(room) : kReadPiece,
                       failed, failure);
            lock.lock();
            wantMore = false;
            pending.erase(0, taken);
            taken = 0;
            pending.append(piece.data(), n);
            readTotal += n;
            if (failed) {
                readFailed = true;
                error = failure;
            }
            if (n == 0 || failed) {
                bodyEnded = true;
            }
            cv.notify_all();
            if (bodyEnded) {
                return;
            }
        }
    }

    void Release() {
        request.reset();
        connection.reset();
        session.reset();
    }

    // Serves one request; true when it ended with the caller still there (not abandoned), so
    // that the thread may serve the next one.
    static bool Serve(Shared& self) {
        std::unique_lock<std::mutex> lock(self.mutex);
        self.cv.wait(lock, [&] { return self.op != kNone || self.quit; });
        if (self.op == kOpen && !self.quit) {
            lock.unlock();
            const bool ok = self.DoOpen();
            lock.lock();
            self.ok = ok;
            self.done = true;
            self.cv.notify_all();
            if (ok) {
                self.ReadPieces(lock);
            }
        }
        lock.unlock();
        self.Release();  // every handle of this request, on the thread that opened it
        lock.lock();
        return !self.abandoned;
    }

    // A worker whose request is over waits here for the next request, one worker at most:
    // starting a thread costs a run far more than handing a waiting one its request.
    struct Idle {
        std::mutex mutex;
        std::condition_variable cv;
        bool waiting = false;
        std::shared_ptr<Shared> next;

        // Hands `job` to the waiting worker; false when none waits.
        bool HandOver(const std::shared_ptr<Shared>& job) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!waiting || next) {
                return false;
            }
            next = job;
            cv.notify_one();
            return true;
        }

        // Waits for the next request; false at once when another worker already waits.
        bool Wait(std::shared_ptr<Shared>& job) {
            std::unique_lock<std::mutex> lock(mutex);
            if (waiting) {
                return false;
            }
            waiting = true;
            cv.wait(lock, [&] { return next != nullptr; });
            waiting = false;
            job = std::move(next);
            next.reset();
            return true;
        }
    };

    // Never destroyed: a waiting worker may still be inside it while the process exits.
    static Idle& IdleWorkers() {
        static Idle* const idle = new Idle;
        return *idle;
    }

    // `slot` counts this worker until the thread ends, after its handles are closed, waiting
    // for a next request included.
    static void Worker(std::shared_ptr<Shared> job, WorkerLimit::Slot slot) {
        while (job) {
            const bool reusable = Serve(*job);
            job.reset();
            if (!reusable || !IdleWorkers().Wait(job)) {
                break;
            }
        }
    }
};

BoundedHttpGet::BoundedHttpGet(std::string agent, DWORD budgetMs, ProxyChoice proxy)
    : shared_(std::make_shared<Shared>()), budget_(budgetMs) {
    shared_->agent = std::move(agent);
    shared_->proxy = std::move(proxy);
    // Each blocking call on the worker gives up well before the whole budget is spent, so a
    // silent server fails the call itself rather than leaving the worker behind.
    shared_->timeoutMs = budgetMs / 2;
    if (Shared::IdleWorkers().HandOver(shared_)) {
        return;
    }
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

// Waits, within what is left of the budget, until `ready` holds; false (and the request
// abandoned) when the budget runs out first. Called with the lock held.
bool BoundedHttpGet::WaitFor(std::unique_lock<std::mutex>& lock,
                             const std::function<bool()>& ready) {
    if (budget_.Exhausted()) {
        shared_->abandoned = true;  // nothing left to wait with
        shared_->cv.notify_all();
        usable_ = false;
        failed_ = true;
        error_ = ERROR_INTERNET_TIMEOUT;
        return false;
    }
    const ULONGLONG start = GetTickCount64();
    const bool done =
        shared_->cv.wait_for(lock, std::chrono::milliseconds(budget_.LeftMs()), ready);
    budget_.Charge(GetTickCount64() - start, !done);
    if (!done) {
        // Out of time: the worker finishes its call on its own and then releases its handles.
        shared_->abandoned = true;
        shared_->cv.notify_all();
        usable_ = false;
        failed_ = true;
        error_ = ERROR_INTERNET_TIMEOUT;
        return false;
    }
    return true;
}

bool BoundedHttpGet::Open(const std::string& url, size_t maxBody) {
    if (!usable_) {
        return false;
    }
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->url = url;
    shared_->maxBody = maxBody;
    shared_->op = kOpen;
    shared_->cv.notify_all();
    const bool finished = WaitFor(lock, [&] { return shared_->done; });
    proxyInForce_ = shared_->proxyInForce;
    if (!finished) {
        return false;
    }
    if (shared_->error != 0) {
        error_ = shared_->error;
    }
    if (!shared_->ok) {
        usable_ = false;
    }
    status_ = shared_->status;
    contentLength_ = shared_->contentLength;
    return shared_->ok;
}

DWORD BoundedHttpGet::Read(char* buffer, DWORD size) {
    if (!usable_) {
        return 0;
    }
    std::unique_lock<std::mutex> lock(shared_->mutex);
    Shared& s = *shared_;
    if (s.pending.size() == s.taken && !s.bodyEnded) {
        s.wantMore = true;
        s.cv.notify_all();
    }
    if (!WaitFor(lock, [&] { return s.pending.size() > s.taken || s.bodyEnded; })) {
        return 0;
    }
    const DWORD got = static_cast<DWORD>(std::min<size_t>(size, s.pending.size() - s.taken));
    std::copy(s.pending.begin() + s.taken, s.pending.begin() + s.taken + got, buffer);
    s.taken += got;
    if (s.taken == s.pending.size() && s.bodyEnded && s.readFailed) {
        failed_ = true;  // the bytes that arrived before the failure are all delivered
        error_ = s.error;
    }
    return got;
}

void BoundedHttpGet::Close() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    usable_ = false;
    shared_->quit = true;
    shared_->cv.notify_all();
}

bool BoundedHttpGet::FetchText(const std::string& url, const std::string& agent, DWORD budgetMs,
                               std::string& body, size_t maxBytes, Report* report,
                               const ProxyChoice& proxy) {
    body.clear();
    BoundedHttpGet get(agent, budgetMs, proxy);
    const size_t cap = maxBytes == SIZE_MAX ? maxBytes : maxBytes + 1;
    bool ok = get.Open(url, cap) && get.Status() >= 200 && get.Status() <= 299;
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
        report->proxy = get.ProxyInForce();
    }
    if (!ok) {
        body.clear();
    }
    return ok;
}

}  // namespace net
