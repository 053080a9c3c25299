#include "kept/answer_cache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

using kept::AnswerChange;
using kept::KeptAnswer;
using kept::KeptHit;

constexpr std::int64_t kDay = kept::kSecondsPerDay;
constexpr std::int64_t kNow = 1800000000;  // 2027-01-15

std::string Hex(std::uint32_t crc) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(crc));
    return hex;
}

// One record written from the file's description, with the numbers given as text so that a
// test can write them wrongly and still have both checksums fit.
std::string Record(const std::string& stamp, const std::string& key, const std::string& reply,
                   const std::string& extended, const std::string& keyLen = "") {
    const std::string data = key + reply + extended;
    const std::string rest = stamp + " " + (keyLen.empty() ? std::to_string(key.size()) : keyLen) +
                             " " + std::to_string(reply.size()) + " " +
                             std::to_string(extended.size()) + " " + Hex(kept::Crc32(data));
    return Hex(kept::Crc32(rest)) + " " + rest + "\n" + data + "\n";
}

std::vector<KeptAnswer> ThreeEntries() {
    return {{"N0CALL", kNow - 3 * kDay, "N0CALL|JANE|", "|01/15/2005|"},
            {"K1ABC/P", kNow - kDay, "K1ABC/P|line\r\nbreak|\xe9\xff", std::string("a\0b", 3)},
            {"Q3TEST", kNow, "", ""}};
}

}  // namespace

TEST(AnswerCacheFormat, ChecksumIsTheUsualCrc32) {
    EXPECT_EQ(kept::Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(kept::Crc32(""), 0u);
}

TEST(AnswerCacheFormat, ReadsRecordsWrittenFromTheDescription) {
    const std::string file = std::string(kept::kCacheHeaderLine) +
                             Record("1800000000", "N0CALL", "N0CALL|JANE|", "|x|") +
                             Record("0", "K1ABC", "r", "");
    const kept::ParsedCache parsed = kept::ParseCache(file);
    ASSERT_TRUE(parsed.readable);
    EXPECT_FALSE(parsed.tornTail);
    const std::vector<KeptAnswer> expected = {{"N0CALL", 1800000000, "N0CALL|JANE|", "|x|"},
                                              {"K1ABC", 0, "r", ""}};
    EXPECT_EQ(parsed.entries, expected);
    // And the writer writes exactly that.
    EXPECT_EQ(kept::SerializeCache(expected), file);
    EXPECT_EQ(kept::SerializedSize(expected[0]),
              Record("1800000000", "N0CALL", "N0CALL|JANE|", "|x|").size());

    EXPECT_EQ(kept::SerializeCache({}), kept::kCacheHeaderLine);
    for (const char* nothing : {"", kept::kCacheHeaderLine}) {
        const kept::ParsedCache none = kept::ParseCache(nothing);
        EXPECT_TRUE(none.readable && none.entries.empty());
    }
}

// The entries hold line breaks, NUL and bytes above 0x7F, which must come back as they were.
TEST(AnswerCacheFormat, RecordCutOffAtTheEndIsLeftOut) {
    const std::vector<KeptAnswer> entries = ThreeEntries();
    const std::string file = kept::SerializeCache(entries);
    const std::size_t lastStart = file.size() - kept::SerializedSize(entries[2]);
    const std::vector<KeptAnswer> firstTwo(entries.begin(), entries.begin() + 2);

    const kept::ParsedCache whole = kept::ParseCache(file.substr(0, lastStart));
    EXPECT_TRUE(whole.readable && !whole.tornTail);
    EXPECT_EQ(whole.entries, firstTwo);
    for (std::size_t cut = lastStart + 1; cut < file.size(); ++cut) {
        const kept::ParsedCache parsed = kept::ParseCache(file.substr(0, cut));
        EXPECT_TRUE(parsed.readable) << "cut at " << cut;
        EXPECT_TRUE(parsed.tornTail) << "cut at " << cut;
        EXPECT_EQ(parsed.entries, firstTwo) << "cut at " << cut;
    }
}

TEST(AnswerCacheFormat, AnyOtherDamageMakesTheFileUnreadable) {
    const std::vector<KeptAnswer> entries = ThreeEntries();
    const std::string file = kept::SerializeCache(entries);
    const std::string header = kept::kCacheHeaderLine;
    const std::size_t secondStart = header.size() + kept::SerializedSize(entries[0]);
    const std::size_t lastStart = file.size() - kept::SerializedSize(entries[2]);
    auto with = [&](std::size_t at, char c) {
        std::string damaged = file;
        damaged[at] = c;
        return damaged;
    };
    const std::string good = Record("5", "N0CALL", "a", "b");
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"another header", "QuendixLookup kept 1\n" + file.substr(header.size())},
        {"not ours", "[Settings]\r\nUserName=x\r\n"},
        {"header cut off", header.substr(0, 10)},
        {"a byte of a middle record", with(secondStart + 40, 'Z')},
        {"a length of a middle record", with(secondStart + 20, '9')},
        {"a byte of the last record", with(file.size() - 2, 'Z')},
        {"a last record whose line fails", with(lastStart + 12, '7')},
        {"bytes not ended by a line break", with(secondStart - 1, 'X')},
        {"garbage after the last record", file + "hello"},
        {"a key not in its kept form", header + Record("5", "n0call", "a", "b")},
        {"an empty key", header + Record("5", "", "a", "b")},
        {"a number with a leading zero", header + Record("05", "N0CALL", "a", "b")},
        {"a length beyond the data", header + Record("5", "N0CALL", "a", "b", "8") + good},
        {"a stamp past 64 bits", header + Record("9223372036854775808", "N0CALL", "a", "b")},
        {"larger than any file written", header + good + std::string(kept::kMaxFileBytes, 'x')},
    };
    for (const auto& c : cases) {
        const kept::ParsedCache parsed = kept::ParseCache(c.bytes);
        EXPECT_FALSE(parsed.readable) << c.what;
        EXPECT_TRUE(parsed.entries.empty()) << c.what;
    }
    EXPECT_TRUE(kept::ParseCache(header + good).readable);
    for (const auto& c : cases) {
        EXPECT_FALSE(kept::ParseCache(c.bytes).newerVersion) << c.what;
    }
}

