// A key's value worked out from its whole section, as the system's private-profile functions
// hand a section over (GetPrivateProfileSectionA): one entry per line of the section, each ended
// by a NUL, "name=value", or the bare name of a line without "=". The names and values come
// trimmed, comment lines left out; a value keeps its quotes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// What GetPrivateProfileStringA with a buffer of `bufferSize` bytes (terminator included) gives
// for `key`, when the section's entries settle it: the first entry whose name is `key` (ASCII
// case-blind) counts; a line without "=", and a key the section lacks, give "". A value enclosed
// in matching single or double quotes loses them. None when only the key's own read can tell:
// a value of bufferSize - 1 bytes or more, which that read cuts.
std::optional<std::string> ValueFromSection(std::string_view entries, std::string_view key,
                                            std::size_t bufferSize);

}  // namespace settings
