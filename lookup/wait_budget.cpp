#include "lookup/wait_budget.h"

namespace lookup {

void WaitBudget::Charge(uint64_t waitedMs, bool timedOut) {
    if (timedOut || waitedMs >= LeftMs()) {
        spentMs_ = budgetMs_;
        return;
    }
    spentMs_ += static_cast<uint32_t>(waitedMs);
}

}  // namespace lookup
