// Hands a document or URL to the desktop shell.
#pragma once

#include <string>

namespace about {

// ShellExecuteA with no owner window; null texts go through as null pointers. True when the
// shell reports success (a result above 32).
bool OpenDocument(const std::string& document, const char* verb, const char* parameters,
                  const char* directory, int showCommand);

}  // namespace about
