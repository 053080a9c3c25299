#include "about/update_check_win.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "about/update_gate.h"
#include "about/version.h"
#include "common/ansi_win.h"
#include "common/handles_win.h"
#include "common/system_library_win.h"
#include "about/update_server.h"
#include "net/http_get_win.h"
#include "product/messages.h"

namespace about {
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

// The OLE Automation functions that read and write the stored date, loaded with the first
// check. Without them there is no check.
struct AutomationFunctions {
    decltype(&::SysAllocString) SysAllocString = nullptr;
    decltype(&::SysFreeString) SysFreeString = nullptr;
    decltype(&::SysStringLen) SysStringLen = nullptr;
    decltype(&::VarDateFromStr) VarDateFromStr = nullptr;
    decltype(&::VarBstrFromDate) VarBstrFromDate = nullptr;
    decltype(&::VariantTimeToSystemTime) VariantTimeToSystemTime = nullptr;
    decltype(&::SystemTimeToVariantTime) SystemTimeToVariantTime = nullptr;
};

const AutomationFunctions* Automation() {
    static const auto loaded = common::LoadSystemFunctions<AutomationFunctions>(
        L"oleaut32.dll", [](HMODULE dll, AutomationFunctions& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, SysAllocString, failed);
            BIND_SYSTEM_FUNCTION(dll, t, SysFreeString, failed);
            BIND_SYSTEM_FUNCTION(dll, t, SysStringLen, failed);
            BIND_SYSTEM_FUNCTION(dll, t, VarDateFromStr, failed);
            BIND_SYSTEM_FUNCTION(dll, t, VarBstrFromDate, failed);
            BIND_SYSTEM_FUNCTION(dll, t, VariantTimeToSystemTime, failed);
            BIND_SYSTEM_FUNCTION(dll, t, SystemTimeToVariantTime, failed);
        });
    return loaded.Usable();
}

void FreeBstr(BSTR text) {
    // A string exists only if the table was usable when it was made.
    Automation()->SysFreeString(text);
}
using UniqueBstr = common::UniqueAny<BSTR, FreeBstr>;

void CloseRegistryKey(HKEY key) {
    RegCloseKey(key);
}
using UniqueRegistryKey = common::UniqueAny<HKEY, CloseRegistryKey>;

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
    UniqueRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key.get(), kLastCheckValue, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

CivilTime ToCivil(const SYSTEMTIME& t) {
    return CivilTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// The stored text as a local date and time, by the user's regional rules. False when it does
// not convert.
bool ParseLocalTime(const AutomationFunctions& ole, const std::string& text, CivilTime& out) {
    const UniqueBstr wide(ole.SysAllocString(common::FromAnsi(text).c_str()));
    if (!wide) {
        return false;
    }
    DATE date = 0;
    SYSTEMTIME t = {};
    if (FAILED(ole.VarDateFromStr(wide.get(), LOCALE_USER_DEFAULT, 0, &date)) ||
        !ole.VariantTimeToSystemTime(date, &t)) {
        return false;
    }
    out = ToCivil(t);
    return true;
}

// The present local date and time in the general date form of the user's regional settings.
std::string NowAsText(const AutomationFunctions& ole) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0;
    if (!ole.SystemTimeToVariantTime(&now, &date)) {
        return std::string();
    }
    UniqueBstr text;
    if (FAILED(ole.VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, text.put())) || !text) {
        return std::string();
    }
    return common::ToAnsi(std::wstring_view(text.get(), ole.SysStringLen(text.get()))).text;
}

bool CheckIsDue(const AutomationFunctions& ole, UpdateCheckMemory& memory) {
    SYSTEMTIME local = {};
    GetLocalTime(&local);
    const CivilTime now = ToCivil(local);
    if (memory.lastCheckHour && CheckedWithinTheDay(*memory.lastCheckHour, HourIndex(now))) {
        return false;  // known to be within the day; a clock set back reads the store again
    }
    CivilTime lastCheck = {};
    if (!ParseLocalTime(ole, ReadLastCheck(), lastCheck)) {
        memory.lastCheckHour.reset();
        return true;  // a value that is no date counts as long past
    }
    memory.lastCheckHour = HourIndex(lastCheck);
    return UpdateCheckDue(lastCheck, now);
}

// The fetch's line: "found" when the version file came, "not found" when the server answered
// with another status, "no session" when no answer came.
void LogFetch(const diag::DiagLog& log, const std::string& url, bool schemeAdded,
              const common::ProxyChoice& proxy, const net::BoundedHttpGet::Report& report,
              bool fetched) {
    diag::LogEntry entry;
    entry.event = diag::kUpdateCheckEvent;
    entry.url = url;
    entry.schemeAdded = schemeAdded;
    entry.status = report.status;
    entry.error = report.error;
    entry.errorText = net::ErrorText(report.error);
    entry.bytes = report.bytes;
    entry.ms = report.ms;
    entry.proxy = report.proxy;
    entry.proxyNotUnderstood = proxy.unreadable;
    if (fetched) {
        entry.outcome = diag::kOutcomeFound;
    } else {
        entry.outcome = report.status != 0 && report.error == 0 ? diag::kOutcomeNotFound
                                                                : diag::kOutcomeNoSession;
    }
    log.Append(entry);
}

}  // namespace

void CheckForUpdate(const diag::DiagLog& log, const std::string& updateBase, bool schemeAdded,
                    const common::ProxyChoice& proxy, UpdateCheckMemory& memory,
                    const std::function<void()>& onNewerVersion) {
    const AutomationFunctions* ole = Automation();
    if (!ole || !CheckIsDue(*ole, memory)) {
        return;
    }
    // A fetch that fails counts as no update: the time is written all the same, so an offline
    // machine pays for one failed fetch a day, not for one before every look-up.
    std::string body;
    const std::string url = UpdateDescriptionUrl(updateBase);
    net::BoundedHttpGet::Report report;
    const bool fetched = net::BoundedHttpGet::FetchText(url, kAgent, kUpdateFetchBudgetMs, body,
                                                        kMaxDescriptionBytes, &report, proxy);
    LogFetch(log, url, schemeAdded, proxy, report, fetched);
    if (fetched && IsNewerVersion(body)) {
        MessageBoxA(nullptr, product::messages::kUpdateAvailable, product::messages::kUpdateCaption,
                    MB_OK);
        if (onNewerVersion) {
            onNewerVersion();
        }
    }
    const std::string now = NowAsText(*ole);
    if (!now.empty()) {
        WriteLastCheck(now);
    }
    memory.lastCheckHour.reset();  // the next run reads the time just stored, as the store has it
}

}  // namespace about
