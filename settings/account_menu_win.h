// The main window's "Account..." entry: changes the stored service account.
#pragma once

namespace mWebLookup {

// Shows the user name box pre-filled with the stored name, then the password box pre-filled
// with nothing, and writes what changed once both were confirmed. Does nothing during a
// look-up run; while the boxes are open the host's commands and the test button are inert.
void ChangeAccount();

}  // namespace mWebLookup
