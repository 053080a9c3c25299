#include "net/wait_budget.h"

namespace net {

void WaitBudget::Charge(uint64_t waitedMs, bool timedOut) {
    if (timedOut || waitedMs >= LeftMs()) {
        spentMs_ = budgetMs_;
        return;
    }
    spentMs_ += static_cast<uint32_t>(waitedMs);
}

}  // namespace net
