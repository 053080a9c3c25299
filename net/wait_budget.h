// The time a request may spend waiting on the service, spent in pieces: each wait is charged
// as it ends, and time between waits costs nothing.
#pragma once

#include <cstdint>

namespace net {

class WaitBudget {
  public:
    explicit WaitBudget(uint32_t budgetMs) : budgetMs_(budgetMs) {}

    // What the next wait may take.
    uint32_t LeftMs() const { return budgetMs_ - spentMs_; }
    uint32_t SpentMs() const { return spentMs_; }
    bool Exhausted() const { return spentMs_ >= budgetMs_; }

    // Charges a wait of `waitedMs`. A wait that ran out of time (`timedOut`) or took all
    // that was left spends the whole budget.
    void Charge(uint64_t waitedMs, bool timedOut);

  private:
    uint32_t budgetMs_;
    uint32_t spentMs_ = 0;
};

}  // namespace net
