// The account's two input boxes, shared by the first-use prompt and the "Account..." entry.
#pragma once

#include <string>

#include "settings/input_box_win.h"
#include "settings/settings_win.h"

namespace settings {

// The user name box. OK gives the entry, Cancel the empty string. An entry holding a character
// the ANSI code page cannot hold shows a box and brings the user name box back with the same
// default.
std::string AskForUserName(const std::string& defaultText);

// The password box, asked again until the entry is empty, equals `stored` (the password held
// now, in clear), or reads back from the settings file exactly as typed. A refused entry shows
// a box and brings the password box back with the same default.
InputBoxAnswer AskForStorablePassword(const std::string& defaultText, const std::string& stored);

// The first-use prompt: a notice, then the user name box filled in with `current`'s user name
// and the password box filled in with its password. What was typed and changed is stored (the
// password scrambled); Cancel, or an empty entry, stores the placeholder instead. Returns the
// account the run goes on with: `current` with the entries that were typed and changed. An
// account that cannot be stored is used all the same, and the user is told once per process.
// A settings file held by another program is waited for from the run's `retries` (`note` is
// told when it was).
Account AskForAccount(Account current, common::RetryBudget& retries,
                      const HeldWriteNote& note = nullptr);

}  // namespace settings