// A newer add-on's file is left alone, however it goes on; anything else is not a newer file.
TEST(AnswerCacheParse, ALaterVersionIsNeitherOursNorDamage) {
    for (const std::string& bytes :
         {std::string("QuendixLookup cache 2\n"), std::string("QuendixLookup cache 2\r\nx"),
          std::string("QuendixLookup cache 17\nwhatever\x01\x02"),
          std::string("QuendixLookup cache 0003\n"), std::string("QuendixLookup cache 2"),
          "QuendixLookup cache 99999999999999999999999999\n" +
              std::string(kept::kMaxFileBytes, 'x')}) {
        const kept::ParsedCache parsed = kept::ParseCache(bytes);
        EXPECT_FALSE(parsed.readable) << bytes.substr(0, 30);
        EXPECT_TRUE(parsed.newerVersion) << bytes.substr(0, 30);
        EXPECT_TRUE(parsed.entries.empty());
    }
    for (const char* bytes :
         {"QuendixLookup cache 0\n", "QuendixLookup cache 01\n", "QuendixLookup cache \n",
          "QuendixLookup cache 2a\n", "QuendixLookup cache -2\n", "QuendixLookup cache 2 \n",
          "quendixlookup cache 2\n", "QuendixLookup cache  2\n"}) {
        const kept::ParsedCache parsed = kept::ParseCache(bytes);
        EXPECT_FALSE(parsed.readable) << bytes;
        EXPECT_FALSE(parsed.newerVersion) << bytes;
    }
}

TEST(AnswerCacheKey, OnlyAsciiLettersChangeCase) {
    EXPECT_EQ(kept::CacheKey("n0call/p"), "N0CALL/P");
    EXPECT_EQ(kept::CacheKey("dl/\xe9x\xff"), "DL/\xe9X\xff");
    EXPECT_EQ(kept::CacheKey(""), "");
}

