// The keys of a run read together (settings_read_win.h) against each key read by itself through
// GetPrivateProfileStringA, the way the look-up read them before: on a corpus of settings files,
// odd ones included, and on a file that is missing, held, being written or changed between two
// reads. The system's profile functions are the reference.
#include "settings/settings_read_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/handles_win.h"

namespace settings {
namespace {

using namespace std::string_literals;

// Each key by itself, with the buffers the look-up has always used: 255 bytes, 1,024 for Proxy,
// whose value is none when it fills that buffer.
OptionTexts KeyByKey(const std::string& path) {
    const auto read = [&](const char* section, const char* key, DWORD size) {
        std::vector<char> buffer(size);
        const DWORD n =
            GetPrivateProfileStringA(section, key, "", buffer.data(), size, path.c_str());
        return std::string(buffer.data(), n);
    };
    OptionTexts texts;
    texts.userName = read("Settings", "UserName", 255);
    texts.password = read("Settings", "Password", 255);
    texts.lookupUrl = read("Service", "LookupURL", 255);
    texts.updateUrl = read("Service", "UpdateURL", 255);
    const std::string proxy = read("Service", "Proxy", 1024);
    if (proxy.size() < 1023) {
        texts.proxy = proxy;
    }
    texts.keepAnswers = read("Lookup", "KeepAnswers", 255);
    texts.baseCallFallback = read("Lookup", "BaseCallFallback", 255);
    texts.log = read("Lookup", "Log", 255);
    return texts;
}

// Printable bytes as they are, others as \xNN, with the length: for the failure messages.
std::string Shown(const std::string& s) {
    std::string out = "(" + std::to_string(s.size()) + ") ";
    for (const unsigned char c : s.substr(0, 300)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return s.size() > 300 ? out + "..." : out;
}

std::string Shown(const std::optional<std::string>& s) {
    return s ? Shown(*s) : "(none: too long to read whole)";
}

void ExpectSame(const OptionTexts& reference, const OptionTexts& together,
                const std::string& what) {
    EXPECT_EQ(Shown(together.userName), Shown(reference.userName)) << what << ": UserName";
    EXPECT_EQ(Shown(together.password), Shown(reference.password)) << what << ": Password";
    EXPECT_EQ(Shown(together.lookupUrl), Shown(reference.lookupUrl)) << what << ": LookupURL";
    EXPECT_EQ(Shown(together.updateUrl), Shown(reference.updateUrl)) << what << ": UpdateURL";
    EXPECT_EQ(Shown(together.proxy), Shown(reference.proxy)) << what << ": Proxy";
    EXPECT_EQ(Shown(together.keepAnswers), Shown(reference.keepAnswers)) << what << ": KeepAnswers";
    EXPECT_EQ(Shown(together.baseCallFallback), Shown(reference.baseCallFallback))
        << what << ": BaseCallFallback";
    EXPECT_EQ(Shown(together.log), Shown(reference.log)) << what << ": Log";
}

struct Case {
    std::string name;
    std::string bytes;
};

std::string Lines(std::initializer_list<std::string> lines, const std::string& end = "\r\n") {
    std::string s;
    for (const std::string& line : lines) {
        s += line + end;
    }
    return s;
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string s = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
    for (const char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        s += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return s;
}

const std::string kFull =
    Lines({"[Settings]", "UserName=K1ABC", "Password=tfdsfu", "[Service]",
           "LookupURL=http://127.0.0.1:8080/", "UpdateURL=http://127.0.0.1:8081",
           "Proxy=proxy.example:3128", "[Lookup]", "KeepAnswers=7", "BaseCallFallback=0", "Log=1"});

std::vector<Case> Corpus() {
    const std::string x252(252, 'x'), x253(253, 'x'), x254(254, 'x'), x255(255, 'x');
    std::string allHigh;  // every byte from 0x80 to 0xFF, the five that Windows-1252 leaves out too
    for (int c = 0x80; c <= 0xFF; ++c) {
        allHigh += static_cast<char>(c);
    }
    std::string manyKeys = "[Service]\r\n";
    for (int i = 0; manyKeys.size() < 40000; ++i) {
        manyKeys += "Filler" + std::to_string(i) + "=" + std::string(60, 'f') + "\r\n";
    }
    manyKeys += "LookupURL=http://after.example\r\nProxy=direct\r\n";
    // The Kelvin sign in UTF-8: "\u212AeepAnswers" compares as "KeepAnswers" in some case rules.
    const std::string kelvin = "\xE2\x84\xAA";

    return {
        {"the default file", Lines({"[Settings]", "UserName=Not Set", "Password=Not Set"})},
        {"every key", kFull},
        {"an empty file", ""},
        {"blank lines only", "\r\n\r\n   \r\n\t\r\n"},
        {"no section", Lines({"UserName=K1ABC", "Log=1"})},
        {"keys before the first section", Lines({"Log=1", "[Lookup]", "KeepAnswers=5"})},
        {"sections without keys", Lines({"[Settings]", "[Service]", "[Lookup]"})},
        {"keys missing", Lines({"[Settings]", "UserName=K1ABC", "[Lookup]", "Other=1"})},
        {"quotes", Lines({"[Settings]", "UserName=\"K1 ABC\"", "Password='secret'", "[Service]",
                          "LookupURL=\"http://a.example/\"", "UpdateURL=\"http://b.example'",
                          "Proxy=\"direct\"", "[Lookup]", "KeepAnswers=\"\"", "BaseCallFallback=\"",
                          "Log='1'"})},
        {"quotes, odd ones",
         Lines({"[Settings]", "UserName=''", "Password=\"\"\"", "[Service]", "LookupURL='a'b'",
                "UpdateURL=  \" spaced \"  ", "Proxy='", "[Lookup]", "KeepAnswers=\"7",
                "BaseCallFallback=0\"", "Log=\"1\" "})},
        {"blanks around names and values",
         Lines({"  [Settings]  ", "  UserName  =  K1ABC  ", "\tPassword\t=\tpw\t", "[Service]",
                "LookupURL =", "UpdateURL=    ", "Proxy = direct ", "[Lookup]",
                "KeepAnswers = 1 2 ", "BaseCallFallback =0", " Log= 1"})},
        {"blanks inside section names", Lines({"[ Settings ]", "UserName=spaced", "[Settings]",
                                               "UserName=plain", "[ Lookup]", "Log=1"})},
        {"non-breaking spaces and control bytes",
         Lines({"[Settings]", "UserName=\xA0K1ABC\xA0", "Password=\x0Bpw\x0C", "[Lookup]",
                "Log=1\x1A", "KeepAnswers=\x01"s + "7"})},
        {"comments", Lines({"; a comment", "[Settings]", ";UserName=commented", "UserName=K1ABC",
                            "  ;Password=commented", "#Password=hash", "[Service]",
                            "Proxy=direct ; note", "[Lookup]", "Log=0 ;1", "; Log=1"})},
        {"a section written twice", Lines({"[Lookup]", "Log=0", "[Settings]", "UserName=K1ABC",
                                           "[Lookup]", "Log=1", "KeepAnswers=9"})},
        {"a section written twice in other cases",
         Lines({"[lookup]", "KeepAnswers=3", "[LOOKUP]", "Log=1", "[settings]", "username=k1abc"})},
        {"a key written twice", Lines({"[Settings]", "UserName=first", "UserName=second",
                                       "[Lookup]", "LOG=1", "Log=0", "log=2"})},
        {"a key without '=' before the key",
         Lines({"[Lookup]", "Log", "Log=1", "[Settings]", "UserName", "Password=pw"})},
        {"names that only start like a key",
         Lines({"[Lookup]", "LogFile=1", "Logs=1", "Lo=1", "[Settings]", "UserNames=x"})},
        {"empty names and bare '='",
         Lines({"[Settings]", "=K1ABC", "=", "UserName=K1ABC", "[Lookup]", "==1", "Log==1"})},
        {"'=' in a value", Lines({"[Service]", "LookupURL=http://a.example/?x=1&y=2", "Proxy=="})},
        {"section headers, odd ones",
         Lines({"[Settings", "UserName=unclosed", "[Settings]junk", "UserName=junk", "[Settings]]",
                "Password=double", "[]", "Log=1", "[Lookup] ; comment", "KeepAnswers=4"})},
        {"non-ASCII bytes in values",
         Lines({"[Settings]", "UserName=" + allHigh, "Password=\xE9t\xE9", "[Service]",
                "Proxy=h\xF4st:80", "[Lookup]", "Log=\x81\x8D\x8F\x90\x9D"})},
        {"non-ASCII bytes in names",
         Lines({"[Settings]", "\xDCserName=umlaut", "UserName=K1ABC", "[Lookup]", "L\xF6g=1",
                "Log=0", "[L\xF6okup]", "KeepAnswers=5", "[\xC4]", "Log=1"})},
        {"a NUL in a value and in a name",
         Lines({"[Settings]", "UserName=K1\0ABC"s, "Password\0junk=pw"s, "[Lookup]",
                "Log=1\0"s + "0"})},
        {"no line end at the end", "[Settings]\r\nUserName=K1ABC\r\n[Lookup]\r\nLog=1"},
        {"LF line ends", Lines({"[Settings]", "UserName=K1ABC", "[Lookup]", "Log=1"}, "\n")},
        {"CR line ends", Lines({"[Settings]", "UserName=K1ABC", "[Lookup]", "Log=1"}, "\r")},
        {"CR line ends, no end at the end", "[Settings]\rUserName=K1ABC\r[Lookup]\rLog=1"},
        {"mixed line ends",
         "[Settings]\rUserName=K1ABC\r\nPassword=pw\n[Lookup]\r\rLog=1\n\rKeepAnswers=6\r\r\n"},
        {"CR CR LF line ends",
         Lines({"[Settings]", "UserName=K1ABC", "[Lookup]", "Log=1"}, "\r\r\n")},
        {"a Ctrl-Z at the end", kFull + "\x1A"},
        {"values at the 255-byte buffer",
         Lines({"[Settings]", "UserName=" + x252, "Password=" + x253, "[Service]",
                "LookupURL=" + x254, "UpdateURL=" + x255, "[Lookup]",
                "KeepAnswers=" + std::string(2000, '9'), "BaseCallFallback=" + x253 + "0",
                "Log=" + std::string(300, '1')})},
        {"quoted values at the 255-byte buffer",
         Lines({"[Settings]", "UserName=\"" + std::string(251, 'q') + "\"",
                "Password=\"" + x252 + "\"", "[Service]", "LookupURL=\"" + x253 + "\"",
                "UpdateURL='" + x254 + "'", "[Lookup]", "KeepAnswers=\"" + x255 + "\"",
                "Log=\"" + std::string(300, 'l') + "\""})},
        {"Proxy at the 1,024-byte buffer, 1,021 bytes",
         Lines({"[Service]", "Proxy=" + std::string(1021, 'p')})},
        {"Proxy, 1,022 bytes", Lines({"[Service]", "Proxy=" + std::string(1022, 'p')})},
        {"Proxy, 1,023 bytes", Lines({"[Service]", "Proxy=" + std::string(1023, 'p')})},
        {"Proxy, 1,024 bytes", Lines({"[Service]", "Proxy=" + std::string(1024, 'p')})},
        {"Proxy, 5,000 bytes", Lines({"[Service]", "Proxy=" + std::string(5000, 'p')})},
        {"Proxy quoted, 1,022 bytes inside",
         Lines({"[Service]", "Proxy=\"" + std::string(1020, 'p') + "\""})},
        {"Proxy quoted, 1,023 bytes inside",
         Lines({"[Service]", "Proxy=\"" + std::string(1021, 'p') + "\""})},
        {"Proxy quoted, 1,024 bytes inside",
         Lines({"[Service]", "Proxy=\"" + std::string(1022, 'p') + "\""})},
        {"a very long name line", Lines({"[Lookup]", std::string(100000, 'n') + "=1", "Log=1"})},
        {"a section larger than one read of it", manyKeys + kFull},
        {"UTF-8 with a byte order mark",
         "\xEF\xBB\xBF" + Lines({"[Settings]", "UserName=K1\xC3\xA9\xE2\x82\xAC\xE4\xB8\x80",
                                 "[Lookup]", kelvin + "eepAnswers=5", "Log=1"})},
        {"UTF-8 without a byte order mark",
         Lines({"[Settings]", "UserName=K1\xC3\xA9", "[Lookup]", kelvin + "eepAnswers=5"})},
        {"UTF-16 little-endian", Utf16(u"[Settings]\r\nUserName=K1\u00E9\u4E00\r\n[Lookup]"
                                       u"\r\n\u212AeepAnswers=5\r\nLog=1\r\n",
                                       false)},
        {"UTF-16 big-endian",
         Utf16(u"[Settings]\r\nUserName=K1ABC\r\n[Lookup]\r\nLog=1\r\n", true)},
        {"only a byte order mark", "\xEF\xBB\xBF"},
    };
}

class SettingsRead : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        folder_ = std::string(temp) + "settings-read-test-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        path_ = folder_ + "\\QuendixLookup.ini";
        DeleteFileA(path_.c_str());
    }
    void TearDown() override {
        DeleteFileA(path_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    static void Write(const std::string& path, const std::string& bytes) {
        common::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << GetLastError();
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr));
        ASSERT_EQ(written, bytes.size());
    }

    // Sets the file's last write time to `t`, in seconds since 1601.
    static void SetWriteTime(const std::string& path, ULONGLONG t) {
        common::UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file) << GetLastError();
        ULARGE_INTEGER value;
        value.QuadPart = t * kFileTimeSecond;
        const FILETIME written = {value.LowPart, value.HighPart};
        ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &written));
    }

    // Seconds since 1601, now.
    static ULONGLONG Now() {
        FILETIME now = {};
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER value;
        value.LowPart = now.dwLowDateTime;
        value.HighPart = now.dwHighDateTime;
        return value.QuadPart / kFileTimeSecond;
    }

    // Both ways on the file as it is; the report of the read together.
    SettingsReadReport ExpectSameNow(SettingsMemory& memory, const std::string& what) {
        SettingsReadReport report;
        const OptionTexts together = ReadOptionTexts(path_, memory, &report);
        ExpectSame(KeyByKey(path_), together, what);
        return report;
    }

    std::string folder_;
    std::string path_;
};

