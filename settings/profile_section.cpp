#include "settings/profile_section.h"

#include "common/text.h"

namespace settings {

std::optional<std::string> ValueFromSection(std::string_view entries, std::string_view key,
                                            std::size_t bufferSize) {
    while (!entries.empty()) {
        const std::size_t end = entries.find('\0');
        const std::string_view entry = entries.substr(0, end);
        entries.remove_prefix(end == std::string_view::npos ? entries.size() : end + 1);
        const std::size_t equals = entry.find('=');
        if (!common::text::EqualsNoCase(entry.substr(0, equals), key)) {
            continue;
        }
        if (equals == std::string_view::npos) {
            return std::string();
        }
        std::string_view value = entry.substr(equals + 1);
        if (value.size() + 1 >= bufferSize) {
            return std::nullopt;
        }
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value);
    }
    return std::string();
}

}  // namespace settings