TEST(AnswerCacheUse, OnlyFreshAnswersAreFound) {
    const std::vector<KeptAnswer> entries = {{"N0CALL", kNow - 30 * kDay + 1, "r", "e"},
                                             {"K1ABC", kNow + 1, "future", ""},
                                             {"Q3TEST", kNow - 30 * kDay, "expired", ""}};
    const auto hit = kept::FindAnswer(entries, "n0Call", kNow, 30);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->reply, "r");
    EXPECT_EQ(hit->extended, "e");
    EXPECT_EQ(hit->ageDays, 29);
    EXPECT_FALSE(kept::FindAnswer(entries, "K1ABC", kNow, 30).has_value());
    EXPECT_FALSE(kept::FindAnswer(entries, "Q3TEST", kNow, 30).has_value());
    EXPECT_TRUE(kept::FindAnswer(entries, "Q3TEST", kNow, 31).has_value());
    EXPECT_FALSE(kept::FindAnswer(entries, "N0CALL", kNow, 0).has_value());
    EXPECT_FALSE(kept::FindAnswer(entries, "N0CAL", kNow, 30).has_value());

    EXPECT_EQ(kept::FindAnswer({{"N0CALL", kNow, "r", ""}}, "N0CALL", kNow, 1)->ageDays, 0);
    // Two for one key: the newer one.
    const std::vector<KeptAnswer> twice = {{"N0CALL", kNow - 1, "new", ""},
                                           {"N0CALL", kNow - 9, "old", ""}};
    EXPECT_EQ(kept::FindAnswer(twice, "N0CALL", kNow, 1)->reply, "new");
}

TEST(AnswerCacheChange, FoundReplacesAndNotFoundDrops) {
    std::vector<KeptAnswer> entries = {{"N0CALL", kNow - 5, "old", "old"},
                                       {"K1ABC", kNow - 4, "k", ""}};
    kept::ApplyChange(entries, AnswerChange::Found("n0call", "new", "ext"), kNow, 30);
    std::vector<KeptAnswer> expected = {{"K1ABC", kNow - 4, "k", ""},
                                        {"N0CALL", kNow, "new", "ext"}};
    EXPECT_EQ(entries, expected);

    kept::ApplyChange(entries, AnswerChange::NotFound("k1abc"), kNow, 30);
    expected = {{"N0CALL", kNow, "new", "ext"}};
    EXPECT_EQ(entries, expected);

    // Nothing is added with keeping off, before 1970 or without a callsign.
    for (const auto& [callsign, now, days] :
         {std::make_tuple("Q3TEST", kNow, 0), std::make_tuple("Q3TEST", std::int64_t{-1}, 30),
          std::make_tuple("", kNow, 30)}) {
        std::vector<KeptAnswer> kept;
        kept::ApplyChange(kept, AnswerChange::Found(callsign, "r", "e"), now, days);
        EXPECT_TRUE(kept.empty()) << "'" << callsign << "' " << now << " " << days;
    }
}

// Expired answers go at every write; one stamped in the future (the clock was set back since)
// waits, unused, for the clock to catch up; a clock set ahead still expires what it passed.
TEST(AnswerCacheChange, ExpiredEntriesGoFutureOnesWait) {
    std::vector<KeptAnswer> entries = {{"OLD", kNow - 2 * kDay, "", ""},
                                       {"EDGE", kNow - 2 * kDay + 1, "", ""},
                                       {"AHEAD", kNow + 1, "", ""},
                                       {"YEARS", kNow + 400 * kDay, "", ""},
                                       {"NEG", -5, "", ""}};
    kept::ApplyChange(entries, AnswerChange::NotFound("NOBODY"), kNow, 2);
    std::vector<KeptAnswer> expected = {{"EDGE", kNow - 2 * kDay + 1, "", ""},
                                        {"AHEAD", kNow + 1, "", ""},
                                        {"YEARS", kNow + 400 * kDay, "", ""}};
    EXPECT_EQ(entries, expected);
    EXPECT_FALSE(kept::FindAnswer(entries, "AHEAD", kNow, 2).has_value());
    EXPECT_TRUE(kept::FindAnswer(entries, "AHEAD", kNow + 1, 2).has_value());

    // A found answer kept with the clock set back comes before the ones from the future.
    kept::ApplyChange(entries, AnswerChange::Found("N0CALL", "r", "e"), kNow - 300 * kDay, 2);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].key, "N0CALL");
    EXPECT_EQ(entries[1].key, "EDGE");

    // The clock set ahead by a year: everything is past its days.
    kept::ApplyChange(entries, AnswerChange::NotFound("NOBODY"), kNow + 800 * kDay, 2);
    EXPECT_TRUE(entries.empty());
}

