// The boxes that tell the user the settings file cannot be kept. Each shows at most once per
// process: a folder the program cannot write to stays so, and a box at every look-up would only
// be in the way.
#pragma once

namespace account {

// The settings file is still missing after the attempt to create it.
void ReportSettingsFileNotCreated();

// The account typed into the prompt could not be stored in the settings file.
void ReportSettingsFileNotWritten();

}  // namespace account