// Every file of the corpus gives each key the same text both ways. A plain file takes one read
// of each section and no key read alone; a value the section cannot settle (one the key's read
// cuts) costs that key's own read; a large section and a file with a byte order mark are read
// key by key.
TEST_F(SettingsRead, EveryKeyAsItsOwnReadGivesIt) {
    for (const Case& c : Corpus()) {
        ASSERT_NO_FATAL_FAILURE(Write(path_, c.bytes));
        SettingsMemory memory;
        const SettingsReadReport report = ExpectSameNow(memory, c.name);
        EXPECT_FALSE(report.kept) << c.name;
        const bool keyByKey = c.name.rfind("UTF-16", 0) == 0 ||
                              c.name == "UTF-8 with a byte order mark" ||
                              c.name == "only a byte order mark";
        if (keyByKey) {
            EXPECT_EQ(report.sectionReads, 0) << c.name;
            EXPECT_EQ(report.keyReads, 8) << c.name;
        } else {
            EXPECT_EQ(report.sectionReads, 3) << c.name;
        }
        if (c.name == "every key" || c.name == "the default file" || c.name == "comments" ||
            c.name == "CR line ends" || c.name == "a key written twice") {
            EXPECT_EQ(report.keyReads, 0) << c.name;
        }
        if (c.name == "values at the 255-byte buffer") {
            // LookupURL, UpdateURL, KeepAnswers, BaseCallFallback and Log may be cut.
            EXPECT_EQ(report.keyReads, 5) << c.name;
        }
        if (c.name == "a section larger than one read of it") {
            EXPECT_EQ(report.keyReads, 3) << c.name << ": the [Service] keys alone";
        }

        // Kept once the file has settled, and the same again from the memory.
        ASSERT_NO_FATAL_FAILURE(SetWriteTime(path_, Now() - 60));
        ExpectSameNow(memory, c.name + " (settled)");
        EXPECT_TRUE(ExpectSameNow(memory, c.name + " (kept)").kept) << c.name;
    }
}

