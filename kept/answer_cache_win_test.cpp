// The kept-answers file on disk, in a folder of its own under the temporary folder.
#include "kept/answer_cache_win.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "common/handles_win.h"

namespace {

using kept::AnswerChange;
using kept::CacheOutcome;

void CloseKernelHandle(HANDLE h) {
    CloseHandle(h);
}
using UniqueKernel = common::UniqueAny<HANDLE, CloseKernelHandle>;

constexpr std::int64_t kNow = 1800000000;
constexpr int kDays = 30;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class AnswerCacheFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        folder_ = std::string(temp) + "answer-cache-test-" + std::to_string(GetCurrentProcessId());
        RemoveAll();
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << GetLastError();
    }
    void TearDown() override { RemoveAll(); }

    std::string Path(const char* name) const { return folder_ + "\\" + name; }
    std::string CachePath() const { return Path(kept::kCacheFileName); }

    kept::CacheReport Store(const AnswerChange& change, std::int64_t now = kNow,
                            const kept::CacheFileOptions& options = {}) const {
        return kept::StoreKeptAnswer(folder_, change, now, kDays, options);
    }

    void RemoveAll() const {
        for (const char* name :
             {kept::kCacheFileName, kept::kBadCacheFileName, kept::kTempCacheFileName}) {
            DeleteFileA(Path(name).c_str());
            RemoveDirectoryA(Path(name).c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }

    std::string folder_;
};

// Holds the folder's lock on a thread of its own until told to let go or, when `abandon`, ends
// holding it. The handle stays open here, so that an abandoned mutex lives on as such.
class LockHolder {
  public:
    LockHolder(const std::string& folder, bool abandon)
        : held_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        char full[MAX_PATH] = {};
        GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
        mutex_.reset(CreateMutexA(nullptr, FALSE, kept::CacheLockName(full).c_str()));
        thread_ = std::thread([this, abandon] {
            WaitForSingleObject(mutex_.get(), INFINITE);
            SetEvent(held_.get());
            if (!abandon) {
                WaitForSingleObject(release_.get(), INFINITE);
                ReleaseMutex(mutex_.get());
            }
        });
        WaitForSingleObject(held_.get(), 5000);
    }
    ~LockHolder() {
        SetEvent(release_.get());
        thread_.join();
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

  private:
    UniqueKernel mutex_;
    UniqueKernel held_;
    UniqueKernel release_;
    std::thread thread_;
};

}  // namespace

TEST_F(AnswerCacheFile, StoresAndFindsAnswers) {
    const std::string reply = "N0CALL|JANE|\xe9|a\r\nb|";
    EXPECT_EQ(Store(AnswerChange::Found("n0call", reply, "|ext|")).outcome, CacheOutcome::Ok);
    EXPECT_EQ(Store(AnswerChange::Found("K1ABC", "k", "")).outcome, CacheOutcome::Ok);
    EXPECT_FALSE(Exists(Path(kept::kTempCacheFileName)));

    const kept::KeptLookup found =
        kept::LookUpKeptAnswer(folder_, "N0CALL", kNow + 2 * 86400 + 5, kDays);
    EXPECT_EQ(found.report.outcome, CacheOutcome::Ok);
    ASSERT_TRUE(found.hit.has_value());
    EXPECT_EQ(found.hit->reply, reply);
    EXPECT_EQ(found.hit->extended, "|ext|");
    EXPECT_EQ(found.hit->ageDays, 2);

    EXPECT_EQ(Store(AnswerChange::NotFound("N0CALL")).outcome, CacheOutcome::Ok);
    const kept::LoadedAnswers loaded = kept::LoadKeptAnswers(folder_, kNow, kDays);
    ASSERT_EQ(loaded.entries.size(), 1u);
    EXPECT_EQ(loaded.entries[0].key, "K1ABC");
    // Stale answers stay out of what a load gives.
    EXPECT_TRUE(kept::LoadKeptAnswers(folder_, kNow + kDays * 86400, kDays).entries.empty());

    // Keeping off: the file is not looked at.
    const std::string before = ReadBytes(CachePath());
    EXPECT_EQ(
        kept::StoreKeptAnswer(folder_, AnswerChange::Found("Q3TEST", "q", ""), kNow, 0).outcome,
        CacheOutcome::Off);
    EXPECT_EQ(kept::LookUpKeptAnswer(folder_, "K1ABC", kNow, 0).report.outcome, CacheOutcome::Off);
    EXPECT_EQ(ReadBytes(CachePath()), before);

    const std::int64_t crt = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_NEAR(static_cast<double>(kept::UtcSecondsNow()), static_cast<double>(crt), 5.0);
}

