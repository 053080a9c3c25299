// Reversible scrambling of the stored password, and the check that a password survives being
// stored in the settings file and read back.
#pragma once

#include <string>

namespace settings {

// Raises every byte by one (as an unsigned value). The scrambled form is what the settings file
// holds under "Password". Byte 255 has no successor and wraps to 0; CanStorePassword refuses
// such a password before it is ever encoded, so the wrap never reaches the file.
std::string EncodeText(const std::string& clear);

// Lowers every byte by one; the inverse of EncodeText. Byte 0 wraps to 255 (a stored value
// never holds byte 0, since the file cannot carry it).
std::string DecodeText(const std::string& scrambled);

// True when EncodeText(clear), written to the settings file and read back through the private-
// profile functions, yields exactly the same bytes, so that DecodeText gives back `clear`.
// Refused (false):
//  - a byte 255 in `clear` (it has no successor);
//  - a scrambled form longer than 254 bytes (only 254 are read back);
//  - a scrambled form holding NUL, CR or LF anywhere (they end the value or the line);
//  - a scrambled form that begins or ends with a byte the reader trims: space, tab, LF, VT,
//    FF, CR or Ctrl-Z (0x1A);
//  - a scrambled form of two or more bytes that begins and ends with the same quote, '"' or
//    '\'' (the reader strips such a pair);
//  - a scrambled form equal to "Not Set", which reads back as the placeholder and is never
//    decoded.
// The empty password is accepted: its stored form is empty and reads back empty. (The prompt
// stores the placeholder for an empty entry and never asks.)
// A NUL byte in `clear` is accepted: it is stored as 0x01 and comes back unchanged.
// Where the system's ANSI code page has characters of more than one byte (UTF-8, the East
// Asian code pages), `singleByteCodePage` is false: the raised bytes of a non-ASCII password
// no longer form the same characters, so only bytes below 0x7F are accepted there.
bool CanStorePassword(const std::string& clear, bool singleByteCodePage = true);

}  // namespace settings
