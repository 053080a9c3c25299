#include "record/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "common/text.h"

namespace record {

namespace {

constexpr int kSignificantDigits = 15;

using common::text::IsAsciiDigit;

// Appends the decimal exponent as sign and at least two digits.
void AppendExponent(std::string& out, int exponent) {
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    std::string digits = std::to_string(std::abs(exponent));
    if (digits.size() < 2) {
        digits.insert(0, "0");
    }
    out += digits;
}

}  // namespace

std::string FormatNumber(double v, const std::string& decimalSeparator) {
    if (std::isnan(v)) {
        return "NaN";
    }
    if (std::isinf(v)) {
        return v < 0 ? "-Infinity" : "Infinity";
    }
    if (v == 0.0) {
        return "0";  // also for negative zero
    }

    // 15 significant digits, correctly rounded: "d.dddddddddddddde+XX". Only the digits and
    // the exponent's value are taken from it, never its layout: C runtimes differ in the
    // exponent's digits ("1e-05", "1e-005"), and the program never changes the C locale, whose
    // decimal point is '.'. (A printf of this precision needs far less code than the
    // floating-point std::to_chars, whose tables would triple the program's size.)
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(v));
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) {
        return "0";  // cannot happen with this buffer size
    }
    const std::string sci(buf, static_cast<std::size_t>(n));
    const auto ePos = sci.find_first_of("eE");
    std::string digits;
    for (std::size_t i = 0; i < ePos; ++i) {
        if (IsAsciiDigit(sci[i])) {
            digits += sci[i];
        }
    }
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = v < 0 ? "-" : "";
    if (exponent < -4 || exponent >= kSignificantDigits) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1, std::string::npos);
        }
        AppendExponent(out, exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            out += digits;
            out.append(intLen - digits.size(), '0');
        } else {
            out.append(digits, 0, intLen);
            out += decimalSeparator;
            out.append(digits, intLen, std::string::npos);
        }
    }
    return out;
}

bool ParseNumber(const std::string& input, const std::string& userDecimalSeparator, double& out) {
    const std::string_view s = common::text::TrimBlanks(input);
    std::size_t pos = 0;
    const std::size_t end = s.size();

    // The text is rewritten into the one form std::from_chars reads: "-123.45e-6".
    std::string normal;
    if (pos < end && (s[pos] == '+' || s[pos] == '-')) {
        if (s[pos] == '-') {
            normal += '-';
        }
        ++pos;
    }

    std::string intDigits;
    while (pos < end && IsAsciiDigit(s[pos])) {
        intDigits += s[pos++];
    }
    std::string fracDigits;
    std::size_t sepLen = 0;
    if (pos < end && s[pos] == '.') {
        sepLen = 1;
    } else if (!userDecimalSeparator.empty() &&
               s.compare(pos, userDecimalSeparator.size(), userDecimalSeparator) == 0) {
        sepLen = userDecimalSeparator.size();
    }
    if (sepLen > 0) {
        pos += sepLen;
        while (pos < end && IsAsciiDigit(s[pos])) {
            fracDigits += s[pos++];
        }
    }
    if (intDigits.empty() && fracDigits.empty()) {
        return false;
    }
    normal += intDigits.empty() ? "0" : intDigits;
    if (!fracDigits.empty()) {
        normal += '.';
        normal += fracDigits;
    }

    if (pos < end && (s[pos] == 'e' || s[pos] == 'E')) {
        ++pos;
        normal += 'e';
        if (pos < end && (s[pos] == '+' || s[pos] == '-')) {
            normal += s[pos++];
        }
        const std::size_t expStart = pos;
        while (pos < end && IsAsciiDigit(s[pos])) {
            normal += s[pos++];
        }
        if (pos == expStart) {
            return false;
        }
    }
    if (pos != end) {
        return false;
    }

    double value = 0.0;
    const char* first = normal.data();
    const char* last = first + normal.size();
    const auto res = std::from_chars(first, last, value, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != last) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace record
