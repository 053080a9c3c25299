// What the "Account..." menu entry writes once the user has confirmed both boxes.
#pragma once

#include <string>

namespace account {

struct AccountWrites {
    bool userName = false;  // write `newUserName`
    std::string newUserName;
    bool password = false;  // write `newPassword` (in clear here; stored scrambled)
    std::string newPassword;
};

// `storedUserName` and `storedPassword` (in clear) are what the settings file holds now; the
// entered values are the two boxes' entries after OK in both. An empty user name writes
// nothing; a changed user name is written; a non-empty, changed password is written; an empty
// password leaves the stored one as it is.
AccountWrites DecideAccountWrites(const std::string& storedUserName,
                                  const std::string& storedPassword,
                                  const std::string& enteredUserName,
                                  const std::string& enteredPassword);

}  // namespace account
