// Telling an answer cut off by an orderly close when its end cannot be checked. A body sent in
// chunks, or one the close of the connection ends, reads as whole when the connection closes in
// order in the middle of it (answer_judge.h, EndCheckable): what arrived has the service's
// shape, only less of it. The answer kept for the same callsign tells it.
//
// Such an answer is taken as a beginning of the kept one when both hold:
//   - every field it carries (by its tags, not by the lines, where a field not carried reads as
//     empty or 0) shows in the lines as the same field of the kept answer. The field the body
//     ends in may hold only a beginning of the kept value, or nothing the line can show (a
//     coordinate cut before its first digit). The name field, which the middle and the last
//     name share, need only be found within the kept one when the answer carries only one of
//     the two. Fields neither line shows are not compared.
//   - the kept answer shows more: its lines differ from the ones built from this answer.
// An answer that carries a field the kept one does not show, or shows a field otherwise, is a
// changed record, not a cut one.
#pragma once

#include <string>
#include <string_view>

namespace lookup {

// `body` is the answer as it arrived; `message` the extended message built from it
// (ExtendedMessage, request.h) and `keptMessage` the one kept for the callsign.
bool SeemsCutShortOf(std::string_view body, const std::string& message,
                     const std::string& keptMessage);

}  // namespace lookup
