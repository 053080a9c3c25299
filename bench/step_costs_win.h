// What the single steps of a look-up cost when measured alone in this process: settings reads,
// the update-check gate, the request worker, WinINet handles, the reply-file write, messages.
#pragma once

#include <string>

// Prints the median of `rounds` timings of each step. `folder` holds the program's settings
// file; the reply file is written there under another name.
void PrintStepCosts(const std::string& folder, const std::string& settingsPath, unsigned short port,
                    int rounds);