// A found answer that yields to the fresh kept one leaves the entries as they were, expired ones
// included; one that does not yield, or finds no fresh answer to weigh, is kept as usual.
TEST(AnswerCacheChange, AnAnswerThatYieldsLeavesTheKeptOne) {
    const std::vector<KeptAnswer> before = {{"OLD", kNow - 5 * kDay, "o", ""},
                                            {"N0CALL", kNow - 100, "whole", "ext"}};
    std::vector<std::string> weighed;
    AnswerChange change = AnswerChange::Found("n0call", "part", "p");
    change.yieldsTo = [&](const KeptHit& kept) {
        weighed.push_back(kept.reply);
        return kept.reply == "whole";
    };
    std::vector<KeptAnswer> entries = before;
    kept::ApplyChange(entries, change, kNow, 2);
    EXPECT_EQ(entries, before);
    EXPECT_EQ(weighed, std::vector<std::string>{"whole"});

    entries = {{"N0CALL", kNow - 100, "other", "ext"}};
    kept::ApplyChange(entries, change, kNow, 2);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].reply, "part");
    // An answer past its days is not weighed.
    entries = {{"N0CALL", kNow - 3 * kDay, "whole", "ext"}};
    weighed.clear();
    kept::ApplyChange(entries, change, kNow, 2);
    EXPECT_TRUE(weighed.empty());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].reply, "part");
}

// Found again unchanged within the hour, an answer keeps its stamp and the file stays as it was;
// a changed answer, or one kept an hour ago or more, is stamped anew.
TEST(AnswerCacheChange, TheSameAnswerWithinTheHourKeepsItsStamp) {
    const std::vector<KeptAnswer> before = {{"N0CALL", kNow - 3599, "r", "e"},
                                            {"K1ABC", kNow - 10, "k", ""}};
    std::vector<KeptAnswer> entries = before;
    kept::ApplyChange(entries, AnswerChange::Found("n0call", "r", "e"), kNow, 30);
    EXPECT_EQ(kept::SerializeCache(entries), kept::SerializeCache(before));

    entries = before;
    kept::ApplyChange(entries, AnswerChange::Found("N0CALL", "r2", "e"), kNow, 30);
    EXPECT_EQ(entries.back(), (KeptAnswer{"N0CALL", kNow, "r2", "e"}));
    entries = before;
    kept::ApplyChange(entries, AnswerChange::Found("N0CALL", "r", "e"), kNow + 1, 30);
    EXPECT_EQ(entries.back(), (KeptAnswer{"N0CALL", kNow + 1, "r", "e"}));
    // One from the future is no recent answer: the found one is stamped now.
    entries = {{"N0CALL", kNow + 60, "r", "e"}};
    kept::ApplyChange(entries, AnswerChange::Found("N0CALL", "r", "e"), kNow, 30);
    EXPECT_EQ(entries, (std::vector<KeptAnswer>{{"N0CALL", kNow, "r", "e"}}));
}

