// A lock and a condition of the system's slim kind (SRWLOCK, CONDITION_VARIABLE). No kernel
// object stands behind them: a hand-over between two threads costs a futex call or two under
// Wine instead of round trips to the Wine server, and there is nothing to close.
#pragma once

#include <windows.h>

namespace net {

class Mutex {
  public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

  private:
    friend class Lock;
    friend class Condition;
    SRWLOCK srw_ = SRWLOCK_INIT;
};

// Holds a Mutex for as long as it lives.
class Lock {
  public:
    explicit Lock(Mutex& mutex) : mutex_(mutex) { AcquireSRWLockExclusive(&mutex_.srw_); }
    ~Lock() { ReleaseSRWLockExclusive(&mutex_.srw_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

  private:
    friend class Condition;
    Mutex& mutex_;
};

// Waits release the lock they are given while they sleep and hold it again when they return.
// No wait wakes on a timer of its own: each sleeps until it is woken or its time is up.
class Condition {
  public:
    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    // Waits until `ready()` holds.
    template <typename Ready>
    void Wait(Lock& lock, Ready ready) {
        while (!ready()) {
            SleepConditionVariableSRW(&cv_, &lock.mutex_.srw_, INFINITE, 0);
        }
    }

    // Waits at most `ms` for `ready()` to hold; whether it holds.
    template <typename Ready>
    bool WaitFor(Lock& lock, DWORD ms, Ready ready) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (!ready()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) {
                return false;
            }
            SleepConditionVariableSRW(&cv_, &lock.mutex_.srw_, static_cast<DWORD>(end - now), 0);
        }
        return true;
    }

    void WakeAll() { WakeAllConditionVariable(&cv_); }
    void WakeOne() { WakeConditionVariable(&cv_); }

  private:
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

}  // namespace net
