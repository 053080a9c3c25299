// The record of one callsign look-up: the fields the look-up service returns for one callsign,
// the parser of the service's tagged answer and the two reply lines built for the logger.
// Texts are std::string of Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace record {

// What the service knows of one callsign. Coordinates are degrees, east and north positive.
struct CallRecord {
    std::string callsign;  // the service's notices ("NOT FOUND", "ERROR ...") stand here too
    std::string firstName;
    std::string middleName;
    std::string lastName;
    std::string address;
    std::string city;
    std::string state;
    std::string postalCode;
    std::string birthDate;
    double latitude = 0.0;
    double longitude = 0.0;
    std::string county;
    std::string country;
    std::string previousCall;
    std::string gridSquare;
    std::string qslManager;
    std::string licenseClass;  // the class word ("Extra", "General", ...)
    std::string effectiveDate;
    std::string expiryDate;
    std::string codeA;
    std::string codeB;
    std::string gmtOffset;
    std::string lastModified;
    std::string url;
    std::string email;
};

// The service's answer is an untagged head (the callsign, or a notice), then fields, each opened
// by one tag byte and running to the next tag byte. Value bytes are 01-7F, A0-B3 and the five
// bytes of 80-9F that Windows-1252 leaves undefined; every other byte (NUL, B4-FF, the rest of
// 80-9F) is a tag byte and opens a new field.
bool IsValueByte(unsigned char b);
// A tag byte whose field the record keeps (B5-BA, BC, BF-C8 and so on); the fields of every
// other tag byte are skipped.
bool IsFieldTag(unsigned char b);

inline constexpr std::size_t kReplyLineFields = 17;

// The tag the untagged head of an answer counts as: the callsign's.
inline constexpr unsigned char kCallsignTag = 0xB5;

// The tags of the fields `answer` carries, in the order ReadAnswer reads them: kCallsignTag for
// the head, then the tag byte of each field, kept or skipped alike (spaces at the end of the
// answer go first, as ReadAnswer takes them).
std::vector<unsigned char> FieldTagsOf(std::string_view answer);

// Where the value of a tag's field shows in the two lines.
struct LinePlace {
    enum class Line {
        None,      // in neither (the birth date, the second code, a field the record skips)
        Reply,     // in the reply line's field `index`
        Extended,  // in the extended line's field `index`
    };
    Line line = Line::None;
    int index = 0;
};
LinePlace PlaceInLines(unsigned char tag);

// Makes a value safe for one field of a "|"-separated reply line: line breaks at its ends go,
// any other line break or "|" becomes a space. Every text that goes into a reply line passes
// through it.
std::string CleanField(const std::string& value);

// Reads the service's answer into `record`. Fields the answer does not carry keep their values.
// A coordinate that is not a number leaves that coordinate unchanged; the fields after it are
// still read. `decimalSeparator` is the user's decimal separator, accepted besides the point.
void ReadAnswer(std::string_view answer, const std::string& decimalSeparator, CallRecord& record);

// The record of `answer` alone.
CallRecord ParseAnswer(std::string_view answer, const std::string& decimalSeparator = ".");

// The reply line: kReplyLineFields fields, each followed by "|". The coordinates are written with
// `decimalSeparator`.
std::string ReplyLine(const CallRecord& record, const std::string& decimalSeparator = ".");

// The extended reply line: 7 fields separated by "|", the first one always empty.
std::string ExtendedLine(const CallRecord& record);

}  // namespace record
