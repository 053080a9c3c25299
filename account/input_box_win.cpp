#include "account/input_box_win.h"

#include <windows.h>

#include "common/ansi_win.h"
#include "res/resource.h"

namespace account {
namespace {

struct InputBoxState {
    const std::string* prompt;
    const std::string* title;
    const std::string* defaultText;
    std::wstring entry;
};

// The entry is read as UTF-16, so that a character the ANSI code page cannot hold is seen
// rather than silently replaced; it becomes ANSI bytes here and nowhere else.
InputBoxAnswer AnswerOf(const std::wstring& entry) {
    const common::AnsiText ansi = common::ToAnsi(entry);
    InputBoxAnswer answer;
    answer.ok = true;
    answer.text = ansi.text;
    answer.exactInAnsi = ansi.exact;
    return answer;
}

std::wstring ReadEntry(HWND edit) {
    const int length = GetWindowTextLengthW(edit);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int n = GetWindowTextW(edit, &text[0], length + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const auto* state = reinterpret_cast<InputBoxState*>(lParam);
            SetWindowTextA(dialog, state->title->c_str());
            SetDlgItemTextA(dialog, IDC_INPUT_PROMPT, state->prompt->c_str());
            HWND edit = GetDlgItem(dialog, IDC_INPUT_TEXT);
            SetWindowTextA(edit, state->defaultText->c_str());
            // The default is selected, so that typing replaces it.
            SendMessageW(edit, EM_SETSEL, 0, -1);
            SetFocus(edit);
            return FALSE;  // the focus has been set here
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    auto* state =
                        reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
                    state->entry = ReadEntry(GetDlgItem(dialog, IDC_INPUT_TEXT));
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

InputBoxAnswer AskForText(const std::string& prompt, const std::string& title,
                          const std::string& defaultText) {
    InputBoxState state{&prompt, &title, &defaultText, std::wstring()};
    // A Unicode dialog, so that its edit keeps whatever is typed; the texts shown are ANSI and
    // are converted by the window functions.
    const INT_PTR result =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUTBOX), nullptr,
                        &InputBoxProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) {
        return InputBoxAnswer();
    }
    return AnswerOf(state.entry);
}

}  // namespace account
