#include "settings/settings_read_win.h"

#include <cstdint>
#include <string_view>

#include "common/handles_win.h"
#include "settings/profile_section.h"
#include "settings/settings_win.h"

namespace settings {
namespace {

// The largest section the system hands over whole (the documented limit of
// GetPrivateProfileSectionA).
constexpr DWORD kSectionBufferSize = 32767;

std::uint64_t FileTimeValue(const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

std::uint64_t Now() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

std::optional<FileStamp> StampOf(HANDLE file) {
    FILETIME created = {};
    FILETIME written = {};
    LARGE_INTEGER size = {};
    if (!GetFileTime(file, &created, nullptr, &written) || !GetFileSizeEx(file, &size)) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::uint64_t>(size.QuadPart), FileTimeValue(created),
                     FileTimeValue(written)};
}

// A byte order mark of UTF-8 or UTF-16: the profile functions read such a file as Unicode text,
// and a name in it may compare otherwise than the ANSI section shows it.
bool StartsWithByteOrderMark(HANDLE file) {
    char head[3] = {};
    DWORD n = 0;
    if (!ReadFile(file, head, sizeof head, &n, nullptr)) {
        return false;
    }
    const std::string_view s(head, n);
    return s.substr(0, 3) == "\xEF\xBB\xBF" || s.substr(0, 2) == "\xFF\xFE" ||
           s.substr(0, 2) == "\xFE\xFF";
}

// Every byte one character: what a key's read cuts at its buffer is then what the section shows.
bool SingleByteCodePage() {
    CPINFO info = {};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

// One section of a run's keys: read whole once when `whole`, else each key by itself.
class SectionReader {
  public:
    SectionReader(const std::string& path, const char* section, bool whole,
                  SettingsReadReport& report)
        : path_(path), section_(section), report_(report) {
        if (whole) {
            std::string entries(kSectionBufferSize, '\0');
            const DWORD n =
                GetPrivateProfileSectionA(section, &entries[0], kSectionBufferSize, path.c_str());
            ++report_.sectionReads;
            // A section that filled the buffer may have been cut.
            if (n + 2 < kSectionBufferSize) {
                entries.resize(n);
                entries_ = std::move(entries);
            }
        }
    }

    std::string Text(const char* key, DWORD bufferSize = kValueBufferSize) const {
        if (entries_) {
            if (std::optional<std::string> value = ValueFromSection(*entries_, key, bufferSize)) {
                return *value;
            }
        }
        ++report_.keyReads;
        return ReadProfileString(path_, section_, key, bufferSize);
    }

  private:
    const std::string& path_;
    const char* section_;
    SettingsReadReport& report_;
    std::optional<std::string> entries_;
};

OptionTexts ReadTexts(const std::string& path, bool bySections, SettingsReadReport& report) {
    OptionTexts texts;
    const SectionReader settings(path, kSettingsSection, bySections, report);
    texts.userName = settings.Text(kUserNameKey);
    texts.password = settings.Text(kPasswordKey);
    const SectionReader service(path, kServiceSection, bySections, report);
    texts.lookupUrl = service.Text(kLookupUrlKey);
    texts.updateUrl = service.Text(kUpdateUrlKey);
    // The value, or none when it may have been cut: one that fills the larger buffer.
    std::string proxy = service.Text(kProxyKey, kLongValueBufferSize);
    if (proxy.size() < kLongValueBufferSize - 1) {
        texts.proxy = std::move(proxy);
    }
    const SectionReader lookup(path, kLookupSection, bySections, report);
    texts.keepAnswers = lookup.Text(kKeepAnswersKey);
    texts.baseCallFallback = lookup.Text(kBaseCallFallbackKey);
    texts.log = lookup.Text(kLogKey);
    return texts;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const char* section, const char* key,
                              DWORD bufferSize) {
    std::string buffer(bufferSize, '\0');
    const DWORD n =
        GetPrivateProfileStringA(section, key, "", &buffer[0], bufferSize, path.c_str());
    buffer.resize(n);
    return buffer;
}

OptionTexts ReadOptionTexts(const std::string& path, SettingsMemory& memory,
                            SettingsReadReport* report) {
    SettingsReadReport ignored;
    SettingsReadReport& how = report ? *report : ignored;
    how = SettingsReadReport();
    const std::uint64_t readStart = Now();
    // Opened as the profile functions open it. A file that does not open is left to them: each
    // key's own read gives what they give then.
    common::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::optional<FileStamp> stamp = file ? StampOf(file.get()) : std::nullopt;
    if (stamp) {
        if (std::optional<OptionTexts> kept = memory.For(*stamp)) {
            how.kept = true;
            return *kept;
        }
    }
    const bool bySections = file && !StartsWithByteOrderMark(file.get()) && SingleByteCodePage();
    file.reset();
    OptionTexts texts = ReadTexts(path, bySections, how);
    if (stamp) {
        memory.Keep(*stamp, readStart, texts);
    }
    return texts;
}

}  // namespace settings
