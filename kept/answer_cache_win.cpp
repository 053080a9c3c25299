#include "kept/answer_cache_win.h"

#include <algorithm>

#include "common/file_retry_win.h"
#include "common/handles_win.h"
#include "common/whole_file_win.h"

namespace kept {
namespace {

void CloseMutex(HANDLE mutex) {
    CloseHandle(mutex);
}
using UniqueMutex = common::UniqueAny<HANDLE, CloseMutex>;

std::string PathIn(const std::string& folder, const char* name) {
    return folder + "\\" + name;
}

// The folder's full path as the system spells it, or the folder as given when that fails.
std::string FullPath(const std::string& folder) {
    std::string buffer(MAX_PATH, '\0');
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD n = GetFullPathNameA(folder.c_str(), static_cast<DWORD>(buffer.size()),
                                         &buffer[0], nullptr);
        if (n == 0) {
            break;
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(n, '\0');  // n is the size needed, its terminating NUL included
    }
    return folder;
}

// Holds the folder's named mutex for as long as it lives, once taken, and the share of the
// caller's wait for held files that may be spent meanwhile (kLockedRetryMs).
class FolderLock {
  public:
    FolderLock(const std::string& folder, const CacheFileOptions& options)
        : none_(0), retries_(options.retries ? *options.retries : none_, kLockedRetryMs) {
        const DWORD waitMs = options.lockWaitMs;
        const std::string name = CacheLockName(FullPath(folder));
        mutex_.reset(CreateMutexA(nullptr, FALSE, name.c_str()));
        if (!mutex_) {
            outcome_ = CacheOutcome::LockFailed;
            error_ = common::LastErrorOr(ERROR_INVALID_HANDLE);
            return;
        }
        switch (WaitForSingleObject(mutex_.get(), waitMs)) {
            case WAIT_OBJECT_0:
            case WAIT_ABANDONED:  // its holder ended without letting go; the file is checked anyway
                held_ = true;
                break;
            case WAIT_TIMEOUT:
                outcome_ = CacheOutcome::LockTimedOut;
                error_ = ERROR_TIMEOUT;
                break;
            default:
                outcome_ = CacheOutcome::LockFailed;
                error_ = common::LastErrorOr(ERROR_INVALID_HANDLE);
                break;
        }
    }
    ~FolderLock() {
        if (held_) {
            ReleaseMutex(mutex_.get());
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool Held() const { return held_; }
    common::RetryBudget& Retries() { return retries_; }
    // Why it is not held.
    CacheReport Failure() const {
        CacheReport report;
        report.outcome = outcome_;
        report.error = error_;
        return report;
    }

  private:
    common::RetryBudget none_;
    common::RetryBudget retries_;
    UniqueMutex mutex_;
    bool held_ = false;
    CacheOutcome outcome_ = CacheOutcome::Ok;
    DWORD error_ = ERROR_SUCCESS;
};

// Reads the whole file into `bytes` (empty when there is no file, or no folder). A file larger than
// the largest good one is read only to one byte past that size, which the parser refuses.
DWORD ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    common::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = common::LastErrorOr(ERROR_OPEN_FAILED);
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return missing ? ERROR_SUCCESS : error;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) {
        return common::LastErrorOr(ERROR_READ_FAULT);
    }
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<ULONGLONG>(static_cast<ULONGLONG>(size.QuadPart), kMaxFileBytes + 1));
    bytes.resize(wanted);
    std::size_t got = 0;
    while (got < wanted) {
        DWORD n = 0;
        if (!ReadFile(file.get(), &bytes[got], static_cast<DWORD>(wanted - got), &n, nullptr)) {
            return common::LastErrorOr(ERROR_READ_FAULT);
        }
        if (n == 0) {
            break;  // shorter than its size said
        }
        got += n;
    }
    bytes.resize(got);
    return ERROR_SUCCESS;
}

// Moves `from` over `to`; ERROR_SUCCESS or the system's error.
DWORD MoveOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? ERROR_SUCCESS
               : common::LastErrorOr(ERROR_WRITE_FAULT);
}

// Puts `content` in place of the file through the temporary file, waiting for held files from
// `retries`; on failure the file is as it was and the temporary file is gone. `tries` counts the
// tries of both steps (1 when neither had to wait).
DWORD ReplaceCacheFile(const std::string& folder, const std::string& content,
                       common::RetryBudget& retries, unsigned& tries) {
    const std::string temp = PathIn(folder, kTempCacheFileName);
    // A temporary file held by another program makes the create fail; a denial is a read-only
    // folder or file.
    common::RetriedStep step = common::RetryFileStep(
        retries, false, [&] { return common::WriteWholeFile(temp, content, CREATE_ALWAYS, true); });
    tries = step.tries;
    if (step.error == ERROR_SUCCESS) {
        // The temporary file was just created beside the file: the folder can be written, and
        // only a hold on either file can refuse the move.
        step = common::RetryFileStep(
            retries, true, [&] { return MoveOver(temp, PathIn(folder, kCacheFileName)); });
        tries += step.tries - 1;
    }
    if (step.error != ERROR_SUCCESS) {
        DeleteFileA(temp.c_str());
    }
    return step.error;
}

