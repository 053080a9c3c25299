#include "settings/account_change.h"

namespace account {

Writes DecideWrites(const std::string& storedUserName, const std::string& storedPassword,
                    const std::string& enteredUserName, const std::string& enteredPassword) {
    Writes writes;
    if (enteredUserName.empty()) {
        return writes;
    }
    if (enteredUserName != storedUserName) {
        writes.userName = true;
        writes.newUserName = enteredUserName;
    }
    if (!enteredPassword.empty() && enteredPassword != storedPassword) {
        writes.password = true;
        writes.newPassword = enteredPassword;
    }
    return writes;
}

}  // namespace account
