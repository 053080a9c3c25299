// The main window's "Account..." entry: changes the stored service account.
#pragma once

#include "common/file_retry.h"

namespace settings {

// Shows the user name box pre-filled with the stored name, then the password box pre-filled
// with nothing, and writes what changed once both were confirmed, waiting for a settings file
// that another program holds from `retries`. The caller keeps look-ups from starting while the
// boxes are open.
void ChangeAccount(common::RetryBudget& retries);

}  // namespace settings
