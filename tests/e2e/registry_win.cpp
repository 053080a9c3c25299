#include "tests/e2e/registry_win.h"

#include <oleauto.h>

#include "tests/e2e/names_win.h"

namespace e2e {

bool WriteRegistryText(HKEY root, const std::string& key, const char* name,
                       const std::string& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG rc =
        RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

bool ReadRegistryText(HKEY root, const std::string& key, const char* name, std::string* value) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    *value = buffer;
    return true;
}

SystemProxySetting::SystemProxySetting(bool enable, const std::string& server) {
    DWORD size = sizeof enable_;
    hadEnable_ = RegGetValueA(HKEY_CURRENT_USER, kKey, "ProxyEnable", RRF_RT_REG_DWORD, nullptr,
                              &enable_, &size) == ERROR_SUCCESS;
    hadServer_ = ReadRegistryText(HKEY_CURRENT_USER, kKey, "ProxyServer", &server_);
    const DWORD on = enable ? 1 : 0;
    ok_ = RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "ProxyEnable", REG_DWORD, &on, sizeof on) ==
              ERROR_SUCCESS &&
          WriteRegistryText(HKEY_CURRENT_USER, kKey, "ProxyServer", server);
}

SystemProxySetting::~SystemProxySetting() {
    if (hadEnable_) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "ProxyEnable", REG_DWORD, &enable_,
                        sizeof enable_);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "ProxyEnable");
    }
    if (hadServer_) {
        WriteRegistryText(HKEY_CURRENT_USER, kKey, "ProxyServer", server_);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "ProxyServer");
    }
}

bool SetLastCheckText(const std::string& text) {
    return WriteRegistryText(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue, text);
}

bool ReadLastCheckText(std::string* text) {
    return ReadRegistryText(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue, text);
}

bool MarkUpdateCheckedNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    double date = 0;
    if (!SystemTimeToVariantTime(&now, &date)) {
        return false;
    }
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text) {
        return false;
    }
    const int wide = static_cast<int>(SysStringLen(text));
    std::string ansi(static_cast<size_t>(wide) * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, text, wide, &ansi[0],
                                      static_cast<int>(ansi.size()), nullptr, nullptr);
    SysFreeString(text);
    if (n <= 0) {
        return false;
    }
    ansi.resize(static_cast<size_t>(n));
    return SetLastCheckText(ansi);
}

bool DeleteLastCheck() {
    const LONG rc = RegDeleteKeyValueA(HKEY_CURRENT_USER, kLastCheckKey, kLastCheckValue);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool LastCheckAsDate(const std::string& text, double* date) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      &wide[0], static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    BSTR b = SysAllocString(wide.c_str());
    const HRESULT hr = VarDateFromStr(b, LOCALE_USER_DEFAULT, 0, date);
    SysFreeString(b);
    return SUCCEEDED(hr);
}

double NowAsDate() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    double date = 0;
    SystemTimeToVariantTime(&now, &date);
    return date;
}

std::string DateText(double date) {
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text) {
        return std::string();
    }
    char ansi[128] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, nullptr, nullptr);
    SysFreeString(text);
    return ansi;
}

}  // namespace e2e
