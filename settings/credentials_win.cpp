#include "settings/settings_win.h"

namespace mWebLookup {

void PromptForAccount() {}

}  // namespace mWebLookup
