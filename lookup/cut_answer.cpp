#include "lookup/cut_answer.h"

#include <vector>

#include "lookup/request.h"
#include "record/call_record.h"

namespace lookup {
namespace {

// The fields of an extended message, split at '|' (no field holds one).
std::vector<std::string_view> FieldsOf(std::string_view message) {
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t bar = message.find('|', begin);
        fields.push_back(message.substr(begin, bar - begin));
        if (bar == std::string_view::npos) {
            return fields;
        }
        begin = bar + 1;
    }
}

std::string_view FieldAt(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view();
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool SeemsCutShortOf(std::string_view body, const std::string& message,
                     const std::string& keptMessage) {
    if (message == keptMessage) {
        return false;  // nothing more kept: the whole answer, or the same beginning again
    }
    const std::vector<unsigned char> tags = record::FieldTagsOf(body);
    const unsigned char last = tags.back();
    const std::vector<std::string_view> fresh = FieldsOf(message);
    const std::vector<std::string_view> kept = FieldsOf(keptMessage);
    // What a field shows when the answer carries nothing for it.
    const record::CallRecord empty;
    const std::string blankMessage = ExtendedMessage(record::ReplyLine(empty), empty);
    const std::vector<std::string_view> blank = FieldsOf(blankMessage);
    const record::LinePlace lastPlace = record::PlaceInLines(last);
    for (const unsigned char tag : tags) {
        const record::LinePlace place = record::PlaceInLines(tag);
        if (place.line == record::LinePlace::Line::None) {
            continue;
        }
        const std::size_t index = MessageFieldIndex(place);
        const std::string_view mine = FieldAt(fresh, index);
        const std::string_view theirs = FieldAt(kept, index);
        // Do all the tags that feed this field come with the answer?
        bool whole = true;
        for (unsigned char other = 0x01; other != 0; ++other) {
            const record::LinePlace p = record::PlaceInLines(other);
            if (p.line == place.line && p.index == place.index && record::IsFieldTag(other)) {
                bool carried = false;
                for (const unsigned char t : tags) {
                    carried = carried || t == other;
                }
                whole = whole && carried;
            }
        }
        const bool endsHere = lastPlace.line == place.line && lastPlace.index == place.index;
        bool same = mine == theirs;
        if (!same && !whole) {
            same = theirs.find(mine) != std::string_view::npos;
        }
        if (!same && endsHere) {
            same = StartsWith(theirs, mine) || mine == FieldAt(blank, index);
        }
        if (!same) {
            return false;
        }
    }
    return true;
}

}  // namespace lookup
