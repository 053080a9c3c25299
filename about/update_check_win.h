// The daily check for a newer published version.
#pragma once

namespace mWebLookup {

// Runs the check when it is due; returns when it is done (after any box or About window).
void RunUpdateCheck();

}  // namespace mWebLookup
