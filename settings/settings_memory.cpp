#include "settings/settings_memory.h"

namespace settings {

std::optional<OptionTexts> SettingsMemory::For(const FileStamp& stamp) const {
    if (stamp_ && *stamp_ == stamp) {
        return texts_;
    }
    return std::nullopt;
}

void SettingsMemory::Keep(const FileStamp& stamp, std::uint64_t readStart,
                          const OptionTexts& texts) {
    if (stamp.lastWrite > readStart || readStart - stamp.lastWrite < kSettledAfter) {
        stamp_.reset();
        return;
    }
    stamp_ = stamp;
    texts_ = texts;
}

}  // namespace settings
