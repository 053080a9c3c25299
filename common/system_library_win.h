// System DLLs the program loads when it first needs them rather than at start-up, and the
// typed tables of their functions. Each table lives beside the code that calls that DLL:
//
//   struct ShellFunctions {
//       decltype(&::ShellExecuteA) ShellExecuteA = nullptr;
//   };
//
// Typing each pointer with decltype of the declared function keeps the header's calling
// convention on every architecture. A DLL loaded this way stays loaded for the life of the
// process.
#pragma once

#include <windows.h>

namespace common {

// Loads a DLL that ships with Windows from the system folder only, never from the program's
// folder or the current directory. Null on failure, with GetLastError telling why.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The same through the full path of the system folder: for a loader that refuses the flag that
// restricts the search to that folder (Windows 7 without its loader update).
HMODULE LoadSystemLibraryByPath(const wchar_t* name);

// Sets `fn` to the export `name` of `module`. When it is missing, `fn` stays null and `error`,
// if still 0, becomes ERROR_PROC_NOT_FOUND.
template <typename Fn>
void BindSystemFunction(HMODULE module, const char* name, Fn& fn, DWORD& error) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!fn && error == 0) {
        error = ERROR_PROC_NOT_FOUND;
    }
}

// Binds the member of `table` that has the name of the function it holds.
#define BIND_SYSTEM_FUNCTION(module, table, name, error) \
    ::common::BindSystemFunction(module, #name, (table).name, error)

// A table of a DLL's functions, filled once: `functions` is usable only when `error` is 0.
template <typename Table>
struct SystemFunctions {
    Table functions;
    DWORD error = 0;  // the loader's error, or ERROR_PROC_NOT_FOUND for a missing function

    const Table* Usable() const { return error == 0 ? &functions : nullptr; }
};

// Loads `dll` and fills a table with `bind(module, table, error)`.
template <typename Table, typename Bind>
SystemFunctions<Table> LoadSystemFunctions(const wchar_t* dll, Bind bind) {
    SystemFunctions<Table> loaded;
    HMODULE module = LoadSystemLibrary(dll);
    if (!module) {
        const DWORD error = GetLastError();
        loaded.error = error ? error : ERROR_MOD_NOT_FOUND;
        return loaded;
    }
    bind(module, loaded.functions, loaded.error);
    return loaded;
}

}  // namespace common
