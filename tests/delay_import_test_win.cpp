// The delay-import libraries the program links (cmake/delay_import.cmake), linked here the same
// way: a DLL is loaded by the first call of one of its functions, not at start, and that first
// call reaches the function with its arguments intact, floating-point ones included. Each
// function is called for the first time in exactly one place below.
#include <windows.h>
#include <oleauto.h>
#include <wininet.h>

#include <gtest/gtest.h>

namespace {

bool Loaded(const char* dll) {
    return GetModuleHandleA(dll) != nullptr;
}

// 7 December 2026 11:22:33 as an OLE date: days since 30 December 1899, the time as a fraction.
constexpr double kDate = 46363.0 + (11 * 3600 + 22 * 60 + 33) / 86400.0;

TEST(DelayImport, DllIsLoadedByTheFirstCallNotAtStart) {
    ASSERT_FALSE(Loaded("wininet.dll")) << "loaded before any of its functions was called";
    HINTERNET session =
        InternetOpenA("delay import test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    EXPECT_TRUE(Loaded("wininet.dll"));
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(InternetCloseHandle(session));
}

// First calls that pass doubles in the first and second argument registers.
TEST(DelayImport, FirstCallKeepsFloatingPointArguments) {
    ASSERT_FALSE(Loaded("oleaut32.dll")) << "loaded before any of its functions was called";

    double power = 0;
    ASSERT_EQ(VarR8Pow(2.0, 10.0, &power), S_OK);
    EXPECT_EQ(power, 1024.0);
    EXPECT_TRUE(Loaded("oleaut32.dll"));

    SYSTEMTIME t = {};
    ASSERT_TRUE(VariantTimeToSystemTime(kDate, &t));
    EXPECT_EQ(t.wYear, 2026);
    EXPECT_EQ(t.wMonth, 12);
    EXPECT_EQ(t.wDay, 7);
    EXPECT_EQ(t.wHour, 11);
    EXPECT_EQ(t.wMinute, 22);
    EXPECT_EQ(t.wSecond, 33);

    // The same function again, bound by now, gives the same text as its first call did.
    BSTR first = nullptr;
    BSTR again = nullptr;
    ASSERT_EQ(VarBstrFromDate(kDate, LOCALE_INVARIANT, 0, &first), S_OK);
    ASSERT_EQ(VarBstrFromDate(kDate, LOCALE_INVARIANT, 0, &again), S_OK);
    EXPECT_EQ(std::wstring(first, SysStringLen(first)), std::wstring(again, SysStringLen(again)));
    EXPECT_NE(std::wstring(first, SysStringLen(first)).find(L"2026"), std::wstring::npos);
    SysFreeString(first);
    SysFreeString(again);
}

}  // namespace
