// Writing a whole file in one go, and naming a file in a folder. Each caller keeps its own rule
// around it: the settings file is only ever created new, the reply file is deleted and created
// anew, the kept answers are written to a temporary file, flushed and moved over the old one.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace common {

// The path of the file `name` in `folder` (given without a trailing backslash).
inline std::string PathIn(const std::string& folder, const char* name) {
    return folder + "\\" + name;
}

// Creates the file at `path` with `creation` (CREATE_NEW: never over an existing file;
// CREATE_ALWAYS: replacing one), writes all of `content`, flushes it to the disk when `flush`
// and closes it. ERROR_SUCCESS, or the system's error of the first step that failed (never
// ERROR_SUCCESS for a failure). A file created and then not written whole is left as it is:
// `created` (when given) tells the caller that there is one, to remove or to keep.
DWORD WriteWholeFile(const std::string& path, std::string_view content, DWORD creation, bool flush,
                     bool* created = nullptr);

// The error of the call that just failed; `fallback` when the system gave none, so that a
// failure stays one.
DWORD LastErrorOr(DWORD fallback);

}  // namespace common
