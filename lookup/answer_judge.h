// Whether an exchange brought the service's answer. Between the program and the service there
// may be a hotel's sign-in page, a proxy's or a CDN's error page, a server that closes early:
// only what has the shape of the service's answer counts as one, and only a whole one of a 2xx
// status may change the answers kept for later.
//
// The service's answer is an untagged head followed by tagged fields. It counts as such when
//   - its head holds one of the service's notices, "NOT FOUND" or "ERROR", and is not markup
//     (it does not begin with '<', blanks before it allowed); or
//   - its head is one word of letters, digits and '/' (blanks and line breaks around it
//     allowed) and at least one field follows whose tag the record keeps;
// and in either case the body is not UTF-8 text beyond ASCII: the service writes Windows-1252
// with tag bytes, which (almost) never form valid UTF-8, while a UTF-8 page's bytes fall in the
// tag range and would otherwise read as fields.
// Anything else is not the service's answer, whatever its status: a page, a line of plain text,
// a bare word. A body of nothing but blanks is no answer at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lookup {

// One exchange with the service as the run saw it.
struct Exchange {
    bool opened = false;      // the request was sent and a status came back
    bool readFailed = false;  // a read failed or the time ran out before the body ended
    unsigned long status = 0;
    std::string_view body;  // what was read
    // The body's length as the server announced it (Content-Length); none when not announced.
    std::optional<std::uint64_t> announcedLength;
    bool capped = false;  // reading stopped at the program's own limit, not at the body's end
};

enum class Verdict {
    Answered,     // the service's whole answer
    CutOff,       // the service's answer, cut short: a failed read, or fewer bytes than announced
    NotReached,   // no answer: not opened, a server error (5xx), a proxy's 407, only blanks
    NotAnAnswer,  // something answered, but not the service: a page, a line of text
};

Verdict JudgeExchange(const Exchange& exchange);

// True when `body` has the shape of the service's answer (see above).
bool LooksLikeServiceAnswer(std::string_view body);

// True when a look-up's exchange may change the kept answers: a whole answer with a 2xx status.
bool MayChangeKept(Verdict verdict, unsigned long status);

}  // namespace lookup
