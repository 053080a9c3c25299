// The retry rule of file_retry.h on the system's files: its errors read as the rule's failures,
// and the pauses made with the thread's messages dispatched, so that the program's windows keep
// answering while a held file is waited for.
#pragma once

#include <windows.h>

#include <functional>

#include "common/file_retry.h"

namespace common {

FileFailure ClassifyFileError(DWORD error);

// What a step came to after its tries.
struct RetriedStep {
    DWORD error = ERROR_SUCCESS;  // of the last try
    unsigned tries = 1;
};

// Makes `step` (which returns ERROR_SUCCESS or the system's error) as the rule says, spending
// the pauses from `budget`. `denialIsHold`: the step shows that an access denial can only be
// another program's hold (WorthRetrying).
RetriedStep RetryFileStep(RetryBudget& budget, bool denialIsHold,
                          const std::function<DWORD()>& step);

// The same for a step that tells at each try whether a denial can only be a hold.
RetriedStep RetryFileStep(RetryBudget& budget, const std::function<DWORD(bool& holdShown)>& step);

}  // namespace common
