#include "product/messages.h"

#include <cstring>

namespace product::messages {

std::string Fill(const std::string& text,
                 std::initializer_list<std::pair<const char*, std::string>> values) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        bool replaced = false;
        for (const auto& [placeholder, value] : values) {
            const std::size_t n = std::strlen(placeholder);
            if (text.compare(i, n, placeholder) == 0) {
                out += value;
                i += n;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

}  // namespace product::messages
