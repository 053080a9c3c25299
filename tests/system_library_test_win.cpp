// Loading system DLLs on first use: only from the system folder, and a missing DLL or function
// is an error to report, never a crash.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "common/system_library_win.h"
#include "net/wininet_win.h"

namespace {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, n);
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, n);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// A file named like a DLL in a folder of its own, made the current directory for the test.
class PlantedDll : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"quendix-planted-" + std::to_wstring(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        file_ = folder_ + L"\\" + kName;
        HANDLE h = CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, "MZ not really a DLL", 19, &written, nullptr);
        CloseHandle(h);
        GetCurrentDirectoryW(MAX_PATH, previous_);
        ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_);
        DeleteFileW(file_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    static constexpr const wchar_t* kName = L"quendixplanted.dll";
    std::wstring folder_;
    std::wstring file_;
    wchar_t previous_[MAX_PATH] = {};
};

TEST(SystemLibrary, LoadsFromTheSystemFolder) {
    for (auto load : {common::LoadSystemLibrary, common::LoadSystemLibraryByPath}) {
        HMODULE module = load(L"wininet.dll");
        ASSERT_NE(module, nullptr) << GetLastError();
        EXPECT_TRUE(StartsWithNoCase(ModulePath(module), SystemFolder()))
            << "loaded from elsewhere";
    }
}

TEST_F(PlantedDll, IsNeverLoadedFromTheCurrentDirectory) {
    // Were the planted file tried, the loader would report a bad image instead.
    for (auto load : {common::LoadSystemLibrary, common::LoadSystemLibraryByPath}) {
        SetLastError(0);
        EXPECT_EQ(load(kName), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }
}

struct Table {
    decltype(&::GetTickCount64) GetTickCount64 = nullptr;
    decltype(&::InternetOpenA) NoSuchFunction = nullptr;
};

TEST(SystemLibrary, AMissingFunctionLeavesTheTableUnusable) {
    const auto loaded = common::LoadSystemFunctions<Table>(
        L"kernel32.dll", [](HMODULE dll, Table& t, DWORD& failed) {
            BIND_SYSTEM_FUNCTION(dll, t, GetTickCount64, failed);
            BIND_SYSTEM_FUNCTION(dll, t, NoSuchFunction, failed);
        });
    EXPECT_EQ(loaded.error, static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(loaded.Usable(), nullptr);
    EXPECT_NE(loaded.functions.GetTickCount64, nullptr);
    EXPECT_EQ(loaded.functions.NoSuchFunction, nullptr);
}

TEST(SystemLibrary, AMissingDllLeavesTheTableUnusable) {
    const auto loaded = common::LoadSystemFunctions<Table>(
        L"quendixnosuch.dll", [](HMODULE, Table&, DWORD&) { ADD_FAILURE() << "bound nothing"; });
    EXPECT_EQ(loaded.error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(loaded.Usable(), nullptr);
}

TEST(SystemLibrary, WinInetTableIsCompleteAndCallable) {
    DWORD error = 1;
    const net::WinInetFunctions* api = net::WinInet(&error);
    ASSERT_NE(api, nullptr) << error;
    EXPECT_EQ(error, 0u);
    net::UniqueInternet session(
        api->InternetOpenA("system library test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    EXPECT_TRUE(session);
    // Loaded once: a second call gives the same table.
    EXPECT_EQ(net::WinInet(), api);
}

}  // namespace
