// Waiting for a file another program holds for a moment. Virus scanners, backup tools and
// indexers open a file they have just seen change, and for as long as they hold it a write, a
// delete or a replace of it fails. Such a hold clears by itself; a read-only file or folder never
// does. One rule for every file the program writes: which failures are tried again, the pauses
// between the tries, and one budget of waiting for a whole run.
#pragma once

#include <cstdint>
#include <functional>

namespace common {

// How a try on a file failed, as far as the rule needs to know.
enum class FileFailure {
    None,              // it did not fail
    SharingViolation,  // the file is open elsewhere without the sharing the step needs
    LockViolation,     // part of the file is locked
    AccessDenied,      // a read-only file or folder, or a file another program still holds
    AlreadyExists,     // the file to be created is there
    Other,
};

// The time a run may spend waiting for held files, all files together.
inline constexpr std::uint32_t kRetryBudgetMs = 2000;
// The pause before the first retry; each later one doubles, up to the longest.
inline constexpr std::uint32_t kFirstRetryPauseMs = 10;
inline constexpr std::uint32_t kLongestRetryPauseMs = 250;

// True when a try that failed so is made again. Sharing and lock violations are another
// program's hold. An access denial, or a file still there that was to be created, is one only
// when `holdShown`: the step has shown that the file and its folder can be written, so that
// nothing but a hold can refuse it (a replace right after a new file was created in the same
// folder; a create right after the old file's delete succeeded).
bool WorthRetrying(FileFailure failure, bool holdShown);

// The pause before the next try, once `triesSoFar` tries (at least one) have failed:
// kFirstRetryPauseMs, doubled for each further try, at most kLongestRetryPauseMs.
std::uint32_t RetryPauseMs(unsigned triesSoFar);

// What is left of the time for waiting. A budget may be a share of another (`whole`): it then
// has at most its own cap and what the whole has left, and what it spends is spent from the
// whole too. A share must not outlive its whole. Not copied: it has one owner, who hands it
// down by reference.
class RetryBudget {
  public:
    explicit RetryBudget(std::uint32_t ms) : leftMs_(ms) {}
    RetryBudget(RetryBudget& whole, std::uint32_t capMs) : leftMs_(capMs), whole_(&whole) {}
    RetryBudget(const RetryBudget&) = delete;
    RetryBudget& operator=(const RetryBudget&) = delete;

    std::uint32_t LeftMs() const;
    // Spends `ms` (no more than is left).
    void Spend(std::uint32_t ms);

  private:
    std::uint32_t leftMs_;
    RetryBudget* whole_ = nullptr;
};

// How one try went.
struct FileTry {
    FileFailure failure = FileFailure::None;
    bool holdShown = false;  // as for WorthRetrying
};

// Makes `attempt` until it succeeds, fails in a way that is not retried, or the budget is spent,
// calling `pause(ms)` between two tries and spending each pause from `budget`; the last pause is
// cut to what is left. Returns the tries made (at least 1); the caller keeps what the last one
// said.
unsigned RunWithRetries(RetryBudget& budget, const std::function<FileTry()>& attempt,
                        const std::function<void(std::uint32_t)>& pause);

}  // namespace common
