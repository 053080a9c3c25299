#include "about/update_check_win.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "about/about_win.h"
#include "about/update_gate.h"
#include "about/version.h"
#include "common/ansi_win.h"
#include "common/messages.h"
#include "host/main_window_win.h"
#include "lookup/diag_log_win.h"
#include "lookup/http_get_win.h"
#include "lookup/request.h"
#include "lookup/web_lookup_win.h"
#include "settings/settings_win.h"

namespace mWebLookup {
namespace {

// The per-user settings store of the program: application, section, key.
constexpr const char* kSettingsKey =
    "Software\\VB and VBA Program Settings\\QuendixInternetLookup\\Settings";
constexpr const char* kLastCheckValue = "wndInternetCallsignLookupLastUpdateCheck";
// Read when nothing is stored: a moment long past, so the first check is due at once.
constexpr const char* kLastCheckDefault = "01/04/2009 7:59:00 PM";
constexpr const char* kAgent = "QuendixInternetLookup";
// A longer description is no version: it counts as no update.
constexpr size_t kMaxDescriptionBytes = 64 * 1024;

std::string ReadLastCheck() {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, kLastCheckValue, RRF_RT_REG_SZ, nullptr,
                     buffer, &size) != ERROR_SUCCESS) {
        return kLastCheckDefault;
    }
    return buffer;
}

void WriteLastCheck(const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kLastCheckValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

CivilTime ToCivil(const SYSTEMTIME& t) {
    return CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// The stored text as a local date and time, by the user's regional rules. False when it does
// not convert.
bool ParseLocalTime(const std::string& text, CivilTime& out) {
    BSTR wide = SysAllocString(FromAnsi(text).c_str());
    if (!wide) {
        return false;
    }
    DATE date = 0;
    const HRESULT hr = VarDateFromStr(wide, LOCALE_USER_DEFAULT, 0, &date);
    SysFreeString(wide);
    SYSTEMTIME t = {};
    if (FAILED(hr) || !VariantTimeToSystemTime(date, &t)) {
        return false;
    }
    out = ToCivil(t);
    return true;
}

// The present local date and time in the general date form of the user's regional settings.
std::string NowAsText() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&now, &date)) {
        return std::string();
    }
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text) {
        return std::string();
    }
    std::string result = ToAnsi(std::wstring_view(text, SysStringLen(text))).text;
    SysFreeString(text);
    return result;
}

bool CheckIsDue() {
    CivilTime lastCheck = {};
    if (!ParseLocalTime(ReadLastCheck(), lastCheck)) {
        return true;  // a value that is no date counts as long past
    }
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return UpdateCheckDue(lastCheck, ToCivil(now));
}

}  // namespace

void RunUpdateCheck() {
    if (!CheckIsDue()) {
        return;
    }
    // A fetch that fails counts as no update: the time is written all the same, so an offline
    // machine pays for one failed fetch a day, not for one before every look-up.
    std::string body;
    const std::string url = UpdateDescriptionUrl(ServiceBaseUrl("UpdateURL", kDefaultUpdateBase));
    BoundedHttpGet::Report report;
    const bool fetched = BoundedHttpGet::FetchText(url, kAgent, kUpdateFetchBudgetMs, body,
                                                   kMaxDescriptionBytes, &report);
    diaglog::AppendUpdateFetch(url, report, fetched);
    if (fetched && IsNewerVersion(body)) {
        MessageBoxA(nullptr, messages::kUpdateAvailable, messages::kUpdateCaption, MB_OK);
        MainForm().RestoreAndActivate();
        ShowAboutModal(MainForm().AboutOwnerLink());
    }
    const std::string now = NowAsText();
    if (!now.empty()) {
        WriteLastCheck(now);
    }
}

}  // namespace mWebLookup
