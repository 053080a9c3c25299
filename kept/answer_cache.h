// Kept answers: the reply line and extended line of callsigns the service found, kept in a file
// beside the settings so that a look-up can still be answered when the service cannot be reached.
//
// The file, QuendixLookup.cache:
//
//   QuendixLookup cache 1\n                                           the file's header line
//   <lineCrc> <stamp> <keyLen> <replyLen> <extLen> <dataCrc>\n        one record per answer:
//   <key><reply><extended>\n                                          its line, then its bytes
//
// <dataCrc> is the CRC-32 (IEEE 802.3, as zip uses it) of the key, reply and extended bytes;
// <lineCrc> that of the line's text after "<lineCrc> " up to its line break, so it covers the
// stamp, the lengths and, through <dataCrc>, the bytes. Both are 8 lower-case hex digits; the
// numbers are plain decimal without a sign or leading zeros. The lengths say where the key, the
// reply and the extended line end, so that a value may hold any bytes (line breaks, NUL, "|")
// and comes back exactly as given. Records are written oldest first.
//
// Why the line has a checksum of its own: the lengths of a record cut off at the end of the
// file can then be trusted, while a damaged length in an earlier record is caught at once
// instead of looking like a record the file ends inside.
//
// What counts as damage: a file is written whole to a temporary file and then put in place, so
// a record cut off at the end of the file (a record line that could still become a good one, or
// a good record line followed by fewer bytes than it announces) is the only break that is passed
// over; that record is left out and the rest is read. Anything else (another header line, a
// record line that does not read, a checksum that fails, bytes not followed by their line
// break, a key that is empty or not in its kept form, a file larger than kMaxFileBytes) makes
// the whole file unreadable: it is not ours or was damaged, and is set aside rather than
// trusted in part. An empty file (0 bytes) reads as a file with no records.
//
// A file of a later version of this format (header "QuendixLookup cache <n>" with a decimal
// n > 1, written by a newer add-on sharing the folder) is neither damage nor ours: it is left
// as it is, neither read, written nor set aside.
//
// The file holds only what it is given: the key made from the callsign, the time, and the two
// lines. Callers must pass the lines the logger receives and nothing else: no user name,
// password, request URL or other account detail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kept {

inline constexpr char kCacheFileName[] = "QuendixLookup.cache";
// An unreadable file is renamed to this name (replacing an older one) and a new one is begun.
inline constexpr char kBadCacheFileName[] = "QuendixLookup.cache.bad";
// The new content is written here first, in the same folder, then moved over kCacheFileName.
inline constexpr char kTempCacheFileName[] = "QuendixLookup.cache.tmp";
inline constexpr char kCacheHeaderLine[] = "QuendixLookup cache 1\n";

inline constexpr std::int64_t kSecondsPerDay = 86400;

// Bounds of the file. When a write would pass either, the oldest answers go first.
inline constexpr std::size_t kMaxEntries = 20000;
inline constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

struct CacheLimits {
    std::size_t maxEntries = kMaxEntries;
    std::size_t maxFileBytes = kMaxFileBytes;  // the whole file, its header line included
};

struct KeptAnswer {
    std::string key;         // CacheKey of the callsign
    std::int64_t stamp = 0;  // when it was kept: seconds since 1970-01-01 00:00 UTC, never < 0
    std::string reply;       // the reply line, as given
    std::string extended;    // the extended line, as given
};

bool operator==(const KeptAnswer& a, const KeptAnswer& b);
inline bool operator!=(const KeptAnswer& a, const KeptAnswer& b) {
    return !(a == b);
}

// The key of a callsign: ASCII letters in upper case, every other byte as it is, so that
// "n0call" and "N0CALL" share one answer.
std::string CacheKey(std::string_view callsign);

// CRC-32 (IEEE 802.3, reflected, initial value and final XOR 0xFFFFFFFF) of `bytes`.
std::uint32_t Crc32(std::string_view bytes);

// The header line of a later version of the file begins so, and a decimal n > 1 follows.
inline constexpr char kCacheHeaderStem[] = "QuendixLookup cache ";

