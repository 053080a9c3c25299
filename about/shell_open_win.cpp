#include "about/shell_open_win.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "common/system_library_win.h"

namespace about {
namespace {

// The shell and COM functions a link needs, loaded with the first link opened.
struct ShellFunctions {
    decltype(&::ShellExecuteA) ShellExecuteA = nullptr;
};
struct ComFunctions {
    decltype(&::CoInitializeEx) CoInitializeEx = nullptr;
};

const ShellFunctions* Shell() {
    static const auto loaded = common::LoadSystemFunctions<ShellFunctions>(
        L"shell32.dll", [](HMODULE dll, ShellFunctions& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, ShellExecuteA, failed);
        });
    return loaded.Usable();
}

const ComFunctions* Com() {
    static const auto loaded = common::LoadSystemFunctions<ComFunctions>(
        L"ole32.dll", [](HMODULE dll, ComFunctions& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, CoInitializeEx, failed);
        });
    return loaded.Usable();
}

}  // namespace

bool OpenDocument(const std::string& document, const char* verb, const char* parameters,
                  const char* directory, int showCommand) {
    const ShellFunctions* shell = Shell();
    const ComFunctions* com = Com();
    if (!shell || !com) {
        return false;  // without the shell nothing opens
    }
    // Shell handlers may be COM objects: the calling (user-interface) thread joins a single-
    // threaded apartment once and stays in it for the life of the process.
    static const HRESULT apartment =
        com->CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    (void)apartment;
    const HINSTANCE result =
        shell->ShellExecuteA(nullptr, verb, document.c_str(), parameters, directory, showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace about
