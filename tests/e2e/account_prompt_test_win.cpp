// The account prompt of a look-up whose stored user name is still "Not Set": the notice, the
// two input boxes, what is written to the settings file when, and what the request then
// carries. Also the stored account used without a prompt, and passwords that cannot be stored.
#include "tests/e2e/account_fixture_win.h"

#include <ostream>

namespace e2e {
namespace {

TEST_F(AccountPrompt, FirstUseCreatesTheFileAsksOnceAndStoresTheAccount) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(nullptr));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_FALSE(FileExists(folder_.SettingsPath()));
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr) << "no account notice";
    // The look-up wrote the default file before it asked, and read it: this run goes to the
    // built-in address. The test now points the file at the stand-in, for the next look-up.
    const std::string created = ReadFileBytes(folder_.SettingsPath());
    EXPECT_EQ(Visible(created), Visible(kDefaultSettings));
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(),
                               created + "[Service]\r\nLookupURL=" + server_.BaseUrl() +
                                   "\r\nUpdateURL=" + server_.BaseUrl() + "\r\n"));

    EXPECT_EQ(Visible(MessageBoxText(notice)), Visible(kNoticeText));
    EXPECT_TRUE(HasButton(notice, IDOK));
    EXPECT_TRUE(HasButton(notice, IDCANCEL));
    EXPECT_FALSE(ShowsIcon(notice));
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));

    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr) << "no user name box";
    EXPECT_EQ(ControlText(name, IDC_INPUT_PROMPT), kNamePrompt);
    EXPECT_EQ(ControlText(name, IDC_INPUT_TEXT), "Not Set");
    EXPECT_TRUE(HasButton(name, IDOK));
    EXPECT_TRUE(HasButton(name, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(Enter(name, "K1NEW"));

    HWND password = NextBox(kPasswordTitle, name);
    ASSERT_NE(password, nullptr) << "no password box";
    EXPECT_EQ(ControlText(password, IDC_INPUT_PROMPT), kPasswordPrompt);
    EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "Not Set");
    // The user name is stored as soon as it is entered.
    EXPECT_EQ(Setting("UserName"), "K1NEW");
    ASSERT_NO_FATAL_FAILURE(Enter(password, "s3cret word"));

    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    const std::string file = ReadFileBytes(folder_.SettingsPath());
    EXPECT_NE(file.find("UserName=K1NEW\r\n"), std::string::npos) << Visible(file);
    EXPECT_NE(file.find("Password=t4dsfu!xpse\r\n"), std::string::npos) << Visible(file);
    EXPECT_EQ(Calls().size(), 0u) << "the run did not keep the address it read at its start";
    EXPECT_EQ(Visible(LookupDat()), Visible("N0CALLNo Internet session in progress.\r\n"));

    // The next look-up loads the account, clear password included, and asks nothing.
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(SentUser(0), "K1NEW");
    EXPECT_EQ(SentPassword(0), "s3cret word");
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
}

// Cancel on the notice or on the user name box, or an empty name: the user name is stored as
// "Not Set", the password is not asked for and stays as stored, no update check is made, the
// look-up goes ahead with the placeholder, and the next look-up asks again.
enum class NameAnswer { CancelNotice, CancelNameBox, EmptyName };

const char* Name(NameAnswer a) {
    switch (a) {
        case NameAnswer::CancelNotice:
            return "CancelNotice";
        case NameAnswer::CancelNameBox:
            return "CancelNameBox";
        case NameAnswer::EmptyName:
            return "EmptyName";
    }
    return "?";
}
void PrintTo(NameAnswer a, std::ostream* out) {
    *out << Name(a);
}

class AccountPromptLeftUnset : public AccountPrompt,
                               public ::testing::WithParamInterface<NameAnswer> {};

TEST_P(AccountPromptLeftUnset, KeepsThePlaceholderAndAsksAgain) {
    ASSERT_NO_FATAL_FAILURE(PublishUpdateAndMakeCheckDue());
    // "xyz" stored scrambled: kept by every answer here.
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=yz{\r\n"));

    for (size_t run = 1; run <= 2; ++run) {
        ASSERT_NO_FATAL_FAILURE(StartLookup());
        HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
        ASSERT_NE(notice, nullptr) << "no account notice in run " << run;
        if (GetParam() == NameAnswer::CancelNotice) {
            ASSERT_NO_FATAL_FAILURE(Press(notice, IDCANCEL));
        } else {
            ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
            HWND name = NextBox(kNameTitle, notice);
            ASSERT_NE(name, nullptr);
            if (GetParam() == NameAnswer::CancelNameBox) {
                ASSERT_NO_FATAL_FAILURE(Press(name, IDCANCEL));
            } else {
                ASSERT_NO_FATAL_FAILURE(Enter(name, ""));
            }
        }
        ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(run));
        EXPECT_EQ(Setting("UserName"), "Not Set");
        EXPECT_EQ(Setting("Password"), "yz{");
        ASSERT_EQ(Calls().size(), run);
        EXPECT_EQ(SentUser(run - 1), "Not Set");
        EXPECT_EQ(SentPassword(run - 1), "xyz");
    }
    EXPECT_EQ(UpdateRequests(), 0u) << "an update check ran without a user name";
}

