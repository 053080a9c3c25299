#include "account/account_change.h"

namespace account {

AccountWrites DecideAccountWrites(const std::string& storedUserName,
                                  const std::string& storedPassword,
                                  const std::string& enteredUserName,
                                  const std::string& enteredPassword) {
    AccountWrites writes;
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
