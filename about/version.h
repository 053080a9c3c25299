// The program's version, its text, the published-version comparison of the update check and
// the title text of the About window.
#pragma once

#include <string>
#include <vector>

#include "app_version.h"

namespace about {

struct Version {
    unsigned major;
    unsigned minor;
    unsigned revision;
};

// The program's own version: the first, second and fourth numbers of the project version, which
// the version resource shows in full (the third number takes no part).
inline constexpr Version kProgramVersion{APP_VERSION_MAJOR, APP_VERSION_MINOR,
                                         APP_VERSION_REVISION};

// Parses a dotted version ("1.2.5", "2", "1.2.4.1") after trimming space, tab, CR and LF at
// both ends. Every component is one or more decimal digits with a value of at most 4294967295
// (the same limit on every platform). False, with `out` cleared, for anything else: empty text,
// an empty component ("1..2", "1.", ".1"), a sign, white space inside, or other characters.
bool ParseDottedVersion(const std::string& body, std::vector<unsigned long>& out);

// True when `publishedBody` is a dotted version greater than `local`, compared numerically
// component by component, missing components counting as 0. A body that is no dotted version
// is never newer.
bool IsNewerVersion(const std::string& publishedBody, const Version& local = kProgramVersion);

// "major.minor.revision", e.g. "1.2.4".
std::string VersionText(const Version& version = kProgramVersion);

// The two-line title of the About window: the program name, CR LF, " ver. " with the version
// and the author credit.
std::string AboutTitleText();

}  // namespace about
