// The modal input box: a title, a prompt, one line of text filled in advance with a default,
// OK and Cancel. Built from the IDD_INPUTBOX dialog template.
#pragma once

#include <string>

namespace account {

struct InputBoxAnswer {
    bool ok = false;          // closed with OK
    std::string text;         // the entry in the ANSI code page; empty after Cancel
    bool exactInAnsi = true;  // every character of the entry has its own ANSI code
};

// Shows the box with no owner and waits until it is closed. The entry is shown as typed.
InputBoxAnswer AskForText(const std::string& prompt, const std::string& title,
                          const std::string& defaultText);

}  // namespace account
