// Numbers to text and back, the way the reply line and the answer parser need them.
// Both work on plain bytes and never depend on the C runtime's locale or number formatting,
// so the results are the same on every platform.
#pragma once

#include <string>

namespace record {

// Writes `v` as the shortest text with at most 15 significant digits (rounded), without
// trailing zeros or thousands separators, with `decimalSeparator` between the integer and the
// fraction. Exponents below -4 or from 15 on use the exponent form "1.5E+20", "1E-05"
// (sign and at least two digits). Zero, negative zero included, is "0". A NaN is written
// "NaN", infinities "Infinity" and "-Infinity".
std::string FormatNumber(double v, const std::string& decimalSeparator);

// Reads a decimal number: white space (space, tab, CR, LF) around it is ignored; then an
// optional sign, digits with an optional decimal separator ('.' always, or
// `userDecimalSeparator` when that is not empty) and at least one digit, then an optional
// exponent (e or E, optional sign, digits). Anything else fails, and so do "nan", "inf",
// hexadecimal forms and numbers too large for a double. On success stores the number into
// `out` and returns true; on failure leaves `out` alone and returns false.
bool ParseNumber(const std::string& s, const std::string& userDecimalSeparator, double& out);

}  // namespace record