// With the lock held: reads the file into `bytes` and `parsed`. An unreadable file is set aside
// (a held one waited for from the lock's share) and counts as an empty one; a later version's is
// left alone. False, with the report filled in, when the file cannot be used.
bool ReadLocked(const std::string& folder, FolderLock& lock, CacheReport& report,
                std::string& bytes, ParsedCache& parsed) {
    const std::string path = PathIn(folder, kCacheFileName);
    const DWORD error = ReadWholeFile(path, bytes);
    if (error != ERROR_SUCCESS) {
        report.outcome = CacheOutcome::ReadFailed;
        report.error = error;
        return false;
    }
    parsed = ParseCache(bytes);
    if (parsed.readable) {
        return true;
    }
    if (parsed.newerVersion) {
        report.outcome = CacheOutcome::NewerVersion;
        return false;
    }
    // Nothing shows that the folder can be written: a denial is not waited for.
    const common::RetriedStep moved = common::RetryFileStep(
        lock.Retries(), false, [&] { return MoveOver(path, PathIn(folder, kBadCacheFileName)); });
    report.setAsideTries = moved.tries;
    if (moved.error != ERROR_SUCCESS) {
        report.outcome = CacheOutcome::ReadFailed;
        report.error = moved.error;
        return false;
    }
    report.setAside = true;
    bytes.clear();
    parsed = ParsedCache();
    parsed.readable = true;
    return true;
}

CacheReport Off() {
    CacheReport report;
    report.outcome = CacheOutcome::Off;
    return report;
}

}  // namespace

LoadedAnswers LoadKeptAnswers(const std::string& folder, std::int64_t now, int days,
                              const CacheFileOptions& options) {
    LoadedAnswers loaded;
    if (days <= 0) {
        loaded.report = Off();
        return loaded;
    }
    try {
        FolderLock lock(folder, options);
        if (!lock.Held()) {
            loaded.report = lock.Failure();
            return loaded;
        }
        std::string bytes;
        ParsedCache parsed;
        if (ReadLocked(folder, lock, loaded.report, bytes, parsed)) {
            for (KeptAnswer& entry : parsed.entries) {
                if (IsFresh(entry.stamp, now, days)) {
                    loaded.entries.push_back(std::move(entry));
                }
            }
        }
    } catch (...) {  // out of memory
        loaded.entries.clear();
        loaded.report.outcome = CacheOutcome::ReadFailed;
        loaded.report.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    return loaded;
}

KeptLookup LookUpKeptAnswer(const std::string& folder, const std::string& callsign,
                            std::int64_t now, int days, const CacheFileOptions& options) {
    KeptLookup result;
    LoadedAnswers loaded = LoadKeptAnswers(folder, now, days, options);
    result.report = loaded.report;
    if (loaded.report.outcome == CacheOutcome::Ok) {
        try {
            result.hit = FindAnswer(loaded.entries, callsign, now, days);
        } catch (...) {  // out of memory
            result.report.outcome = CacheOutcome::ReadFailed;
            result.report.error = ERROR_NOT_ENOUGH_MEMORY;
        }
    }
    return result;
}

CacheReport StoreKeptAnswer(const std::string& folder, const AnswerChange& change, std::int64_t now,
                            int days, const CacheFileOptions& options) {
    if (days <= 0) {
        return Off();
    }
    CacheReport report;
    try {
        FolderLock lock(folder, options);
        if (!lock.Held()) {
            return lock.Failure();
        }
        std::string bytes;
        ParsedCache parsed;
        if (!ReadLocked(folder, lock, report, bytes, parsed)) {
            return report;
        }
        ApplyChange(parsed.entries, change, now, days, options.limits);
        const std::string content = SerializeCache(parsed.entries);
        if (content == bytes) {
            return report;
        }
        const DWORD error = ReplaceCacheFile(folder, content, lock.Retries(), report.writeTries);
        if (error != ERROR_SUCCESS) {
            report.outcome = CacheOutcome::WriteFailed;
            report.error = error;
        }
    } catch (...) {  // out of memory: nothing was put in place
        report.outcome = CacheOutcome::WriteFailed;
        report.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    return report;
}

std::int64_t UtcSecondsNow() {
    FILETIME ft = {};
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER ticks = {};
    ticks.LowPart = ft.dwLowDateTime;
    ticks.HighPart = ft.dwHighDateTime;
    // FILETIME counts 100 ns steps from 1601-01-01; 1970 is 11,644,473,600 s later.
    constexpr std::int64_t kTicksPerSecond = 10000000;
    constexpr std::int64_t kSeconds1601To1970 = 11644473600LL;
    return static_cast<std::int64_t>(ticks.QuadPart / kTicksPerSecond) - kSeconds1601To1970;
}

}  // namespace kept
