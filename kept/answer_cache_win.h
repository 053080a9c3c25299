// The kept-answers file on disk: read and replaced under a lock shared by every process of the
// add-on that uses the same folder (a 32-bit and a 64-bit one may run side by side).
//
// Every call takes the folder that holds the settings file (without a trailing backslash), the
// present time in seconds since 1970 UTC (UtcSecondsNow, or another time in a test) and the
// days of the KeepAnswers setting (ParseKeepAnswersDays). Nothing here throws or shows a box:
// each call says what happened in its result, and a caller that did not get Ok goes on without
// the file.
//
// The lock is a named mutex (CacheLockName of the folder's full path), waited for at most
// `lockWaitMs`; one abandoned by a process that ended while holding it counts as taken. It is
// held from before the file is read until after the new one is in place, so a change made by
// another process between the two cannot be lost.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/file_retry.h"
#include "kept/answer_cache.h"

namespace kept {

inline constexpr DWORD kCacheLockWaitMs = 2000;
// While the lock is held, held files are waited for at most this long in all (from the caller's
// budget), so that another process waiting for the lock gets it within its wait.
inline constexpr std::uint32_t kLockedRetryMs = kCacheLockWaitMs / 2;

enum class CacheOutcome {
    Ok,            // done (a missing file reads as one with no answers)
    Off,           // keeping is off (days 0): the file was neither read nor written
    LockTimedOut,  // another process held the file past the bounded wait; nothing was done
    LockFailed,    // the lock could not be made; nothing was done
    ReadFailed,    // the file could not be opened or read, or an unreadable one could not be
                   // set aside; nothing was written
    WriteFailed,   // the new content could not be put in place; the file is as it was
    NewerVersion,  // the file is a later version's: it was neither used, written nor set aside
};

struct CacheReport {
    CacheOutcome outcome = CacheOutcome::Ok;
    // An unreadable file was renamed to kBadCacheFileName on the way (replacing an older one);
    // a store then began a new file.
    bool setAside = false;
    DWORD error = ERROR_SUCCESS;  // the system's error number of a failure
    // The tries of the setting-aside and of the write, when made (0: not made); more than one
    // when another program held a file.
    unsigned setAsideTries = 0;
    unsigned writeTries = 0;
};

struct CacheFileOptions {
    DWORD lockWaitMs = kCacheLockWaitMs;
    CacheLimits limits;
    // The run's wait for files another program holds (common/file_retry.h), of which a call
    // takes at most kLockedRetryMs; none: such a file is not waited for.
    common::RetryBudget* retries = nullptr;
};

struct LoadedAnswers {
    CacheReport report;
    std::vector<KeptAnswer> entries;  // those fresh at `now`, in file order
};

// Reads the file under the lock. A missing file (or folder) reads as one with no answers; an
// unreadable one is set aside and reads so too (a file that another program holds is waited for
// as the retry rule says).
LoadedAnswers LoadKeptAnswers(const std::string& folder, std::int64_t now, int days,
                              const CacheFileOptions& options = {});

struct KeptLookup {
    CacheReport report;
    std::optional<KeptHit> hit;  // the fresh answer for the callsign, when there is one
};

// LoadKeptAnswers, then FindAnswer for `callsign`.
KeptLookup LookUpKeptAnswer(const std::string& folder, const std::string& callsign,
                            std::int64_t now, int days, const CacheFileOptions& options = {});

// Under the lock: reads the file, applies the change (ApplyChange with the options' limits),
// writes the whole new content to kTempCacheFileName in the same folder, flushes it to disk and
// moves it over the file in one step. When nothing changed, nothing is written. A missing file
// is begun anew. The temporary file and the move wait for another program's hold as the retry
// rule says; an access denial of the move counts as a hold (the temporary file was just created
// beside the file, so the folder can be written). The change must
// hold only the callsign and the two lines the logger receives (see answer_cache.h).
CacheReport StoreKeptAnswer(const std::string& folder, const AnswerChange& change, std::int64_t now,
                            int days, const CacheFileOptions& options = {});

// The present time in seconds since 1970-01-01 00:00 UTC.
std::int64_t UtcSecondsNow();

}  // namespace kept
