// The home call inside a portable or prefixed callsign ("N0CALL/P", "DL/N0CALL"), which the
// callbook knows when it does not know the callsign as signed.
#pragma once

#include <string>

namespace lookup {

// Splits `callsign` at "/" and returns the longest part that is at least 3 characters long and
// holds at least one ASCII letter and one ASCII digit. Empty when the callsign holds no "/",
// when no part qualifies, or when two qualifying parts share the greatest length (for
// "KH6X/AB1C" the home call cannot be told).
std::string BaseCall(const std::string& callsign);

}  // namespace lookup
