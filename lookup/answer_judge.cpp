#include "lookup/answer_judge.h"

#include "common/text.h"
#include "record/call_record.h"

namespace lookup {
namespace {

bool IsWordByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
}

bool OnlyBlanks(std::string_view body) {
    return common::text::TrimBlanks(body).empty();
}

// True when `body` is well-formed UTF-8 holding at least one character beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view body) {
    bool beyondAscii = false;
    for (std::size_t i = 0; i < body.size();) {
        const unsigned char lead = static_cast<unsigned char>(body[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;  // the first continuation byte's range, as the lead allows
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
            high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (body.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(body[i + k]);
            const bool ok = k == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
            if (!ok) {
                return false;
            }
        }
        beyondAscii = true;
        i += length;
    }
    return beyondAscii;
}

}  // namespace

bool LooksLikeServiceAnswer(std::string_view body) {
    if (IsUtf8BeyondAscii(body)) {
        return false;
    }
    std::size_t headEnd = 0;
    while (headEnd < body.size() &&
           record::IsValueByte(static_cast<unsigned char>(body[headEnd]))) {
        ++headEnd;
    }
    const std::string head(body.substr(0, headEnd));
    const std::string_view word = common::text::TrimBlanks(head);
    if (!word.empty() && word.front() == '<') {
        return false;  // markup, whatever it says
    }
    if (common::text::Contains(head, "NOT FOUND") || common::text::Contains(head, "ERROR")) {
        return true;
    }
    if (word.empty()) {
        return false;
    }
    for (const char c : word) {
        if (!IsWordByte(c)) {
            return false;
        }
    }
    // Each tag byte after the head opens a field; one the record keeps must be among them.
    for (std::size_t i = headEnd; i < body.size(); ++i) {
        if (record::IsFieldTag(static_cast<unsigned char>(body[i]))) {
            return true;
        }
    }
    return false;
}

Verdict JudgeExchange(const Exchange& exchange) {
    if (!exchange.opened || exchange.status >= 500 || exchange.status == 407 ||
        OnlyBlanks(exchange.body)) {
        return Verdict::NotReached;
    }
    if (!LooksLikeServiceAnswer(exchange.body)) {
        return Verdict::NotAnAnswer;
    }
    const bool shortOfAnnounced = exchange.announcedLength && !exchange.capped &&
                                  exchange.body.size() < *exchange.announcedLength;
    return exchange.readFailed || shortOfAnnounced ? Verdict::CutOff : Verdict::Answered;
}

bool MayChangeKept(Verdict verdict, unsigned long status) {
    return verdict == Verdict::Answered && status >= 200 && status <= 299;
}

}  // namespace lookup
