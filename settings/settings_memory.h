// What the program keeps of the settings file between look-up runs: the keys' texts read from it
// and the file's stamp at that read. A run whose file shows the same stamp takes the texts kept
// instead of reading the file again; any other stamp means a new read. The main window holds it.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/options.h"

namespace settings {

// Times are the system's file times: 100-ns units since 1601, UTC.
inline constexpr std::uint64_t kFileTimeSecond = 10000000;

// A file's size and times as an open handle shows them.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t created = 0;
    std::uint64_t lastWrite = 0;

    bool operator==(const FileStamp& other) const {
        return size == other.size && created == other.created && lastWrite == other.lastWrite;
    }
};

// A write that comes after the read changes the stamp only when it falls in another tick of the
// file system's clock (2 s on FAT, some 16 ms on NTFS). So a read is kept only when the file's
// last write was at least this long before the read began: any later write then shows.
inline constexpr std::uint64_t kSettledAfter = 3 * kFileTimeSecond;

class SettingsMemory {
  public:
    // The texts kept for a file that shows `stamp` now; none when they must be read.
    std::optional<OptionTexts> For(const FileStamp& stamp) const;

    // Keeps `texts`, read from a file that showed `stamp` just before the read began at
    // `readStart`. Texts of a file written too recently are not kept, and what was kept before
    // is dropped.
    void Keep(const FileStamp& stamp, std::uint64_t readStart, const OptionTexts& texts);

  private:
    std::optional<FileStamp> stamp_;
    OptionTexts texts_;
};

}  // namespace settings
