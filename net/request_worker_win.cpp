#include "net/request_worker_win.h"

#include <memory>
#include <utility>
#include <vector>

#include "common/handles_win.h"
#include "net/idle_worker_win.h"
#include "net/wininet_request_win.h"
#include "net/worker_limit.h"

namespace net {
namespace {

// The worker reads what has arrived in pieces of up to this size, and the caller takes its small
// chunks from them: a long answer needs one hand-over per piece, not one per chunk.
constexpr DWORD kReadPiece = 64 * 1024;

// The program's request workers. Never destroyed: a worker abandoned inside WinINet may still
// give its slot back while the process exits.
WorkerLimit& RequestWorkers() {
    static WorkerLimit* const workers = new WorkerLimit(kMaxRequestWorkers);
    return *workers;
}

// Reads a piece of the body each time the caller wants more, until the body ends, the caller is
// done or gives up, or as much as the caller wants was read.
void ReadBody(Handover& handover, WinInetRequest& request) {
    std::vector<char> piece(kReadPiece);
    size_t room = 0;
    while (handover.NextPiece(room)) {
        bool failed = false;
        const DWORD n = request.Read(
            piece.data(), room < kReadPiece ? static_cast<DWORD>(room) : kReadPiece, failed);
        if (!handover.Deliver(piece.data(), n, failed, request.Error())) {
            return;
        }
    }
}

// Serves the request of `handover`; true when it ended with the caller still there (not
// abandoned), so that the thread may serve the next one.
bool Serve(Handover& handover) {
    Handover::Order order;
    if (handover.TakeOrder(order)) {
        WinInetRequest request;  // its handles are closed at the end of this block
        bool ok = request.OpenSession(order.url, order.agent, order.proxy, order.timeoutMs);
        if (ok) {
            handover.ShowProxy(request.ProxyInForce());
            ok = request.Send();
        }
        Handover::Outcome outcome;
        outcome.ok = ok;
        outcome.status = request.Status();
        outcome.contentLength = request.ContentLength();
        outcome.contentType = request.ContentType();
        outcome.error = request.Error();
        if (handover.OpenDone(outcome)) {
            ReadBody(handover, request);
        }
    }
    return !handover.Abandoned();
}

// What a new worker thread starts with. `slot` counts the worker until the thread ends, after
// its handles are closed, waiting for a next request included.
struct WorkerStart {
    std::shared_ptr<Handover> job;
    WorkerLimit::Slot slot;
};

DWORD WINAPI Work(void* param) {
    const std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(param));
    std::shared_ptr<Handover> job = std::move(start->job);
    while (job) {
        const bool reusable = Serve(*job);
        job.reset();
        if (!reusable || !IdleWorkers().Wait(job)) {
            break;
        }
    }
    return 0;
}

void CloseThreadHandle(HANDLE h) {
    CloseHandle(h);
}
using UniqueThread = common::UniqueAny<HANDLE, CloseThreadHandle>;

}  // namespace

DWORD StartRequestWorker(const std::shared_ptr<Handover>& handover, bool spareLastWorker) {
    if (IdleWorkers().HandOver(handover)) {
        return 0;
    }
    WorkerLimit::Slot slot = RequestWorkers().TryTake(spareLastWorker ? 1 : 0);
    if (!slot.Held()) {
        return ERROR_BUSY;  // every worker is taken: the request cannot be opened
    }
    auto start = std::make_unique<WorkerStart>(WorkerStart{handover, std::move(slot)});
    // Nothing waits for the thread: its handle is closed at once, and the thread ends when its
    // work is done.
    const UniqueThread thread(CreateThread(nullptr, 0, Work, start.get(), 0, nullptr));
    if (!thread) {
        const DWORD error = GetLastError();
        return error != 0 ? error : ERROR_NOT_ENOUGH_MEMORY;
    }
    start.release();  // the thread owns it now
    return 0;
}

}  // namespace net