// No file: every key is empty both ways, and nothing is kept.
TEST_F(SettingsRead, MissingFile) {
    SettingsMemory memory;
    EXPECT_FALSE(ExpectSameNow(memory, "no file").kept);
    EXPECT_FALSE(ExpectSameNow(memory, "no file again").kept);
}

// A file changed between two reads is read anew: the same size written at another time, another
// size written at the same time, a file deleted and one written again.
TEST_F(SettingsRead, AChangedFileIsReadAnew) {
    const std::string a = Lines({"[Settings]", "UserName=K1AAA", "[Lookup]", "Log=1"});
    const std::string b = Lines({"[Settings]", "UserName=K2BBB", "[Lookup]", "Log=0"});
    ASSERT_EQ(a.size(), b.size());
    const ULONGLONG then = Now() - 60;
    SettingsMemory memory;
    ASSERT_NO_FATAL_FAILURE(Write(path_, a));
    ASSERT_NO_FATAL_FAILURE(SetWriteTime(path_, then));
    ExpectSameNow(memory, "first");
    ASSERT_TRUE(ExpectSameNow(memory, "unchanged").kept);

    ASSERT_NO_FATAL_FAILURE(Write(path_, b));
    ASSERT_NO_FATAL_FAILURE(SetWriteTime(path_, then + 1));
    EXPECT_FALSE(ExpectSameNow(memory, "the same size, written a second later").kept);
    EXPECT_EQ(KeyByKey(path_).userName, "K2BBB");
    ASSERT_TRUE(ExpectSameNow(memory, "the same size, unchanged since").kept);

    ASSERT_NO_FATAL_FAILURE(Write(path_, a + "KeepAnswers=3\r\n"));
    ASSERT_NO_FATAL_FAILURE(SetWriteTime(path_, then + 1));
    // (Wine's profile functions keep their own parse of a file until its write time changes, so
    // here both ways still give the texts before; the memory is not asked.)
    EXPECT_FALSE(ExpectSameNow(memory, "another size, the same write time").kept);
    ASSERT_TRUE(ExpectSameNow(memory, "another size, unchanged since").kept);

    ASSERT_TRUE(DeleteFileA(path_.c_str()));
    EXPECT_FALSE(ExpectSameNow(memory, "deleted").kept);
    ASSERT_NO_FATAL_FAILURE(Write(path_, b));
    EXPECT_FALSE(ExpectSameNow(memory, "written again").kept);
    EXPECT_EQ(KeyByKey(path_).userName, "K2BBB");
}

