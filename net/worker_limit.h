// How many request workers may live at once. A worker holds a slot from before its thread
// starts until the thread ends, so a worker abandoned inside a call that never returns keeps
// its slot; when none is free, no new worker starts.
#pragma once

#include <atomic>

namespace net {

// Request workers the program holds at most, the update check's included.
inline constexpr int kMaxRequestWorkers = 4;

class WorkerLimit {
  public:
    explicit WorkerLimit(int capacity) : capacity_(capacity) {}
    WorkerLimit(const WorkerLimit&) = delete;
    WorkerLimit& operator=(const WorkerLimit&) = delete;

    // One worker's place in the count; given back when released or destroyed.
    class Slot {
      public:
        Slot() = default;
        ~Slot() { Release(); }
        Slot(Slot&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }
        Slot& operator=(Slot&& other) noexcept;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

        bool Held() const { return owner_ != nullptr; }
        void Release();

      private:
        friend class WorkerLimit;
        explicit Slot(WorkerLimit* owner) : owner_(owner) {}
        WorkerLimit* owner_ = nullptr;
    };

    // A held slot, or an empty one when every slot is taken, or when taking one would leave fewer
    // than `keepFree` slots free.
    Slot TryTake(int keepFree = 0);

    int InUse() const;
    int Capacity() const { return capacity_; }

  private:
    void Give();

    const int capacity_;
    std::atomic<int> inUse_{0};
};

}  // namespace net
