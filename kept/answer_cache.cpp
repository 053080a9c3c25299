#include "kept/answer_cache.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>

#include "common/decimal.h"
#include "common/text.h"

namespace kept {
namespace {

using common::text::IsAsciiDigit;

constexpr std::string_view kHeader = kCacheHeaderLine;

// A record line without its line break: the line's checksum, the stamp (up to 19 digits), three
// lengths (up to 8 digits: kMaxFileBytes has 8) and the bytes' checksum, separated by spaces.
constexpr std::size_t kCrcDigits = 8;
constexpr std::size_t kMaxStampDigits = 19;
constexpr std::size_t kMaxLengthDigits = 8;
constexpr std::size_t kRecordFields = 6;
constexpr std::size_t kMaxRecordLine =
    kCrcDigits + 1 + kMaxStampDigits + 3 * (1 + kMaxLengthDigits) + 1 + kCrcDigits;

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

// Running CRC-32 without the final XOR: start with 0xFFFFFFFF, feed pieces, XOR at the end.
std::uint32_t CrcUpdate(std::uint32_t state, std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    for (const char c : bytes) {
        state = table[(state ^ static_cast<unsigned char>(c)) & 0xFF] ^ (state >> 8);
    }
    return state;
}

bool IsLowerHex(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'f');
}

// The pieces of `line` between single spaces.
std::vector<std::string_view> SplitSpaces(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = line.find(' ', start);
        if (space == std::string_view::npos) {
            parts.push_back(line.substr(start));
            return parts;
        }
        parts.push_back(line.substr(start, space - start));
        start = space + 1;
    }
}

// A number as this file writes it: decimal digits, no sign, no leading zero (but "0" itself).
bool IsPlainNumberText(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return false;
    }
    if (text.size() > 1 && text[0] == '0') {
        return false;
    }
    return std::all_of(text.begin(), text.end(), IsAsciiDigit);
}

std::size_t DecimalDigits(std::size_t n) {
    std::size_t digits = 1;
    for (; n >= 10; n /= 10) {
        ++digits;
    }
    return digits;
}

bool IsCrcText(std::string_view text) {
    return text.size() == kCrcDigits && std::all_of(text.begin(), text.end(), IsLowerHex);
}

std::string CrcText(std::uint32_t crc) {
    char hex[kCrcDigits + 1];
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(crc));
    return std::string(hex, kCrcDigits);
}

// Where each field of a record line may be cut and still become a good one.
bool CouldBeginField(std::size_t index, std::string_view piece, bool last) {
    if (last && piece.empty()) {
        return true;  // cut right after a space
    }
    if (index == 0 || index == kRecordFields - 1) {
        return piece.size() <= kCrcDigits && (last || piece.size() == kCrcDigits) &&
               std::all_of(piece.begin(), piece.end(), IsLowerHex);
    }
    return IsPlainNumberText(piece, index == 1 ? kMaxStampDigits : kMaxLengthDigits);
}

// True when `partial`, a record line cut off before its line break, could still have become a
// good one.
bool CouldBeginRecordLine(std::string_view partial) {
    if (partial.size() > kMaxRecordLine) {
        return false;
    }
    const std::vector<std::string_view> parts = SplitSpaces(partial);
    if (parts.size() > kRecordFields) {
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!CouldBeginField(i, parts[i], i + 1 == parts.size())) {
            return false;
        }
    }
    return true;
}

struct RecordLine {
    std::int64_t stamp = 0;
    std::size_t keyLen = 0;
    std::size_t replyLen = 0;
    std::size_t extLen = 0;
    std::string_view dataCrc;
};

// Reads a complete record line (without its line break); false when it is not a good one.
bool ReadRecordLine(std::string_view line, RecordLine& out) {
    if (line.size() > kMaxRecordLine) {
        return false;
    }
    const std::vector<std::string_view> parts = SplitSpaces(line);
    if (parts.size() != kRecordFields || !IsCrcText(parts[0]) || !IsCrcText(parts[5]) ||
        parts[0] != CrcText(Crc32(line.substr(kCrcDigits + 1)))) {
        return false;
    }
    std::uint64_t numbers[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        const bool stamp = i == 0;
        const std::uint64_t max =
            stamp ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                  : kMaxFileBytes;
        if (!IsPlainNumberText(parts[i + 1], stamp ? kMaxStampDigits : kMaxLengthDigits)) {
            return false;
        }
        const std::optional<std::uint64_t> number =
            common::ParseDecimal<std::uint64_t>(parts[i + 1]);
        if (!number || *number > max) {
            return false;
        }
        numbers[i] = *number;
    }
    out.stamp = static_cast<std::int64_t>(numbers[0]);
    out.keyLen = static_cast<std::size_t>(numbers[1]);
    out.replyLen = static_cast<std::size_t>(numbers[2]);
    out.extLen = static_cast<std::size_t>(numbers[3]);
    out.dataCrc = parts[5];
    return true;
}

