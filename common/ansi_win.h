// Text between UTF-16 and the system's ANSI code page, the form every string of the program
// holds.
#pragma once

#include <string>
#include <string_view>

namespace common {

struct AnsiText {
    std::string text;
    bool exact = true;  // every character has its own ANSI code and comes back from it unchanged
};

// UTF-16 to ANSI bytes. A character the code page cannot hold becomes its default character
// (never a look-alike) and makes the result inexact.
AnsiText ToAnsi(std::wstring_view text);

// ANSI bytes to UTF-16.
std::wstring FromAnsi(const std::string& text);

}  // namespace common