TEST_F(AnswerCacheFile, UnreadableFileIsSetAsideAndANewOneBegun) {
    WriteBytes(CachePath(), "[Settings]\r\nUserName=x\r\n");
    WriteBytes(Path(kept::kBadCacheFileName), "an older one");
    const kept::LoadedAnswers loaded = kept::LoadKeptAnswers(folder_, kNow, kDays);
    EXPECT_EQ(loaded.report.outcome, CacheOutcome::Ok);
    EXPECT_TRUE(loaded.report.setAside);
    EXPECT_TRUE(loaded.entries.empty());
    EXPECT_EQ(ReadBytes(Path(kept::kBadCacheFileName)), "[Settings]\r\nUserName=x\r\n");
    EXPECT_FALSE(Exists(CachePath()));

    EXPECT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    std::string damaged = ReadBytes(CachePath());
    damaged[damaged.size() - 3] ^= 1;
    WriteBytes(CachePath(), damaged);
    const kept::CacheReport stored = Store(AnswerChange::Found("K1ABC", "k", ""));
    EXPECT_EQ(stored.outcome, CacheOutcome::Ok);
    EXPECT_TRUE(stored.setAside);
    EXPECT_EQ(ReadBytes(Path(kept::kBadCacheFileName)), damaged);
    const kept::LoadedAnswers after = kept::LoadKeptAnswers(folder_, kNow, kDays);
    EXPECT_FALSE(after.report.setAside);
    ASSERT_EQ(after.entries.size(), 1u);
    EXPECT_EQ(after.entries[0].key, "K1ABC");
}

// A newer add-on's file in the same folder: no read, store or drop of this one touches it.
TEST_F(AnswerCacheFile, ALaterVersionsFileIsLeftAlone) {
    const std::string newer = "QuendixLookup cache 2\nN0CALL 12 whatever it holds\n\x01";
    WriteBytes(CachePath(), newer);
    const kept::KeptLookup looked = kept::LookUpKeptAnswer(folder_, "N0CALL", kNow, kDays);
    EXPECT_EQ(looked.report.outcome, CacheOutcome::NewerVersion);
    EXPECT_FALSE(looked.report.setAside);
    EXPECT_FALSE(looked.hit.has_value());
    EXPECT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::NewerVersion);
    EXPECT_EQ(Store(AnswerChange::NotFound("N0CALL")).outcome, CacheOutcome::NewerVersion);
    EXPECT_EQ(ReadBytes(CachePath()), newer);
    EXPECT_FALSE(Exists(Path(kept::kBadCacheFileName)));
    EXPECT_FALSE(Exists(Path(kept::kTempCacheFileName)));
}

TEST_F(AnswerCacheFile, FailedWriteLeavesTheFileAsItWas) {
    ASSERT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    const std::string before = ReadBytes(CachePath());
    // Something in the way of the temporary file.
    ASSERT_TRUE(CreateDirectoryA(Path(kept::kTempCacheFileName).c_str(), nullptr));
    const kept::CacheReport report = Store(AnswerChange::Found("K1ABC", "k", ""));
    EXPECT_EQ(report.outcome, CacheOutcome::WriteFailed);
    EXPECT_NE(report.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ReadBytes(CachePath()), before);

    const kept::CacheReport nowhere = kept::StoreKeptAnswer(
        folder_ + "\\missing", AnswerChange::Found("K1ABC", "k", ""), kNow, kDays);
    EXPECT_EQ(nowhere.outcome, CacheOutcome::WriteFailed);
}

