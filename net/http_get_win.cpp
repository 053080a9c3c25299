#include "net/http_get_win.h"

#include <wininet.h>

#include <utility>

#include "net/request_worker_win.h"

namespace net {

static_assert(kTimedOutError == ERROR_INTERNET_TIMEOUT);

BoundedHttpGet::BoundedHttpGet(std::string agent, const RequestLimits& limits, ProxyChoice proxy)
    : handover_(
          std::make_shared<Handover>(std::move(agent), std::move(proxy), limits.callTimeoutMs)),
      budget_(limits.budgetMs) {
    error_ = StartRequestWorker(handover_, limits.spareLastWorker);
    usable_ = error_ == 0;  // with no worker, every call fails as a request not opened
}

BoundedHttpGet::~BoundedHttpGet() {
    Close();
}

bool BoundedHttpGet::WaitWhile(Handover::Phase busy) {
    if (!budget_.Exhausted()) {
        const ULONGLONG start = GetTickCount64();
        const bool moved = handover_->WaitWhile(busy, budget_.LeftMs());
        budget_.Charge(GetTickCount64() - start, !moved);
        if (moved) {
            return true;
        }
    }
    Abandon();
    return false;
}

// Out of time: the worker finishes its call on its own and then releases its handles.
void BoundedHttpGet::Abandon() {
    handover_->Abandon();
    usable_ = false;
    failed_ = true;
    error_ = ERROR_INTERNET_TIMEOUT;
}

bool BoundedHttpGet::Open(const std::string& url, size_t maxBody) {
    if (!usable_) {
        return false;
    }
    handover_->Open(url, maxBody);
    const bool finished = WaitWhile(Handover::Phase::Opening);
    proxyInForce_ = handover_->ProxyInForce();
    if (!finished) {
        return false;
    }
    const Handover::Outcome opened = handover_->OpenOutcome();
    if (opened.error != 0) {
        error_ = opened.error;
    }
    if (!opened.ok) {
        usable_ = false;
    }
    status_ = opened.status;
    contentLength_ = opened.contentLength;
    contentType_ = opened.contentType;
    return opened.ok;
}

DWORD BoundedHttpGet::Read(char* buffer, DWORD size) {
    if (!usable_) {
        return 0;
    }
    handover_->AskForMore();
    if (!WaitWhile(Handover::Phase::Reading)) {
        return 0;
    }
    const Handover::Taken taken = handover_->Take(buffer, size);
    if (taken.failed) {
        failed_ = true;  // the bytes that arrived before the failure are all delivered
        error_ = taken.error;
    }
    return taken.bytes;
}

void BoundedHttpGet::Close() {
    usable_ = false;
    handover_->Close();
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
