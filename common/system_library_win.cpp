#include "common/system_library_win.h"

#include <string>

namespace common {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadSystemLibraryByPath(name);
    }
    return module;
}

HMODULE LoadSystemLibraryByPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return nullptr;
    }
    std::wstring path(folder, n);
    path += L'\\';
    path += name;
    // The DLL's own imports are then looked for beside it first, in the system folder too.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace common
