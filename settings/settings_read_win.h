// The read side of the settings file for a look-up run: every key a run uses, in as few calls of
// the system's private-profile functions as the file allows, each key's text exactly as its own
// GetPrivateProfileStringA read gives it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "settings/options.h"
#include "settings/settings_memory.h"

namespace settings {

// A key's value comes back through a buffer of this many bytes, terminator included.
inline constexpr DWORD kValueBufferSize = 255;
// A value that must be read whole or not at all (Proxy) has a larger one.
inline constexpr DWORD kLongValueBufferSize = 1024;

// One key read by itself, through a buffer of `bufferSize` bytes: cut to bufferSize - 1 bytes.
std::string ReadProfileString(const std::string& path, const char* section, const char* key,
                              DWORD bufferSize);

// How a read went, for the tests.
struct SettingsReadReport {
    bool kept = false;     // the texts came from the memory: no profile function was called
    int sectionReads = 0;  // GetPrivateProfileSectionA calls
    int keyReads = 0;      // GetPrivateProfileStringA calls
};

// The texts of a run's keys in the file at `path`. The file is opened once, as the profile
// functions open it, for its stamp: when `memory` kept the texts of a file with that stamp, they
// are the answer. Otherwise each of the three sections is read whole (GetPrivateProfileSectionA)
// and each key's text worked out from its section, and `memory` keeps them. A key the section
// cannot settle (a value that may be cut), a section too large for its buffer, a file with a byte
// order mark (read as Unicode text) and an ANSI code page of more than one byte per character
// fall back to the key's own read.
OptionTexts ReadOptionTexts(const std::string& path, SettingsMemory& memory,
                            SettingsReadReport* report = nullptr);

}  // namespace settings