INSTANTIATE_TEST_SUITE_P(Answers, AccountPromptLeftUnset,
                         ::testing::Values(NameAnswer::CancelNotice, NameAnswer::CancelNameBox,
                                           NameAnswer::EmptyName),
                         [](const ::testing::TestParamInfo<NameAnswer>& info) {
                             return std::string(Name(info.param));
                         });

// The pre-filled "Not Set" confirmed as the user name: nothing is written for it, the password
// is still asked for and stored, and the next look-up asks again.
TEST_F(AccountPrompt, UnchangedPlaceholderNameStillAsksForThePassword) {
    ASSERT_NO_FATAL_FAILURE(PublishUpdateAndMakeCheckDue());
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=Not Set\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr);
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr);
    ASSERT_NO_FATAL_FAILURE(Press(name, IDOK));  // "Not Set" as it stands
    HWND password = NextBox(kPasswordTitle, name);
    ASSERT_NE(password, nullptr) << "the password was not asked for";
    EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "Not Set");
    ASSERT_NO_FATAL_FAILURE(Enter(password, "pw1"));

    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Setting("UserName"), "Not Set");
    EXPECT_EQ(Setting("Password"), "qx2");
    EXPECT_EQ(SentUser(0), "Not Set");
    EXPECT_EQ(SentPassword(0), "pw1");
    EXPECT_EQ(UpdateRequests(), 0u);

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    HWND again = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(again, nullptr) << "the prompt did not return";
    ASSERT_NO_FATAL_FAILURE(Press(again, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
}

// A new user name, then the password box answered with Cancel, an empty entry or its default
// unchanged. The default is the stored password in clear. Cancel and an empty entry store the
// placeholder for the password, yet the look-up still uses the password it loaded; the
// unchanged default writes nothing.
enum class PasswordAnswer { Cancel, Empty, Unchanged };

const char* Name(PasswordAnswer a) {
    switch (a) {
        case PasswordAnswer::Cancel:
            return "Cancel";
        case PasswordAnswer::Empty:
            return "Empty";
        case PasswordAnswer::Unchanged:
            return "Unchanged";
    }
    return "?";
}
void PrintTo(PasswordAnswer a, std::ostream* out) {
    *out << Name(a);
}

class AccountPromptPassword : public AccountPrompt,
                              public ::testing::WithParamInterface<PasswordAnswer> {};

TEST_P(AccountPromptPassword, StoresTheNameAndHandlesThePassword) {
    // "old" stored scrambled while the user name is still unset.
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=pme\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr);
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr);
    ASSERT_NO_FATAL_FAILURE(Enter(name, "K1ABC"));
    HWND password = NextBox(kPasswordTitle, name);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "old");
    switch (GetParam()) {
        case PasswordAnswer::Cancel:
            ASSERT_NO_FATAL_FAILURE(Press(password, IDCANCEL));
            break;
        case PasswordAnswer::Empty:
            ASSERT_NO_FATAL_FAILURE(Enter(password, ""));
            break;
        case PasswordAnswer::Unchanged:
            ASSERT_NO_FATAL_FAILURE(Press(password, IDOK));
            break;
    }

    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Setting("UserName"), "K1ABC");
    EXPECT_EQ(Setting("Password"), GetParam() == PasswordAnswer::Unchanged ? "pme" : "Not Set");
    EXPECT_EQ(SentUser(0), "K1ABC");
    EXPECT_EQ(SentPassword(0), "old");
}

INSTANTIATE_TEST_SUITE_P(Answers, AccountPromptPassword,
                         ::testing::Values(PasswordAnswer::Cancel, PasswordAnswer::Empty,
                                           PasswordAnswer::Unchanged),
                         [](const ::testing::TestParamInfo<PasswordAnswer>& info) {
                             return std::string(Name(info.param));
                         });

// A stored account is used as it stands, with no prompt: a password written into the file by
// hand is taken as scrambled and used shifted down; a missing "UserName" key is an empty user
// name, which is not the placeholder, so nothing is asked and the update check runs.
TEST_F(AccountPrompt, StoredAccountIsUsedWithoutAPrompt) {
    server_.SetAnswer(kUpdatePath, Answer("1.2.4"));
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=K1TEST\r\nPassword=bcd\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(SentUser(0), "K1TEST");
    EXPECT_EQ(SentPassword(0), "abc");
    EXPECT_EQ(Setting("Password"), "bcd") << "the stored password was rewritten";
    EXPECT_EQ(UpdateRequests(), 1u);
}

