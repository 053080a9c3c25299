// The main window's "Account..." entry: changes the stored service account.
#pragma once

namespace settings {

// Shows the user name box pre-filled with the stored name, then the password box pre-filled
// with nothing, and writes what changed once both were confirmed. The caller keeps look-ups
// from starting while the boxes are open.
void ChangeAccount();

}  // namespace settings
