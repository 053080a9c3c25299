#include "about/update_check_win.h"

namespace mWebLookup {

void RunUpdateCheck() {}

}  // namespace mWebLookup
