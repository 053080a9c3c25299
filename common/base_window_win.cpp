#include "common/base_window_win.h"

#include "res/resource.h"

namespace common {

bool RegisterProgramWindowClass(const char* className, WNDPROC proc, const char* menuName) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) {
        return true;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = menuName;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace common
