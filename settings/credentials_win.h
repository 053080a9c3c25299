// The account's two input boxes, shared by the first-use prompt and the "Account..." entry.
#pragma once

#include <string>

#include "settings/input_box_win.h"

namespace mWebLookup {

// The user name box. OK gives the entry, Cancel the empty string.
std::string AskForUserName(const std::string& defaultText);

// The password box, asked again until the entry is empty, equals `stored` (the password held
// now, in clear), or reads back from the settings file exactly as typed. A refused entry shows
// a box and brings the password box back with the same default.
InputBoxAnswer AskForStorablePassword(const std::string& defaultText, const std::string& stored);

}  // namespace mWebLookup
