#include "common/ansi_win.h"

#include <windows.h>

namespace common {

namespace {

bool MultiByteCodePage() {
    CPINFO info = {};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

}  // namespace

AnsiText ToAnsi(std::wstring_view text) {
    AnsiText answer;
    if (text.empty()) {
        return answer;
    }
    const int wideLength = static_cast<int>(text.size());
    if (MultiByteCodePage()) {
        // UTF-8 and the double-byte code pages take no used-default flag: the text is exact
        // when its bytes turn back into the same characters.
        const int n =
            WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
        if (n <= 0) {
            answer.exact = false;
            return answer;
        }
        answer.text.assign(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, &answer.text[0], n, nullptr,
                            nullptr);
        answer.exact = FromAnsi(answer.text) == text;
        return answer;
    }
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength,
                                      nullptr, 0, nullptr, &usedDefault);
    if (n <= 0) {
        answer.exact = false;
        return answer;
    }
    answer.text.assign(static_cast<size_t>(n), '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), wideLength, &answer.text[0], n,
                        nullptr, &usedDefault);
    answer.exact = usedDefault == FALSE;
    return answer;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (n <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], n);
    return wide;
}

}  // namespace common