enum class RecordRead { Good, Torn, Damaged };

// Reads the record that begins at `pos`; on Good, `entry` holds it and `pos` is past it.
RecordRead ReadRecord(std::string_view bytes, std::size_t& pos, KeptAnswer& entry) {
    const std::string_view rest = bytes.substr(pos);
    const std::size_t lineEnd = rest.find('\n');
    if (lineEnd == std::string_view::npos) {
        return CouldBeginRecordLine(rest) ? RecordRead::Torn : RecordRead::Damaged;
    }
    RecordLine line;
    if (!ReadRecordLine(rest.substr(0, lineEnd), line)) {
        return RecordRead::Damaged;
    }
    const std::size_t dataLen = line.keyLen + line.replyLen + line.extLen;
    const std::string_view data = rest.substr(lineEnd + 1);
    if (data.size() < dataLen + 1) {
        return RecordRead::Torn;  // the file ends inside this record's bytes
    }
    if (data[dataLen] != '\n' || CrcText(Crc32(data.substr(0, dataLen))) != line.dataCrc) {
        return RecordRead::Damaged;
    }
    const std::string_view key = data.substr(0, line.keyLen);
    if (key.empty() || CacheKey(key) != key) {
        return RecordRead::Damaged;
    }
    entry.key = std::string(key);
    entry.stamp = line.stamp;
    entry.reply = std::string(data.substr(line.keyLen, line.replyLen));
    entry.extended = std::string(data.substr(line.keyLen + line.replyLen, line.extLen));
    pos += lineEnd + 1 + dataLen + 1;
    return RecordRead::Good;
}

// The record line after its checksum and that checksum's space, without the line break.
std::string RecordLineRest(const KeptAnswer& entry) {
    std::uint32_t data = 0xFFFFFFFFu;
    data = CrcUpdate(data, entry.key);
    data = CrcUpdate(data, entry.reply);
    data = CrcUpdate(data, entry.extended);
    return std::to_string(entry.stamp) + ' ' + std::to_string(entry.key.size()) + ' ' +
           std::to_string(entry.reply.size()) + ' ' + std::to_string(entry.extended.size()) + ' ' +
           CrcText(data ^ 0xFFFFFFFFu);
}

// True when the first line of `bytes` is "QuendixLookup cache <n>" with a decimal n > 1 (a CR
// before its line break allowed).
bool IsNewerHeader(std::string_view bytes) {
    constexpr std::string_view kStem = kCacheHeaderStem;
    if (bytes.substr(0, kStem.size()) != kStem) {
        return false;
    }
    std::string_view line = bytes.substr(kStem.size());
    line = line.substr(0, line.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty() || !std::all_of(line.begin(), line.end(), IsAsciiDigit)) {
        return false;
    }
    const std::size_t lead = line.find_first_not_of('0');
    if (lead == std::string_view::npos) {
        return false;  // 0
    }
    return line.size() - lead > 1 || line[lead] > '1';
}

}  // namespace

bool operator==(const KeptAnswer& a, const KeptAnswer& b) {
    return a.key == b.key && a.stamp == b.stamp && a.reply == b.reply && a.extended == b.extended;
}

std::string CacheKey(std::string_view callsign) {
    return common::text::AsciiUpper(callsign);
}

std::uint32_t Crc32(std::string_view bytes) {
    return CrcUpdate(0xFFFFFFFFu, bytes) ^ 0xFFFFFFFFu;
}

ParsedCache ParseCache(std::string_view bytes) {
    ParsedCache parsed;
    if (bytes.empty()) {
        parsed.readable = true;
        return parsed;
    }
    if (bytes.substr(0, kHeader.size()) != kHeader) {
        parsed.newerVersion = IsNewerHeader(bytes);
        return parsed;
    }
    if (bytes.size() > kMaxFileBytes) {
        return parsed;
    }
    std::size_t pos = kHeader.size();
    while (pos < bytes.size()) {
        KeptAnswer entry;
        const RecordRead read = ReadRecord(bytes, pos, entry);
        if (read == RecordRead::Damaged) {
            parsed.entries.clear();
            return parsed;
        }
        if (read == RecordRead::Torn) {
            parsed.tornTail = true;
            break;
        }
        parsed.entries.push_back(std::move(entry));
    }
    parsed.readable = true;
    return parsed;
}