TEST_F(AnswerCacheFile, GivesUpWhenTheLockIsHeldPastTheWait) {
    ASSERT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    const std::string before = ReadBytes(CachePath());
    kept::CacheFileOptions options;
    options.lockWaitMs = 300;
    {
        const LockHolder holder(folder_, false);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(kept::LoadKeptAnswers(folder_, kNow, kDays, options).report.outcome,
                  CacheOutcome::LockTimedOut);
        EXPECT_EQ(Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options).outcome,
                  CacheOutcome::LockTimedOut);
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_GE(elapsed, 2 * 300u - 50);
        EXPECT_LT(elapsed, 2 * 300u + 1500);
        EXPECT_EQ(ReadBytes(CachePath()), before);
    }
    EXPECT_EQ(Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options).outcome,
              CacheOutcome::Ok);
    // A holder that ended without letting go does not keep others out.
    const LockHolder gone(folder_, true);
    const kept::LoadedAnswers loaded = kept::LoadKeptAnswers(folder_, kNow, kDays, options);
    EXPECT_EQ(loaded.report.outcome, CacheOutcome::Ok);
    EXPECT_EQ(loaded.entries.size(), 2u);
}

TEST_F(AnswerCacheFile, ConcurrentStoresLoseNothing) {
    constexpr int kEach = 20;
    std::vector<CacheOutcome> outcomes(2 * kEach, CacheOutcome::WriteFailed);
    auto storeMany = [&](char prefix, int first) {
        for (int i = 0; i < kEach; ++i) {
            const std::string call = prefix + std::to_string(i);
            outcomes[first + i] = Store(AnswerChange::Found(call, call + "|reply", "|ext")).outcome;
        }
    };
    std::thread a(storeMany, 'A', 0);
    std::thread b(storeMany, 'B', kEach);
    a.join();
    b.join();
    for (const CacheOutcome outcome : outcomes) {
        EXPECT_EQ(outcome, CacheOutcome::Ok);
    }
    const kept::LoadedAnswers loaded = kept::LoadKeptAnswers(folder_, kNow, kDays);
    EXPECT_EQ(loaded.entries.size(), 2u * kEach);
    for (const char prefix : {'A', 'B'}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string call = prefix + std::to_string(i);
            const auto hit = kept::FindAnswer(loaded.entries, call, kNow, kDays);
            ASSERT_TRUE(hit.has_value()) << call;
            EXPECT_EQ(hit->reply, call + "|reply");
        }
    }
}

namespace {

// Holds a file open the way a virus scanner does, for `holdMs` from now, on a thread of its own.
class HeldOpen {
  public:
    HeldOpen(const std::string& path, DWORD sharing, DWORD holdMs)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (file_ != INVALID_HANDLE_VALUE) {
            thread_ = std::thread([this, holdMs] {
                Sleep(holdMs);
                CloseHandle(file_);
            });
        }
    }
    ~HeldOpen() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool Ok() const { return file_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE file_;
    std::thread thread_;
};

}  // namespace

// The file held open for reading while a store puts the new one in its place: the move waits
// for it, the answer is kept beside the earlier one, and the wait comes from the caller's budget.
TEST_F(AnswerCacheFile, AHeldFileIsWaitedForFromTheBudget) {
    ASSERT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    common::RetryBudget budget(common::kRetryBudgetMs);
    kept::CacheFileOptions options;
    options.retries = &budget;
    const ULONGLONG start = GetTickCount64();
    kept::CacheReport report;
    {
        const HeldOpen held(CachePath(), FILE_SHARE_READ, 600);
        ASSERT_TRUE(held.Ok());
        report = Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options);
    }
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(report.outcome, CacheOutcome::Ok) << report.error;
    EXPECT_GT(report.writeTries, 1u);
    EXPECT_GE(elapsed, 550u);
    EXPECT_LT(budget.LeftMs(), common::kRetryBudgetMs - 500);
    EXPECT_GE(budget.LeftMs(), common::kRetryBudgetMs - kept::kLockedRetryMs);
    const kept::LoadedAnswers loaded = kept::LoadKeptAnswers(folder_, kNow, kDays);
    ASSERT_EQ(loaded.entries.size(), 2u);
    EXPECT_FALSE(Exists(Path(kept::kTempCacheFileName)));

    // A withdrawn answer too.
    {
        const HeldOpen held(CachePath(), FILE_SHARE_READ, 300);
        ASSERT_TRUE(held.Ok());
        report = Store(AnswerChange::NotFound("N0CALL"), kNow, options);
    }
    EXPECT_EQ(report.outcome, CacheOutcome::Ok) << report.error;
    EXPECT_GT(report.writeTries, 1u);
    const kept::LoadedAnswers after = kept::LoadKeptAnswers(folder_, kNow, kDays);
    ASSERT_EQ(after.entries.size(), 1u);
    EXPECT_EQ(after.entries[0].key, "K1ABC");
}

