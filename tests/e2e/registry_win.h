// Registry values of the tests: REG_SZ values in general, and the per-user time of the program's
// last update check (stored as text in the user's regional date form).
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// A REG_SZ value (`name` null: the key's default value). Write creates the key as needed.
bool WriteRegistryText(HKEY root, const std::string& key, const char* name,
                       const std::string& value);
// False when the value is missing.
bool ReadRegistryText(HKEY root, const std::string& key, const char* name, std::string* value);

// The per-user proxy of Internet Settings (ProxyEnable, ProxyServer), set for the life of this
// object and put back as it was on destruction. WinINet sessions opened with
// INTERNET_OPEN_TYPE_PRECONFIG read it; direct ones do not.
class SystemProxySetting {
  public:
    static constexpr const char* kKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

    // `server`: "host:port".
    SystemProxySetting(bool enable, const std::string& server);
    ~SystemProxySetting();
    SystemProxySetting(const SystemProxySetting&) = delete;
    SystemProxySetting& operator=(const SystemProxySetting&) = delete;
    bool Ok() const { return ok_; }

  private:
    bool hadEnable_ = false;
    DWORD enable_ = 0;
    bool hadServer_ = false;
    std::string server_;
    bool ok_ = false;
};

// The time of the last update check, as stored text.
bool SetLastCheckText(const std::string& text);
// False when there is no value.
bool ReadLastCheckText(std::string* text);
// Stores "now" as the time of the last update check, so that no check runs.
bool MarkUpdateCheckedNow();
// Removes the value (true when it is gone, or was never there).
bool DeleteLastCheck();

// The value read as a local date and time (the user's regional rules), as a variant date.
bool LastCheckAsDate(const std::string& text, double* date);
// The present local time as a variant date.
double NowAsDate();
// A variant date as text in the general date form of the user's regional settings.
std::string DateText(double date);

}  // namespace e2e
