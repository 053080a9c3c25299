// A request worker whose request is over waits here for the next request, one worker at most:
// starting a thread costs a run far more than handing a waiting one its request.
#pragma once

#include <memory>

#include "net/handover_win.h"
#include "net/sync_win.h"

namespace net {

class IdleWorker {
  public:
    IdleWorker() = default;
    IdleWorker(const IdleWorker&) = delete;
    IdleWorker& operator=(const IdleWorker&) = delete;

    // Hands `job` to the waiting worker; false when none waits.
    bool HandOver(const std::shared_ptr<Handover>& job);

    // Waits for the next request; false at once when another worker already waits.
    bool Wait(std::shared_ptr<Handover>& job);

  private:
    Mutex mutex_;
    Condition arrived_;
    bool waiting_ = false;
    std::shared_ptr<Handover> next_;
};

// The program's place for a waiting worker. Never destroyed: a waiting worker may still be
// inside it while the process exits.
IdleWorker& IdleWorkers();

}  // namespace net
