// Whether an exchange brought the service's answer. Between the program and the service there
// may be a hotel's sign-in page, a proxy's, a CDN's or a web filter's error page, a rate limiter's
// JSON, an image, a server that closes early: only what has the shape of the service's answer
// counts as one, and only a whole one of a 2xx status may change the answers kept for later.
//
// The service writes plain Windows-1252 text: an untagged head (the text before the first tag
// byte, record::IsValueByte) followed by tagged fields. A body counts as its answer in one of two
// shapes:
//   - a notice: the head holds "NOT FOUND" or "ERROR", and the body is the service's plain text,
//     not a page that happens to say so:
//       - the head is one line of at most kMaxNoticeLine bytes (one CR LF or LF may end it),
//         alone or followed by fields, and nothing after the head holds a line break but the
//         body's last bytes;
//       - there is no markup anywhere in the body: no '<' followed by a letter, '/', '!' or '?';
//   - a found record: the head reads as a callsign (ReadsAsCallsign; blanks and line breaks
//     around it allowed), and at least one field follows whose tag the record keeps.
// Never in either shape:
//   - JSON or XML: a body whose first byte other than a blank is '{' or '[', or that begins
//     with "<?xml";
//   - a body the server itself labels as something else (Content-Type): an image, audio or
//     video type, or a JSON or XML one. text/html and text/plain say nothing: a service may send
//     its answer under either.
// Anything else is not the service's answer, whatever its status: a page, lines of prose, a
// bare word, a word with no digit (in Windows-1252 every accented capital is a tag byte, so a
// word of text such as a Spanish "ATENCION" with its accent reads as "ATENCI" and a field). A
// body of nothing but blanks is no answer at all.
//
// An answer whose end cannot be checked (EndCheckable: the server announced no length, as for a
// chunked body or one that the close of the connection ends) may be a beginning cut off by an
// orderly close; cut_answer.h tells it by the answer kept for the callsign.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lookup {

// The longest head a notice may have: the service's notices are short lines.
inline constexpr std::size_t kMaxNoticeLine = 200;
// The longest callsign a found record's head may be.
inline constexpr std::size_t kMaxCallsignLength = 20;

// One exchange with the service as the run saw it.
struct Exchange {
    bool opened = false;      // the request was sent and a status came back
    bool readFailed = false;  // a read failed or the time ran out before the body ended
    unsigned long status = 0;
    std::string_view contentType;  // the Content-Type header as the server sent it; may be empty
    std::string_view body;         // what was read
    // The body's length as the server announced it (Content-Length); none when not announced.
    std::optional<std::uint64_t> announcedLength;
    bool capped = false;  // reading stopped at the program's own limit, not at the body's end
};

enum class Verdict {
    Answered,     // the service's whole answer, as far as its end can be checked
    CutOff,       // the service's answer, cut short: a failed read, or fewer bytes than announced
    NotReached,   // no answer: not opened, a server error (5xx), a proxy's 407, only blanks
    NotAnAnswer,  // something answered, but not the service: a page, prose, JSON, an image
};

Verdict JudgeExchange(const Exchange& exchange);

// True when `body` has the shape of the service's answer (see above).
bool LooksLikeServiceAnswer(std::string_view body);

// True when the media type of `contentType` says the body is not the service's text: image/*,
// audio/*, video/*, a JSON or an XML type (application/json, text/xml, ...+json, ...+xml),
// compared without regard to case, parameters after ';' ignored.
bool LabelledAsNoAnswer(std::string_view contentType);

// True when `word` reads as a callsign: only ASCII letters, digits and '/', at least one letter
// and one digit, at most kMaxCallsignLength bytes.
bool ReadsAsCallsign(std::string_view word);

// True when the end of the exchange's body can be checked: the server announced its length, or
// reading stopped at the program's own limit.
bool EndCheckable(const Exchange& exchange);

// True when a look-up's exchange may change the kept answers: a whole answer with a 2xx status.
bool MayChangeKept(Verdict verdict, unsigned long status);

}  // namespace lookup