TEST_F(AccountPrompt, MissingUserNameKeyAsksNothing) {
    server_.SetAnswer(kUpdatePath, Answer("1.2.4"));
    ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));
    ASSERT_NO_FATAL_FAILURE(StartWith("Password=Not Set\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(SentUser(0), "");
    EXPECT_EQ(SentPassword(0), "Not Set");
    EXPECT_EQ(Setting("UserName"), "<missing>") << "the missing key was written";
    EXPECT_EQ(UpdateRequests(), 1u) << "the update check did not run for an empty user name";
}

// A password whose stored form would not read back as the same password is refused with a
// box, and the password box comes back with its previous default; the user name entered before
// stays stored. The first storable password is then taken.
TEST_F(AccountPrompt, PasswordThatCannotBeStoredIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=Not Set\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr);
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr);
    ASSERT_NO_FATAL_FAILURE(Enter(name, "K1ABC"));
    HWND password = NextBox(kPasswordTitle, name);
    ASSERT_NE(password, nullptr);

    struct Refused {
        const char* what;
        std::wstring text;  // typed as UTF-16, as the box holds it
    };
    const Refused refused[] = {
        {"a tab (stored as a line feed)", L"ab\tc"},
        {"a first character stored as a space", std::wstring(L"\x1F") + L"abc"},
        {"a character outside the ANSI code page", L"ab\x0416"},
        {"the last ANSI character (no successor)", L"ab\x00FF"},
        {"255 characters (254 come back)", std::wstring(255, L'a')},
        {"quotes around the stored form", L"!abc!"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.what);
        ASSERT_TRUE(SetControlTextW(password, IDC_INPUT_TEXT, r.text));
        ASSERT_NO_FATAL_FAILURE(Press(password, IDOK));
        HWND refusal = NextBox(kAppTitle, password);
        ASSERT_NE(refusal, nullptr) << "not refused";
        EXPECT_EQ(Visible(MessageBoxText(refusal)), Visible(kRefusalText));
        EXPECT_TRUE(HasButton(refusal, IDOK));
        EXPECT_FALSE(HasButton(refusal, IDCANCEL));
        EXPECT_TRUE(ShowsIcon(refusal));
        EXPECT_EQ(Setting("UserName"), "K1ABC");
        EXPECT_EQ(Setting("Password"), "Not Set");
        ASSERT_NO_FATAL_FAILURE(Press(refusal, IDOK));
        password = NextBox(kPasswordTitle, refusal);
        ASSERT_NE(password, nullptr) << "the password box did not come back";
        EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "Not Set");
    }

    ASSERT_NO_FATAL_FAILURE(Enter(password, "good"));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Setting("Password"), "hppe");
    EXPECT_EQ(SentUser(0), "K1ABC");
    EXPECT_EQ(SentPassword(0), "good");
}

// A user name with a character the ANSI code page cannot hold is refused with a box of its own,
// and the user name box comes back with its previous default; nothing is written meanwhile. (It
// would otherwise be stored with '?' in its place.)
TEST_F(AccountPrompt, UserNameThatCannotBeStoredIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=Not Set\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr);
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(SetControlTextW(name, IDC_INPUT_TEXT, L"K1\x0416"));
    ASSERT_NO_FATAL_FAILURE(Press(name, IDOK));
    HWND refusal = NextBox(kAppTitle, name);
    ASSERT_NE(refusal, nullptr) << "not refused";
    EXPECT_EQ(Visible(MessageBoxText(refusal)), Visible(kNameRefusalText));
    EXPECT_TRUE(HasButton(refusal, IDOK));
    EXPECT_FALSE(HasButton(refusal, IDCANCEL));
    EXPECT_TRUE(ShowsIcon(refusal));
    EXPECT_EQ(Setting("UserName"), "Not Set");
    ASSERT_NO_FATAL_FAILURE(Press(refusal, IDOK));
    name = NextBox(kNameTitle, refusal);
    ASSERT_NE(name, nullptr) << "the user name box did not come back";
    EXPECT_EQ(ControlText(name, IDC_INPUT_TEXT), "Not Set");

    ASSERT_NO_FATAL_FAILURE(Enter(name, "K1ABC"));
    HWND password = NextBox(kPasswordTitle, name);
    ASSERT_NE(password, nullptr);
    ASSERT_NO_FATAL_FAILURE(Enter(password, "good"));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Setting("UserName"), "K1ABC");
    EXPECT_EQ(SentUser(0), "K1ABC");
}

}  // namespace
}  // namespace e2e
