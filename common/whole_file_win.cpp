#include "common/whole_file_win.h"

#include <algorithm>

#include "common/handles_win.h"

namespace common {

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

DWORD WriteWholeFile(const std::string& path, std::string_view content, DWORD creation, bool flush,
                     bool* created) {
    if (created) {
        *created = false;
    }
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return LastErrorOr(ERROR_OPEN_FAILED);
    }
    if (created) {
        *created = true;
    }
    // WriteFile takes 32-bit counts: a large content goes in pieces.
    constexpr std::size_t kPiece = 1024 * 1024;
    for (std::size_t done = 0; done < content.size();) {
        const DWORD wanted = static_cast<DWORD>(std::min(kPiece, content.size() - done));
        DWORD written = 0;
        if (!WriteFile(file.get(), content.data() + done, wanted, &written, nullptr) ||
            written != wanted) {
            return LastErrorOr(ERROR_WRITE_FAULT);
        }
        done += written;
    }
    if (flush && !FlushFileBuffers(file.get())) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    if (!CloseHandle(file.release())) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return ERROR_SUCCESS;
}

}  // namespace common
