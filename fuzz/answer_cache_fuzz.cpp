// The kept-answers file: any bytes parse without harm; what parses writes out to the same bytes
// (or, for a file with a cut-off last record, to the part before it) and parses back to the same
// entries; a change applied with any time, days and limits leaves only entries that have not
// expired (those stamped in the future among them), oldest first, within the bounds, dropping no
// more than the bounds ask.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "kept/answer_cache.h"
#include "settings/options.h"

namespace {

using kept::KeptAnswer;

bool WithinBounds(const std::vector<KeptAnswer>& entries, const kept::CacheLimits& limits) {
    return entries.size() <= limits.maxEntries &&
           kept::SerializeCache(entries).size() <= limits.maxFileBytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // From the end: the time, the days, the limits and whether the answer was found.
    const std::int64_t now = in.ConsumeIntegral<std::int64_t>();
    const int days = in.ConsumeIntegralInRange<int>(-1, settings::kMaxKeepDays + 1);
    kept::CacheLimits limits;
    limits.maxEntries = in.ConsumeIntegralInRange<std::size_t>(0, 8);
    limits.maxFileBytes = in.ConsumeIntegralInRange<std::size_t>(0, 4096);
    const bool found = in.ConsumeBool();
    // From the front: the callsign and the two lines, cut by backslashes; the rest is the file.
    const std::string callsign = in.ConsumeRandomLengthString(16);
    const std::string reply = in.ConsumeRandomLengthString(256);
    const std::string extended = in.ConsumeRandomLengthString(256);
    const std::string file = in.ConsumeRemainingBytesAsString();

    // An unreadable file gives nothing; the change then goes into a new, empty one.
    const kept::ParsedCache parsed = kept::ParseCache(file);
    FUZZ_REQUIRE(parsed.readable || (parsed.entries.empty() && !parsed.tornTail));
    for (const KeptAnswer& entry : parsed.entries) {
        FUZZ_REQUIRE(!entry.key.empty() && kept::CacheKey(entry.key) == entry.key);
        FUZZ_REQUIRE(entry.stamp >= 0);
    }
    const std::string written = kept::SerializeCache(parsed.entries);
    if (parsed.readable && !file.empty()) {
        // A record's text has one spelling only, so the file is its own writing.
        FUZZ_REQUIRE(parsed.tornTail ? written.size() < file.size() &&
                                           file.compare(0, written.size(), written) == 0
                                     : written == file);
    }
    const kept::ParsedCache again = kept::ParseCache(written);
    FUZZ_REQUIRE(again.readable && !again.tornTail && again.entries == parsed.entries);

    // The entries a change may keep, oldest first: the unexpired ones of other keys and the
    // answer, which comes after those of its stamp.
    const kept::AnswerChange change = found ? kept::AnswerChange::Found(callsign, reply, extended)
                                            : kept::AnswerChange::NotFound(callsign);
    const std::string key = kept::CacheKey(callsign);
    std::vector<KeptAnswer> candidates;
    for (const KeptAnswer& entry : parsed.entries) {
        if (entry.key != key && (days <= 0 || !kept::IsExpired(entry.stamp, now, days))) {
            candidates.push_back(entry);
        }
    }
    // The same answer kept within the hour keeps its stamp.
    std::int64_t stamp = now;
    for (const KeptAnswer& entry : parsed.entries) {
        if (found && entry.key == key && entry.reply == reply && entry.extended == extended &&
            entry.stamp >= 0 && entry.stamp <= now &&
            now - entry.stamp < kept::kRestampAfterSeconds) {
            stamp = entry.stamp;
        }
    }
    const KeptAnswer answer{key, stamp, reply, extended};
    const bool answerFits =
        found && !key.empty() && now >= 0 && days > 0 && WithinBounds({answer}, limits);
    if (answerFits) {
        candidates.push_back(answer);
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const KeptAnswer& a, const KeptAnswer& b) { return a.stamp < b.stamp; });

    std::vector<KeptAnswer> entries = parsed.entries;
    kept::ApplyChange(entries, change, now, days, limits);

    FUZZ_REQUIRE(entries.size() <= candidates.size());
    FUZZ_REQUIRE(std::equal(entries.begin(), entries.end(),
                            candidates.end() - static_cast<std::ptrdiff_t>(entries.size())));
    FUZZ_REQUIRE(entries.empty() || WithinBounds(entries, limits));
    if (entries.size() < candidates.size()) {
        // The next older one would not have fitted.
        std::vector<KeptAnswer> more(
            candidates.end() - static_cast<std::ptrdiff_t>(entries.size()) - 1, candidates.end());
        FUZZ_REQUIRE(!WithinBounds(more, limits));
    }
    const auto hit = kept::FindAnswer(entries, callsign, now, days);
    // Only the answer has its key; entries from the future may have pushed it out.
    const bool answerKept = std::find(entries.begin(), entries.end(), answer) != entries.end();
    FUZZ_REQUIRE(!answerKept || answerFits);
    FUZZ_REQUIRE(hit.has_value() == answerKept);
    if (hit) {
        FUZZ_REQUIRE(hit->reply == reply && hit->extended == extended && hit->ageDays == 0);
        FUZZ_REQUIRE(stamp <= now && now - stamp < kept::kRestampAfterSeconds);
    }
    const kept::ParsedCache stored = kept::ParseCache(kept::SerializeCache(entries));
    FUZZ_REQUIRE(stored.readable && stored.entries == entries);
    return 0;
}
