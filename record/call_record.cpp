#include "record/call_record.h"

#include "common/text.h"
#include "record/number_text.h"

namespace record {
namespace {

// Tag bytes of the answer with a field of their own beyond the plain text fields below.
enum : unsigned char {
    kTagCallsign = kCallsignTag,
    kTagLicenseClass = 0xB6,
    kTagLatitude = 0xC8,
    kTagLongitude = 0xC9,
};

// The fields stored as their value with spaces trimmed, by tag byte. The untagged head of the
// answer counts as a callsign field.
struct TextField {
    unsigned char tag;
    std::string CallRecord::*field;
};
constexpr TextField kTextFields[] = {
    {kTagCallsign, &CallRecord::callsign},
    {0xB7, &CallRecord::codeA},
    {0xB8, &CallRecord::firstName},
    {0xB9, &CallRecord::middleName},
    {0xBA, &CallRecord::lastName},
    {0xBC, &CallRecord::address},
    {0xBF, &CallRecord::city},
    {0xC0, &CallRecord::state},
    {0xC1, &CallRecord::postalCode},
    {0xC2, &CallRecord::birthDate},
    {0xC3, &CallRecord::effectiveDate},
    {0xC4, &CallRecord::expiryDate},
    {0xC5, &CallRecord::lastModified},
    {0xC6, &CallRecord::county},
    {0xC7, &CallRecord::gmtOffset},
    {0xCA, &CallRecord::gridSquare},
    {0xCC, &CallRecord::previousCall},
    {0xCF, &CallRecord::email},
    {0xD0, &CallRecord::qslManager},
    {0xD1, &CallRecord::country},
    {0xD2, &CallRecord::url},
    {0xD3, &CallRecord::codeB},
};

std::string CallRecord::*TextFieldOf(unsigned char tag) {
    for (const TextField& f : kTextFields) {
        if (f.tag == tag) {
            return f.field;
        }
    }
    return nullptr;
}

// The licence class word for the service's letter, or nullptr for any other value.
const char* LicenseWord(const std::string& letter) {
    if (letter == "E")
        return "Extra";
    if (letter == "A")
        return "Advanced";
    if (letter == "G")
        return "General";
    if (letter == "P")
        return "Tech.Plus";
    if (letter == "T")
        return "Technician";
    if (letter == "N")
        return "Novice";
    return nullptr;
}

}  // namespace

bool IsValueByte(unsigned char b) {
    if (b == 0x00) {
        return false;
    }
    if (b <= 0x7F || (b >= 0xA0 && b <= 0xB3)) {
        return true;
    }
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

bool IsFieldTag(unsigned char b) {
    return TextFieldOf(b) != nullptr || b == kTagLicenseClass || b == kTagLatitude ||
           b == kTagLongitude;
}

namespace {

// Where ReplyLine and ExtendedLine show each tag's field (the middle and the last name share the
// reply line's name field).
struct TagPlace {
    unsigned char tag;
    LinePlace place;
};
constexpr LinePlace Reply(int index) {
    return {LinePlace::Line::Reply, index};
}
constexpr LinePlace Extended(int index) {
    return {LinePlace::Line::Extended, index};
}
constexpr TagPlace kPlaces[] = {
    {kTagCallsign, Reply(0)},   {0xB8, Reply(1)},
    {0xB9, Reply(2)},           {0xBA, Reply(2)},
    {0xBC, Reply(3)},           {0xBF, Reply(4)},
    {0xC0, Reply(5)},           {0xC1, Reply(6)},
    {0xD1, Reply(7)},           {kTagLicenseClass, Reply(8)},
    {0xCC, Reply(9)},           {0xC6, Reply(10)},
    {0xCA, Reply(11)},          {kTagLatitude, Reply(12)},
    {kTagLongitude, Reply(13)}, {0xCF, Reply(14)},
    {0xD2, Reply(15)},          {0xD0, Reply(16)},
    {0xC3, Extended(1)},        {0xC4, Extended(2)},
    {0xB7, Extended(3)},        {0xC7, Extended(5)},
    {0xC5, Extended(6)},
};

std::string_view WithoutTrailingSpaces(std::string_view answer) {
    while (!answer.empty() && answer.back() == ' ') {
        answer.remove_suffix(1);
    }
    return answer;
}

}  // namespace

std::vector<unsigned char> FieldTagsOf(std::string_view answer) {
    answer = WithoutTrailingSpaces(answer);
    std::vector<unsigned char> tags{kTagCallsign};
    for (const char c : answer) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (!IsValueByte(b)) {
            tags.push_back(b);
        }
    }
    return tags;
}

LinePlace PlaceInLines(unsigned char tag) {
    for (const TagPlace& p : kPlaces) {
        if (p.tag == tag) {
            return p.place;
        }
    }
    return LinePlace();
}

std::string CleanField(const std::string& value) {
    return common::text::OneLineField(value);
}

namespace {

// Puts the value of one field into the record; an unknown tag's field is skipped.
void Apply(unsigned char tag, std::string_view rawValue, const std::string& decimalSeparator,
           CallRecord& r) {
    const std::string value(rawValue);
    double number = 0.0;
    if (std::string CallRecord::*field = TextFieldOf(tag)) {
        r.*field = common::text::TrimSpaces(value);
    } else if (tag == kTagLicenseClass) {
        if (const char* word = LicenseWord(value)) {
            r.licenseClass = word;
        }
    } else if (tag == kTagLatitude) {
        // A coordinate that is not a number keeps its old value; the rest of the answer is still
        // worth having.
        if (ParseNumber(value, decimalSeparator, number)) {
            r.latitude = number;
        }
    } else if (tag == kTagLongitude) {
        // The service counts longitudes west-positive; the record holds them east-positive.
        if (ParseNumber(value, decimalSeparator, number)) {
            r.longitude = number * -1;
        }
    }
}

}  // namespace

void ReadAnswer(std::string_view answer, const std::string& decimalSeparator, CallRecord& record) {
    // Spaces at the end of the answer go; the untagged head of the answer is the callsign.
    answer = WithoutTrailingSpaces(answer);
    unsigned char tag = kTagCallsign;
    std::size_t begin = 0;
    for (;;) {
        std::size_t end = begin;
        while (end < answer.size() && IsValueByte(static_cast<unsigned char>(answer[end]))) {
            ++end;
        }
        Apply(tag, answer.substr(begin, end - begin), decimalSeparator, record);
        if (end >= answer.size()) {
            return;
        }
        // The byte that ended the value opens the next field.
        tag = static_cast<unsigned char>(answer[end]);
        begin = end + 1;
    }
}

CallRecord ParseAnswer(std::string_view answer, const std::string& decimalSeparator) {
    CallRecord record;
    ReadAnswer(answer, decimalSeparator, record);
    return record;
}

std::string ReplyLine(const CallRecord& r, const std::string& decimalSeparator) {
    const std::string name =
        common::text::TrimSpaces(CleanField(r.middleName) + " " + CleanField(r.lastName));
    const std::string fields[] = {
        r.callsign,
        r.firstName,
        name,
        r.address,
        r.city,
        r.state,
        r.postalCode,
        r.country,
        r.licenseClass.substr(0, 1),
        r.previousCall,
        r.county,
        r.gridSquare,
        FormatNumber(r.latitude, decimalSeparator),
        FormatNumber(r.longitude, decimalSeparator),
        r.email,
        r.url,
        r.qslManager,
    };
    static_assert(sizeof fields / sizeof fields[0] == kReplyLineFields);
    std::string line;
    for (const std::string& field : fields) {
        line += CleanField(field);
        line += '|';
    }
    return line;
}

std::string ExtendedLine(const CallRecord& r) {
    std::string line;
    line += '|';
    line += CleanField(r.effectiveDate);
    line += '|';
    line += CleanField(r.expiryDate);
    line += '|';
    line += common::text::TrimSpaces(CleanField(r.codeA));
    line += '|';
    line += '|';
    line += CleanField(r.gmtOffset);
    line += '|';
    line += CleanField(r.lastModified);
    return line;
}

}  // namespace record
