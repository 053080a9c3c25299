// Number text both ways. Every finite double is written with the user's separator as text that
// reads back to the same number within 15 significant digits and writes out the same again; any
// text that reads as a number gives a finite double equal to what the C library reads.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/check.h"
#include "record/number_text.h"

namespace {

// The largest magnitude whose 15-digit text still reads back: above it the text rounds up past
// the largest double, and reading it overflows.
constexpr double kLargestReadable = 1.79769313486231e308;

void CheckFormat(double v, const std::string& separator) {
    const std::string text = record::FormatNumber(v, separator);
    if (std::isnan(v)) {
        FUZZ_REQUIRE(text == "NaN");
        return;
    }
    if (std::isinf(v)) {
        FUZZ_REQUIRE(text == (v < 0 ? "-Infinity" : "Infinity"));
        return;
    }
    std::size_t digits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (text.compare(i, separator.size(), separator) == 0) {
            i += separator.size() - 1;
        } else {
            FUZZ_REQUIRE(c == '-' || c == 'E' || c == '+');
        }
    }
    FUZZ_REQUIRE(digits > 0);
    if (std::fabs(v) > kLargestReadable) {
        return;
    }
    double back = 0.0;
    FUZZ_REQUIRE(record::ParseNumber(text, separator, back));
    FUZZ_REQUIRE(back == v || std::fabs(back - v) <= std::fabs(v) * 1e-14);
    FUZZ_REQUIRE(record::FormatNumber(back, separator) == text);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void CheckParse(const std::string& text, const std::string& separator) {
    const double untouched = 12345.0;
    double value = untouched;
    if (!record::ParseNumber(text, separator, value)) {
        FUZZ_REQUIRE(std::memcmp(&value, &untouched, sizeof value) == 0);
        return;
    }
    FUZZ_REQUIRE(std::isfinite(value));
    if (separator != "." && !separator.empty()) {
        return;
    }
    // With the point as the only separator the accepted texts are plain C numbers.
    const std::string number = fuzz::Trim(text, IsBlank);
    FUZZ_REQUIRE(number.find('\0') == std::string::npos);
    char* end = nullptr;
    const double reference = std::strtod(number.c_str(), &end);
    FUZZ_REQUIRE(end == number.c_str() + number.size());
    FUZZ_REQUIRE(reference == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    static const char* const kSeparators[] = {".", ",", ""};
    const std::string separator = in.PickValueInArray(kSeparators);
    if (in.ConsumeBool()) {
        const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
        double v = 0.0;
        std::memcpy(&v, &bits, sizeof v);
        CheckFormat(v, separator.empty() ? "." : separator);
    } else {
        CheckParse(in.ConsumeRemainingBytesAsString(), separator);
    }
    return 0;
}
