// Placeholders filled into the texts of the boxes and replies. Each placeholder of the text is
// replaced exactly once by its value, whatever the value holds (placeholders included), and a
// text filled with the placeholders themselves comes back as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "product/messages.h"

namespace {

const char* const kPlaceholders[] = {product::messages::kCallsign, product::messages::kFolder,
                                     product::messages::kSystemMessage};

// Occurrences of `placeholder` in `text`, counted left to right without overlap.
std::size_t Occurrences(const std::string& text, const std::string& placeholder) {
    std::size_t count = 0;
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + placeholder.size())) {
        ++count;
    }
    return count;
}

// Every occurrence of `placeholder` replaced by `value`, one placeholder after another.
std::string ReplaceAll(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::string text;
    const bool fromTable = in.ConsumeBool();
    if (fromTable) {
        text = in.PickValueInArray(product::messages::kAll).text;
    } else {
        text = in.ConsumeRandomLengthString(256);
    }
    const std::string values[] = {in.ConsumeRandomLengthString(64),
                                  in.ConsumeRandomLengthString(64),
                                  in.ConsumeRemainingBytesAsString()};

    const std::string filled = product::messages::Fill(text, {{kPlaceholders[0], values[0]},
                                                              {kPlaceholders[1], values[1]},
                                                              {kPlaceholders[2], values[2]}});
    std::size_t expectedSize = text.size();
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string placeholder = kPlaceholders[i];
        expectedSize = expectedSize - Occurrences(text, placeholder) * placeholder.size() +
                       Occurrences(text, placeholder) * values[i].size();
    }
    FUZZ_REQUIRE(filled.size() == expectedSize);

    // In the program's texts every "<" opens a placeholder; there, values with no "<" of their
    // own cannot form one, and filling gives what plain replacement gives.
    bool plainValues = fromTable;
    for (const std::string& value : values) {
        plainValues = plainValues && value.find('<') == std::string::npos;
    }
    if (plainValues) {
        std::string replaced = text;
        for (std::size_t i = 0; i < 3; ++i) {
            replaced = ReplaceAll(replaced, kPlaceholders[i], values[i]);
        }
        FUZZ_REQUIRE(filled == replaced);
    }

    const std::string same = product::messages::Fill(text, {{kPlaceholders[0], kPlaceholders[0]},
                                                            {kPlaceholders[1], kPlaceholders[1]},
                                                            {kPlaceholders[2], kPlaceholders[2]}});
    FUZZ_REQUIRE(same == text);
    return 0;
}