std::size_t SerializedSize(const KeptAnswer& entry) {
    const std::size_t line = kCrcDigits + 1 + std::to_string(entry.stamp).size() + 1 +
                             DecimalDigits(entry.key.size()) + 1 +
                             DecimalDigits(entry.reply.size()) + 1 +
                             DecimalDigits(entry.extended.size()) + 1 + kCrcDigits + 1;
    return line + entry.key.size() + entry.reply.size() + entry.extended.size() + 1;
}

std::string SerializeCache(const std::vector<KeptAnswer>& entries) {
    std::size_t total = kHeader.size();
    for (const KeptAnswer& entry : entries) {
        total += SerializedSize(entry);
    }
    std::string out;
    out.reserve(total);
    out += kHeader;
    for (const KeptAnswer& entry : entries) {
        const std::string lineRest = RecordLineRest(entry);
        out += CrcText(Crc32(lineRest));
        out += ' ';
        out += lineRest;
        out += '\n';
        out += entry.key;
        out += entry.reply;
        out += entry.extended;
        out += '\n';
    }
    return out;
}

bool IsFresh(std::int64_t stamp, std::int64_t now, int days) {
    if (days <= 0 || stamp > now) {
        return false;
    }
    // stamp <= now here; an age that overflows is certainly older than any number of days.
    if (stamp < 0 && now > std::numeric_limits<std::int64_t>::max() + stamp) {
        return false;
    }
    return now - stamp < static_cast<std::int64_t>(days) * kSecondsPerDay;
}

bool IsExpired(std::int64_t stamp, std::int64_t now, int days) {
    if (stamp > now) {
        return false;
    }
    if (stamp < 0 && now > std::numeric_limits<std::int64_t>::max() + stamp) {
        return true;  // an age that overflows is older than any number of days
    }
    return now - stamp >= static_cast<std::int64_t>(days) * kSecondsPerDay;
}

std::optional<KeptHit> FindAnswer(const std::vector<KeptAnswer>& entries, std::string_view callsign,
                                  std::int64_t now, int days) {
    const std::string key = CacheKey(callsign);
    const KeptAnswer* best = nullptr;
    for (const KeptAnswer& entry : entries) {
        if (entry.key == key && IsFresh(entry.stamp, now, days) &&
            (best == nullptr || entry.stamp >= best->stamp)) {
            best = &entry;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    return KeptHit{best->reply, best->extended, (now - best->stamp) / kSecondsPerDay};
}

AnswerChange AnswerChange::Found(std::string callsign, std::string reply, std::string extended) {
    AnswerChange change;
    change.callsign = std::move(callsign);
    change.found = true;
    change.reply = std::move(reply);
    change.extended = std::move(extended);
    return change;
}

AnswerChange AnswerChange::NotFound(std::string callsign) {
    AnswerChange change;
    change.callsign = std::move(callsign);
    return change;
}

void ApplyChange(std::vector<KeptAnswer>& entries, const AnswerChange& change, std::int64_t now,
                 int days, const CacheLimits& limits) {
    const std::string key = CacheKey(change.callsign);
    if (change.found && change.yieldsTo) {
        const std::optional<KeptHit> hit = FindAnswer(entries, key, now, days);
        if (hit && change.yieldsTo(*hit)) {
            return;
        }
    }
    // The same answer kept less than kRestampAfterSeconds ago keeps its stamp.
    std::int64_t stamp = now;
    for (const KeptAnswer& entry : entries) {
        if (change.found && entry.key == key && entry.reply == change.reply &&
            entry.extended == change.extended && entry.stamp >= 0 && entry.stamp <= now &&
            now - entry.stamp < kRestampAfterSeconds) {
            stamp = entry.stamp;
        }
    }
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const KeptAnswer& entry) {
                                     return entry.key == key || entry.stamp < 0 ||
                                            (days > 0 && IsExpired(entry.stamp, now, days));
                                 }),
                  entries.end());
    if (change.found && !key.empty() && now >= 0 && days > 0) {
        KeptAnswer added{key, stamp, change.reply, change.extended};
        if (limits.maxEntries >= 1 && kHeader.size() <= limits.maxFileBytes &&
            SerializedSize(added) <= limits.maxFileBytes - kHeader.size()) {
            entries.push_back(std::move(added));
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const KeptAnswer& a, const KeptAnswer& b) { return a.stamp < b.stamp; });

    std::size_t total = kHeader.size();
    for (const KeptAnswer& entry : entries) {
        total += SerializedSize(entry);
    }
    std::size_t dropped = 0;
    while (dropped < entries.size() &&
           (entries.size() - dropped > limits.maxEntries || total > limits.maxFileBytes)) {
        total -= SerializedSize(entries[dropped]);
        ++dropped;
    }
    entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(dropped));
}

std::string CacheLockName(std::string_view fullFolderPath) {
    std::string path = CacheKey(fullFolderPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("Local\\QuendixLookupCache-") + hex;
}

}  // namespace kept