struct ParsedCache {
    bool readable = false;            // false: damaged or not ours; `entries` is then empty
    bool newerVersion = false;        // (not readable) a later version's file: leave it alone
    bool tornTail = false;            // the last record was cut off and left out
    std::vector<KeptAnswer> entries;  // in file order
};

ParsedCache ParseCache(std::string_view bytes);

// The file's whole content: the header line and one record per entry, in the given order.
std::string SerializeCache(const std::vector<KeptAnswer>& entries);

// Bytes one entry takes in the file.
std::size_t SerializedSize(const KeptAnswer& entry);

// Whether an answer kept at `stamp` may be used at `now`: its age (now - stamp) is at least 0
// and less than `days` whole days. An answer stamped in the future is never used.
bool IsFresh(std::int64_t stamp, std::int64_t now, int days);

// Whether it has expired: its age is `days` whole days or more. An answer stamped in the future
// (kept while the clock was ahead, or read while it is behind) has not: it waits for the clock.
bool IsExpired(std::int64_t stamp, std::int64_t now, int days);

struct KeptHit {
    std::string reply;
    std::string extended;
    std::int64_t ageDays = 0;  // whole days since it was kept (0 within the first 24 hours)
};

// The fresh answer kept for `callsign` (compared by CacheKey). Should the entries hold more
// than one for the key, the most recently stamped fresh one.
std::optional<KeptHit> FindAnswer(const std::vector<KeptAnswer>& entries, std::string_view callsign,
                                  std::int64_t now, int days);

// What a look-up learnt about one callsign.
struct AnswerChange {
    std::string callsign;
    bool found = false;    // true: keep the two lines; false: the service said it does not
                           // know the callsign, so any kept answer for it goes
    std::string reply;     // the reply line, when found
    std::string extended;  // the extended line, when found
    // When set, a found answer yields to the fresh answer kept for its key (the one FindAnswer
    // gives) for which this is true: that one stays and nothing changes. For an answer whose
    // end could not be checked, which may be only a beginning of the kept one.
    std::function<bool(const KeptHit& kept)> yieldsTo;

    static AnswerChange Found(std::string callsign, std::string reply, std::string extended);
    static AnswerChange NotFound(std::string callsign);
};

// An answer found again, unchanged, within this time of being kept keeps its stamp, so that
// looking up the same callsign again and again does not rewrite the file each time. Ages are
// told in whole days, and an hour is well within one.
inline constexpr std::int64_t kRestampAfterSeconds = 3600;

// Applies `change` to `entries` and leaves them ready to be written (when the change yields to
// the kept answer, see AnswerChange::yieldsTo, the entries are left as they are):
//   - every entry with the change's key is removed; when found, the new answer is added,
//     stamped `now` (not when `now` is negative, `days` is 0 or less, or the key is empty, nor
//     when the answer alone could not fit within `limits`) or, when the removed entry held the
//     same two lines and was stamped less than kRestampAfterSeconds before `now`, with that
//     entry's stamp;
//   - entries that have expired at `now` are removed, and so is any stamped before 1970 (the
//     file cannot hold it); entries stamped after `now` stay (a clock set back must not wipe the
//     file; they are used again once the clock has caught up), as do all when `days` is 0 or
//     less;
//   - the entries are ordered oldest first (a stable sort on the stamp, so the new answer
//     comes last among those stamped `now`), and the oldest are removed until there are at
//     most limits.maxEntries and SerializeCache takes at most limits.maxFileBytes bytes (none
//     are left when even the header line is larger than that).
void ApplyChange(std::vector<KeptAnswer>& entries, const AnswerChange& change, std::int64_t now,
                 int days, const CacheLimits& limits = {});

// The name of the named mutex that guards the file in `fullFolderPath` (the folder's full
// path, as the system gives it): "Local\QuendixLookupCache-" and 16 hex digits of a 64-bit
// FNV-1a hash of the path with ASCII letters in upper case, "/" read as "\" and trailing
// separators dropped. Every process that shares the folder derives the same name.
std::string CacheLockName(std::string_view fullFolderPath);

}  // namespace kept
