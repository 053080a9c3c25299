#include "record/buckmaster.h"

#include <utility>

#include "common/text.h"
#include "record/number_text.h"

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
    kTagEffdate = 0xC3,
    kTagEXPdate = 0xC4,
    kTagLastModed = 0xC5,
    kTagCounty = 0xC6,
    kTagGMTOffset = 0xC7,
    kTagLatitude = 0xC8,
    kTagLongitude = 0xC9,
    kTagGridSquare = 0xCA,
    kTagPreviousCall = 0xCC,
    kTagEmail = 0xCF,
    kTagQSLManager = 0xD0,
    kTagCountry = 0xD1,
    kTagURL = 0xD2,
    kTagCodeB = 0xD3,
};

constexpr char kEndOfText = '$';

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

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

std::string CleanField(const std::string& value) {
    std::size_t first = 0;
    std::size_t last = value.size();
    while (first < last && IsLineBreak(value[first])) {
        ++first;
    }
    while (last > first && IsLineBreak(value[last - 1])) {
        --last;
    }
    std::string out = value.substr(first, last - first);
    for (char& c : out) {
        if (IsLineBreak(c) || c == '|') {
            c = ' ';
        }
    }
    return out;
}

Buckmaster::Buckmaster(std::string decimalSeparator)
    : decimalSeparator_(std::move(decimalSeparator)) {}

char Buckmaster::GetNextField(std::string_view& text, std::string& value) {
    if (text.empty()) {
        return kEndOfText;
    }
    const char tag = text[0];
    std::size_t end = 1;
    while (end < text.size() && IsValueByte(static_cast<unsigned char>(text[end]))) {
        ++end;
    }
    value.assign(text.substr(1, end - 1));
    text.remove_prefix(end);  // a view: taking a field off the front costs nothing
    return tag;
}

void Buckmaster::ParseBuckmaster(std::string& text) {
    // The untagged head of the answer is the call sign.
    text.insert(text.begin(), static_cast<char>(kTagCallsign));
    text = text::TrimSpaces(text);

    // The fields are taken off the front of a view of the text; the text is consumed at the end.
    std::string_view rest(text);
    std::string value;
    char tag = GetNextField(rest, value);
    while (tag != kEndOfText) {
        const std::string trimmed = text::TrimSpaces(value);
        double number = 0.0;
        switch (static_cast<unsigned char>(tag)) {
            case kTagCallsign:
                SetCallsign(trimmed);
                break;
            case kTagLicenseClass:
                if (const char* word = LicenseWord(value)) {
                    SetLicenseClass(word);
                }
                break;
            case kTagCodeA:
                SetCodeA(trimmed);
                break;
            case kTagFirstName:
                SetFirstName(trimmed);
                break;
            case kTagMiddleName:
                SetMiddleName(trimmed);
                break;
            case kTagLastName:
                SetLastName(trimmed);
                break;
            case kTagAddress:
                SetAddress(trimmed);
                break;
            case kTagCity:
                SetCity(trimmed);
                break;
            case kTagState:
                SetState(trimmed);
                break;
            case kTagPostalCode:
                SetPostalCode(trimmed);
                break;
            case kTagBirthDate:
                SetBirthDate(trimmed);
                break;
            case kTagEffdate:
                SetEffdate(trimmed);
                break;
            case kTagEXPdate:
                SetEXPdate(trimmed);
                break;
            case kTagLastModed:
                SetLastModed(trimmed);
                break;
            case kTagCounty:
                SetCounty(trimmed);
                break;
            case kTagGMTOffset:
                SetGMTOffset(trimmed);
                break;
            case kTagLatitude:
                // A coordinate that is not a number keeps its old value; the rest of the
                // answer is still worth having.
                if (ParseNumber(value, decimalSeparator_, number)) {
                    SetLatitude(number);
                }
                break;
            case kTagLongitude:
                // The service counts longitudes west-positive; the record holds them east-positive.
                if (ParseNumber(value, decimalSeparator_, number)) {
                    SetLongitude(number * -1);
                }
                break;
            case kTagGridSquare:
                SetGridSquare(trimmed);
                break;
            case kTagPreviousCall:
                SetPreviousCall(trimmed);
                break;
            case kTagEmail:
                SetEmail(trimmed);
                break;
            case kTagQSLManager:
                SetQSLManager(trimmed);
                break;
            case kTagCountry:
                SetCountry(trimmed);
                break;
            case kTagURL:
                SetURL(trimmed);
                break;
            case kTagCodeB:
                SetCodeB(trimmed);
                break;
            default:
                break;  // unknown tag: the field is skipped
        }
        tag = GetNextField(rest, value);
    }
    text.clear();
}

std::string Buckmaster::ProcessInfo() const {
    const std::string& licenseClass = LicenseClass();
    const std::string name =
        text::TrimSpaces(CleanField(MiddleName()) + " " + CleanField(LastName()));
    const std::string fields[] = {
        Callsign(),
        FirstName(),
        name,
        Address(),
        City(),
        State(),
        PostalCode(),
        Country(),
        licenseClass.substr(0, 1),
        PreviousCall(),
        County(),
        GridSquare(),
        FormatNumber(Latitude(), decimalSeparator_),
        FormatNumber(Longitude(), decimalSeparator_),
        Email(),
        URL(),
        QSLManager(),
    };
    std::string line;
    for (const std::string& field : fields) {
        line += CleanField(field);
        line += '|';
    }
    return line;
}

std::string Buckmaster::ProcessExtendedInfo() const {
    std::string line;
    line += '|';
    line += CleanField(Effdate());
    line += '|';
    line += CleanField(EXPdate());
    line += '|';
    line += text::TrimSpaces(CleanField(CodeA()));
    line += '|';
    line += '|';
    line += CleanField(GMTOffset());
    line += '|';
    line += CleanField(LastModed());
    return line;
}