// A temporary file another program holds (a scanner looking at the last one) is waited for too.
TEST_F(AnswerCacheFile, AHeldTemporaryFileIsWaitedFor) {
    ASSERT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    WriteBytes(Path(kept::kTempCacheFileName), "left over");
    common::RetryBudget budget(common::kRetryBudgetMs);
    kept::CacheFileOptions options;
    options.retries = &budget;
    kept::CacheReport report;
    {
        const HeldOpen held(Path(kept::kTempCacheFileName), FILE_SHARE_READ, 600);
        ASSERT_TRUE(held.Ok());
        report = Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options);
    }
    EXPECT_EQ(report.outcome, CacheOutcome::Ok) << report.error;
    EXPECT_GT(report.writeTries, 1u);
    EXPECT_EQ(kept::LoadKeptAnswers(folder_, kNow, kDays).entries.size(), 2u);
    EXPECT_FALSE(Exists(Path(kept::kTempCacheFileName)));
}

// While the folder's lock is held, a file held for longer is waited for no longer than the
// lock's share of the budget, well within another process's wait for the lock; the file stays as
// it was. Without a budget nothing is waited for, and what no waiting clears (something in the way
// of the temporary file) fails at the first try.
TEST_F(AnswerCacheFile, TheWaitUnderTheLockIsShorterThanTheLocksWait) {
    ASSERT_EQ(Store(AnswerChange::Found("N0CALL", "r", "e")).outcome, CacheOutcome::Ok);
    const std::string before = ReadBytes(CachePath());
    common::RetryBudget budget(common::kRetryBudgetMs);
    kept::CacheFileOptions options;
    options.retries = &budget;
    {
        const HeldOpen held(CachePath(), FILE_SHARE_READ, 3000);
        ASSERT_TRUE(held.Ok());
        const ULONGLONG start = GetTickCount64();
        const kept::CacheReport report =
            Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options);
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_EQ(report.outcome, CacheOutcome::WriteFailed);
        EXPECT_GT(report.writeTries, 1u);
        EXPECT_GE(elapsed, kept::kLockedRetryMs - 50);
        EXPECT_LT(elapsed, kept::kCacheLockWaitMs - 300);
        EXPECT_EQ(budget.LeftMs(), common::kRetryBudgetMs - kept::kLockedRetryMs);

        const kept::CacheReport unwaited = Store(AnswerChange::Found("K1ABC", "k", ""));
        EXPECT_EQ(unwaited.outcome, CacheOutcome::WriteFailed);
        EXPECT_EQ(unwaited.writeTries, 1u);
    }
    EXPECT_EQ(ReadBytes(CachePath()), before);
    EXPECT_FALSE(Exists(Path(kept::kTempCacheFileName)));

    ASSERT_TRUE(CreateDirectoryA(Path(kept::kTempCacheFileName).c_str(), nullptr));
    const kept::CacheReport blocked = Store(AnswerChange::Found("K1ABC", "k", ""), kNow, options);
    EXPECT_EQ(blocked.outcome, CacheOutcome::WriteFailed);
    EXPECT_EQ(blocked.writeTries, 1u);
    EXPECT_EQ(budget.LeftMs(), common::kRetryBudgetMs - kept::kLockedRetryMs);
}

// An unreadable file that another program holds is set aside once it is let go.
TEST_F(AnswerCacheFile, AHeldUnreadableFileIsSetAsideOnceLetGo) {
    WriteBytes(CachePath(), "not a file of answers\r\n");
    common::RetryBudget budget(common::kRetryBudgetMs);
    kept::CacheFileOptions options;
    options.retries = &budget;
    kept::LoadedAnswers loaded;
    {
        const HeldOpen held(CachePath(), FILE_SHARE_READ, 300);
        ASSERT_TRUE(held.Ok());
        loaded = kept::LoadKeptAnswers(folder_, kNow, kDays, options);
    }
    EXPECT_EQ(loaded.report.outcome, CacheOutcome::Ok) << loaded.report.error;
    EXPECT_TRUE(loaded.report.setAside);
    EXPECT_GT(loaded.report.setAsideTries, 1u);
    EXPECT_EQ(ReadBytes(Path(kept::kBadCacheFileName)), "not a file of answers\r\n");
}
