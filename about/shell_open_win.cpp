#include "about/shell_open_win.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace mWebLookup {

bool OpenDocument(std::string& document, const char* verb, const char* parameters,
                  const char* directory, int showCommand) {
    // Shell handlers may be COM objects: the calling (user-interface) thread joins a single-
    // threaded apartment once and stays in it for the life of the process.
    static const HRESULT apartment =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    (void)apartment;
    const HINSTANCE result =
        ShellExecuteA(nullptr, verb, document.c_str(), parameters, directory, showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace mWebLookup
