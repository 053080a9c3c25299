#include "lookup/answer_judge.h"

#include <string>

#include "common/text.h"
#include "record/call_record.h"

namespace lookup {
namespace {

using common::text::IsAsciiDigit;
using common::text::IsAsciiLetter;

bool OnlyBlanks(std::string_view body) {
    return common::text::TrimBlanks(body).empty();
}

// The untagged head: the bytes before the first tag byte.
std::string_view HeadOf(std::string_view body) {
    std::size_t end = 0;
    while (end < body.size() && record::IsValueByte(static_cast<unsigned char>(body[end]))) {
        ++end;
    }
    return body.substr(0, end);
}

bool HoldsNotice(std::string_view head) {
    return head.find("NOT FOUND") != std::string_view::npos ||
           head.find("ERROR") != std::string_view::npos;
}

// `text` without one CR LF or LF at its end.
std::string_view WithoutLineEnd(std::string_view text) {
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
    }
    return text;
}

bool HoldsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// '<' followed by a letter, '/', '!' or '?': a tag, a closing tag, a declaration or comment,
// a processing instruction.
bool HoldsMarkup(std::string_view body) {
    for (std::size_t i = body.find('<'); i != std::string_view::npos; i = body.find('<', i + 1)) {
        if (i + 1 < body.size()) {
            const char next = body[i + 1];
            if (IsAsciiLetter(next) || next == '/' || next == '!' || next == '?') {
                return true;
            }
        }
    }
    return false;
}

bool IsJsonOrXml(std::string_view body) {
    const std::string_view text = common::text::TrimWhere(body, common::text::IsBlank);
    if (text.empty()) {
        return false;
    }
    return text.front() == '{' || text.front() == '[' ||
           common::text::StartsWithNoCase(text, "<?xml");
}

// A notice in the service's plain text: one short line, perhaps followed by fields, no markup.
bool IsNotice(std::string_view body, std::string_view head) {
    const std::string_view line = WithoutLineEnd(head);
    if (!HoldsNotice(line) || line.size() > kMaxNoticeLine || HoldsLineBreak(line)) {
        return false;
    }
    const std::string_view fields = WithoutLineEnd(body.substr(head.size()));
    return !HoldsLineBreak(fields) && !HoldsMarkup(body);
}

// A found record: a callsign for a head, then at least one field the record keeps.
bool IsFoundRecord(std::string_view body, std::string_view head) {
    if (!ReadsAsCallsign(common::text::TrimBlanks(head))) {
        return false;
    }
    for (std::size_t i = head.size(); i < body.size(); ++i) {
        if (record::IsFieldTag(static_cast<unsigned char>(body[i]))) {
            return true;
        }
    }
    return false;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           common::text::EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

}  // namespace

bool ReadsAsCallsign(std::string_view word) {
    if (word.empty() || word.size() > kMaxCallsignLength) {
        return false;
    }
    bool letter = false;
    bool digit = false;
    for (const char c : word) {
        letter = letter || IsAsciiLetter(c);
        digit = digit || IsAsciiDigit(c);
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '/') {
            return false;
        }
    }
    return letter && digit;
}

bool LooksLikeServiceAnswer(std::string_view body) {
    if (IsJsonOrXml(body)) {
        return false;
    }
    const std::string_view head = HeadOf(body);
    return IsNotice(body, head) || IsFoundRecord(body, head);
}

bool LabelledAsNoAnswer(std::string_view contentType) {
    std::string_view type = contentType.substr(0, contentType.find(';'));
    type = common::text::TrimBlanks(type);
    for (const char* family : {"image/", "audio/", "video/"}) {
        if (common::text::StartsWithNoCase(type, family)) {
            return true;
        }
    }
    for (const char* exact : {"application/json", "text/json", "application/xml", "text/xml"}) {
        if (common::text::EqualsNoCase(type, exact)) {
            return true;
        }
    }
    return EndsWithNoCase(type, "+json") || EndsWithNoCase(type, "+xml");
}

Verdict JudgeExchange(const Exchange& exchange) {
    if (!exchange.opened || exchange.status >= 500 || exchange.status == 407 ||
        OnlyBlanks(exchange.body)) {
        return Verdict::NotReached;
    }
    if (LabelledAsNoAnswer(exchange.contentType) || !LooksLikeServiceAnswer(exchange.body)) {
        return Verdict::NotAnAnswer;
    }
    const bool shortOfAnnounced = exchange.announcedLength && !exchange.capped &&
                                  exchange.body.size() < *exchange.announcedLength;
    return exchange.readFailed || shortOfAnnounced ? Verdict::CutOff : Verdict::Answered;
}

bool EndCheckable(const Exchange& exchange) {
    return exchange.announcedLength.has_value() || exchange.capped;
}

bool MayChangeKept(Verdict verdict, unsigned long status) {
    return verdict == Verdict::Answered && status >= 200 && status <= 299;
}

}  // namespace lookup
