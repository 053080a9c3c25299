#include "record/call_record.h"

#include "common/text.h"
#include "record/number_text.h"

namespace record {
namespace {

// Tag bytes of the answer.
enum : unsigned char {
    kTagCallsign = 0xB5,
    kTagLicenseClass = 0xB6,
    kTagCodeA = 0xB7,
    kTagFirstName = 0xB8,
    kTagMiddleName = 0xB9,
    kTagLastName = 0xBA,
    kTagAddress = 0xBC,
    kTagCity = 0xBF,
    kTagState = 0xC0,
    kTagPostalCode = 0xC1,
    kTagBirthDate = 0xC2,
    kTagEffectiveDate = 0xC3,
    kTagExpiryDate = 0xC4,
    kTagLastModified = 0xC5,
    kTagCounty = 0xC6,
    kTagGmtOffset = 0xC7,
    kTagLatitude = 0xC8,
    kTagLongitude = 0xC9,
    kTagGridSquare = 0xCA,
    kTagPreviousCall = 0xCC,
    kTagEmail = 0xCF,
    kTagQslManager = 0xD0,
    kTagCountry = 0xD1,
    kTagUrl = 0xD2,
    kTagCodeB = 0xD3,
};

// Value bytes are 01-7F, A0-B3 and the five bytes of 80-9F that Windows-1252 leaves
// undefined; every other byte (NUL, B4-FF, the rest of 80-9F) opens a new field.
bool IsValueByte(unsigned char b) {
    if (b == 0x00) {
        return false;
    }
    if (b <= 0x7F || (b >= 0xA0 && b <= 0xB3)) {
        return true;
    }
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
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

std::string CleanField(const std::string& value) {
    std::string out(common::text::TrimWhere(value, common::text::IsLineBreak));
    for (char& c : out) {
        if (common::text::IsLineBreak(c) || c == '|') {
            c = ' ';
        }
    }
    return out;
}

namespace {

// Puts the value of one field into the record; an unknown tag's field is skipped.
void Apply(unsigned char tag, std::string_view rawValue, const std::string& decimalSeparator,
           CallRecord& r) {
    const std::string value(rawValue);
    const std::string trimmed = common::text::TrimSpaces(value);
    double number = 0.0;
    switch (tag) {
        case kTagCallsign:
            r.callsign = trimmed;
            break;
        case kTagLicenseClass:
            if (const char* word = LicenseWord(value)) {
                r.licenseClass = word;
            }
            break;
        case kTagCodeA:
            r.codeA = trimmed;
            break;
        case kTagFirstName:
            r.firstName = trimmed;
            break;
        case kTagMiddleName:
            r.middleName = trimmed;
            break;
        case kTagLastName:
            r.lastName = trimmed;
            break;
        case kTagAddress:
            r.address = trimmed;
            break;
        case kTagCity:
            r.city = trimmed;
            break;
        case kTagState:
            r.state = trimmed;
            break;
        case kTagPostalCode:
            r.postalCode = trimmed;
            break;
        case kTagBirthDate:
            r.birthDate = trimmed;
            break;
        case kTagEffectiveDate:
            r.effectiveDate = trimmed;
            break;
        case kTagExpiryDate:
            r.expiryDate = trimmed;
            break;
        case kTagLastModified:
            r.lastModified = trimmed;
            break;
        case kTagCounty:
            r.county = trimmed;
            break;
        case kTagGmtOffset:
            r.gmtOffset = trimmed;
            break;
        case kTagLatitude:
            // A coordinate that is not a number keeps its old value; the rest of the answer is
            // still worth having.
            if (ParseNumber(value, decimalSeparator, number)) {
                r.latitude = number;
            }
            break;
        case kTagLongitude:
            // The service counts longitudes west-positive; the record holds them east-positive.
            if (ParseNumber(value, decimalSeparator, number)) {
                r.longitude = number * -1;
            }
            break;
        case kTagGridSquare:
            r.gridSquare = trimmed;
            break;
        case kTagPreviousCall:
            r.previousCall = trimmed;
            break;
        case kTagEmail:
            r.email = trimmed;
            break;
        case kTagQslManager:
            r.qslManager = trimmed;
            break;
        case kTagCountry:
            r.country = trimmed;
            break;
        case kTagUrl:
            r.url = trimmed;
            break;
        case kTagCodeB:
            r.codeB = trimmed;
            break;
        default:
            break;
    }
}

}  // namespace

void ReadAnswer(std::string_view answer, const std::string& decimalSeparator, CallRecord& record) {
    // Spaces at the end of the answer go; the untagged head of the answer is the callsign.
    while (!answer.empty() && answer.back() == ' ') {
        answer.remove_suffix(1);
    }
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