TEST(AnswerCacheChange, OldestGoFirstWhenOverTheBounds) {
    std::vector<KeptAnswer> entries;
    for (int i = 0; i < 5; ++i) {
        // Out of order, two sharing a stamp: the one earlier in the list is older.
        entries.push_back({"K" + std::to_string(i), kNow - 10 + (i * 3) % 4, "", ""});
    }
    // Stamps: K0 and K4 -10, K3 -9, K2 -8, K1 -7.
    kept::CacheLimits limits;
    limits.maxEntries = 5;
    kept::ApplyChange(entries, AnswerChange::Found("NEW", "r", ""), kNow, 1, limits);
    std::vector<std::string> keys;
    for (const KeptAnswer& entry : entries) {
        keys.push_back(entry.key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"K4", "K3", "K2", "K1", "NEW"}));

    // By size: room for the header and the two newest records, not three.
    limits.maxEntries = 100;
    limits.maxFileBytes = kept::SerializeCache({entries[3], entries[4]}).size();
    kept::ApplyChange(entries, AnswerChange::NotFound("NOBODY"), kNow, 1, limits);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "K1");

    // An answer that could never fit is not kept, and the stale one for its key goes too.
    limits.maxFileBytes = 200;
    kept::ApplyChange(entries, AnswerChange::Found("K1", std::string(300, 'x'), ""), kNow, 1,
                      limits);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].key, "NEW");

    // Among many sharing a stamp, those earlier in the list go first.
    entries.clear();
    for (int i = 0; i < 40; ++i) {
        entries.push_back({"T" + std::to_string(i), kNow - 1 - i % 2, "", ""});
    }
    limits = kept::CacheLimits();
    limits.maxEntries = 25;
    kept::ApplyChange(entries, AnswerChange::NotFound("NOBODY"), kNow, 1, limits);
    ASSERT_EQ(entries.size(), 25u);
    for (int i = 0; i < 25; ++i) {
        const int n = i < 5 ? 31 + 2 * i : 2 * (i - 5);  // the last five odd ones, all the even
        EXPECT_EQ(entries[i].key, "T" + std::to_string(n)) << i;
    }
}

TEST(AnswerCacheChange, FileBoundsAtFullSize) {
    std::vector<KeptAnswer> entries;
    for (std::size_t i = 0; i < kept::kMaxEntries; ++i) {
        entries.push_back({"C" + std::to_string(i), kNow - 1000000 + static_cast<int>(i), "", ""});
    }
    kept::ApplyChange(entries, AnswerChange::Found("NEW", "r", ""), kNow, 30);
    ASSERT_EQ(entries.size(), kept::kMaxEntries);
    EXPECT_EQ(entries.front().key, "C1");
    EXPECT_EQ(entries.back().key, "NEW");

    entries.clear();
    const std::string mebibyte(1024 * 1024, 'r');
    for (int i = 0; i < 16; ++i) {
        entries.push_back({"M" + std::to_string(i), kNow - 100 + i, mebibyte, ""});
    }
    kept::ApplyChange(entries, AnswerChange::Found("NEW", mebibyte, ""), kNow, 30);
    EXPECT_LE(kept::SerializeCache(entries).size(), kept::kMaxFileBytes);
    ASSERT_EQ(entries.size(), 15u);  // 16 of them and the header would pass 16 MiB
    EXPECT_EQ(entries.front().key, "M2");
    EXPECT_TRUE(kept::ParseCache(kept::SerializeCache(entries)).readable);
}

TEST(AnswerCacheLock, OneNamePerFolder) {
    const std::string name = kept::CacheLockName("C:\\Logger32\\Add-ons");
    EXPECT_EQ(name.rfind("Local\\QuendixLookupCache-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("Local\\QuendixLookupCache-").size() + 16) << name;
    EXPECT_EQ(kept::CacheLockName("c:\\logger32\\ADD-ONS\\"), name);
    EXPECT_EQ(kept::CacheLockName("C:/Logger32/Add-ons"), name);
    EXPECT_NE(kept::CacheLockName("C:\\Logger32\\Add-ons2"), name);
    EXPECT_NE(kept::CacheLockName("D:\\Logger32\\Add-ons"), name);
}