// A file written less than kSettledAfter ago is not kept: a second write within the same tick
// of the file system's clock, with the same size, would show in no stamp.
TEST_F(SettingsRead, AFileWrittenJustNowIsReadEachTime) {
    SettingsMemory memory;
    ASSERT_NO_FATAL_FAILURE(Write(path_, kFull));
    EXPECT_FALSE(ExpectSameNow(memory, "new").kept);
    EXPECT_FALSE(ExpectSameNow(memory, "new, again").kept);
    std::string changed = kFull;
    changed.replace(changed.find("K1ABC"), 5, "K9ZZZ");
    ASSERT_NO_FATAL_FAILURE(Write(path_, changed));
    EXPECT_FALSE(ExpectSameNow(memory, "changed at once").kept);
    EXPECT_EQ(KeyByKey(path_).userName, "K9ZZZ");
}

// A file held by another program: each way gives what the profile functions give while it is
// held, and the kept texts again once it is free.
TEST_F(SettingsRead, AHeldFile) {
    ASSERT_NO_FATAL_FAILURE(Write(path_, kFull));
    ASSERT_NO_FATAL_FAILURE(SetWriteTime(path_, Now() - 60));
    SettingsMemory memory;
    ExpectSameNow(memory, "free");
    struct Holder {
        DWORD access;
        DWORD share;
        const char* what;
    };
    for (const Holder& h : {Holder{GENERIC_READ, 0, "held for itself alone"},
                            Holder{GENERIC_WRITE, FILE_SHARE_READ, "held for writing"},
                            Holder{GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   "held to be deleted"}}) {
        common::UniqueFile held(CreateFileA(path_.c_str(), h.access, h.share, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held) << h.what << ": " << GetLastError();
        ExpectSameNow(memory, h.what);
        held.reset();
        EXPECT_TRUE(ExpectSameNow(memory, std::string(h.what) + ", then free").kept) << h.what;
    }
}

// A file being written: what is there so far, read both ways at each step while the writer holds
// it open.
TEST_F(SettingsRead, AFileBeingWritten) {
    SettingsMemory memory;
    common::UniqueFile writer(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer) << GetLastError();
    for (std::size_t at = 0; at <= kFull.size(); at += 13) {
        const std::string piece = kFull.substr(at, 13);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(writer.get(), piece.data(), static_cast<DWORD>(piece.size()),
                              &written, nullptr));
        ExpectSameNow(memory, "after " + std::to_string(at + piece.size()) + " bytes");
    }
    writer.reset();
    ExpectSameNow(memory, "written");
}

}  // namespace
}  // namespace settings
