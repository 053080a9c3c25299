// The main window's "Account..." entry: the two boxes, what is written when, the logger's
// commands held off while the boxes are open, the entry ignored during a look-up run, and a
// look-up afterwards that carries the new account.
#include "tests/e2e/road_fixture_win.h"

#include "res/resource.h"

namespace e2e {
namespace {

constexpr const char* kNameTitle = "Enter UserName";
constexpr const char* kPasswordTitle = "Enter Password";
constexpr DWORD kBoxWaitMs = 15000;

class AccountMenu : public AddOnTest {
  protected:
    void SetUp() override {
        AddOnTest::SetUp();
        server_.SetResponder(SampleDatabase);
        ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
        settingsBefore_ = ReadFileBytes(folder_.SettingsPath());
    }

    bool ChooseAccount() {
        HWND main = addon_->MainWindow();
        return main && PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_ACCOUNT, 0), 0);
    }

    // Waits for a box of the entry once `previous` (a box just answered) has gone.
    HWND Box(const char* title, HWND previous = nullptr) {
        if (previous && !WaitGone(previous)) {
            ADD_FAILURE() << "the answered box stays open";
        }
        return addon_->WaitForDialog(title, kBoxWaitMs);
    }

    // Answers a box: the entry (unless null) and the button; waits until the box has gone.
    void AnswerBox(HWND box, const char* entry, int button = IDOK) {
        ASSERT_NE(box, nullptr);
        if (entry) {
            ASSERT_TRUE(SetControlText(box, IDC_INPUT_TEXT, entry));
        }
        ASSERT_TRUE(PressButton(box, button));
        ASSERT_TRUE(WaitGone(box)) << "the box stays open";
    }

    std::string Setting(const char* key) const {
        char buffer[512] = {};
        const DWORD n = GetPrivateProfileStringA("Settings", key, "<missing>", buffer,
                                                 sizeof buffer, folder_.SettingsPath().c_str());
        return std::string(buffer, n);
    }

    // A look-up of N0CALL that shows no box; returns the account it carried.
    void LookUp(size_t notification, std::string* user, std::string* password) {
        ASSERT_TRUE(addon_->Type("N0CALL"));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(notification))
            << "the run did not end" << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << TextOf(addon_->FindDialog(""));
        const auto calls = Calls();
        ASSERT_FALSE(calls.empty());
        *user = QueryValue(calls.back().target, "username");
        *password = QueryValue(calls.back().target, "password");
    }

    void ExpectSettingsUnchanged() const {
        EXPECT_EQ(Visible(ReadFileBytes(folder_.SettingsPath())), Visible(settingsBefore_));
    }

    std::string settingsBefore_;
};

TEST_F(AccountMenu, ChangesTheAccountAndTheNextLookUpCarriesIt) {
    ASSERT_TRUE(ChooseAccount());
    HWND name = Box(kNameTitle);
    ASSERT_NE(name, nullptr) << "no user name box";
    EXPECT_EQ(ControlText(name, IDC_INPUT_PROMPT), "Please Enter your User Name for Quendix:");
    EXPECT_EQ(ControlText(name, IDC_INPUT_TEXT), kUser);
    EXPECT_EQ(addon_->FindDialog(kAppTitle), nullptr) << "the first-use notice was shown";
    ASSERT_NO_FATAL_FAILURE(AnswerBox(name, "K1NEW"));

    HWND password = Box(kPasswordTitle, name);
    ASSERT_NE(password, nullptr) << "no password box";
    EXPECT_EQ(ControlText(password, IDC_INPUT_PROMPT), "Please Enter your Password for Quendix:");
    EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "");
    ExpectSettingsUnchanged();  // nothing before OK in the password box

    // While the boxes are open the logger's commands and the test button do nothing.
    ASSERT_TRUE(addon_->Type("ZZ"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(PostMessageA(GetDlgItem(addon_->MainWindow(), IDC_TEST_BUTTON), BM_CLICK, 0, 0));
    PumpFor(1500);
    EXPECT_TRUE(Calls().empty()) << "a look-up ran while the boxes were open";
    EXPECT_EQ(Notifications(), 0u);
    EXPECT_NE(addon_->FindDialog(kPasswordTitle), nullptr);

    ASSERT_NO_FATAL_FAILURE(AnswerBox(password, "n3w pw"));
    WaitUntil([&] { return Setting("Password") == ScrambledPassword("n3w pw"); }, 5000);
    EXPECT_EQ(Setting("UserName"), "K1NEW");
    EXPECT_EQ(Setting("Password"), ScrambledPassword("n3w pw"));
    EXPECT_EQ(addon_->FindDialog(""), nullptr);

    std::string user, sent;
    ASSERT_NO_FATAL_FAILURE(LookUp(1, &user, &sent));
    EXPECT_EQ(user, "K1NEW");
    EXPECT_EQ(sent, "n3w pw");
    // The characters sent while the boxes were open were dropped.
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL"}));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
}

// Cancel in either box, or OK with an empty user name: nothing is written, and the look-up
// that follows carries the account as it was.
TEST_F(AccountMenu, CancelOrAnEmptyNameWritesNothing) {
    struct Case {
        const char* what;
        bool reachPassword;
        const char* nameEntry;
        int nameButton;
    };
    const Case cases[] = {
        {"cancel in the user name box", false, "K1NEW", IDCANCEL},
        {"OK with an empty user name", false, "", IDOK},
        {"cancel in the password box", true, "K1NEW", IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(ChooseAccount());
        HWND name = Box(kNameTitle);
        ASSERT_NO_FATAL_FAILURE(AnswerBox(name, c.nameEntry, c.nameButton));
        if (c.reachPassword) {
            HWND password = Box(kPasswordTitle, name);
            ASSERT_NO_FATAL_FAILURE(AnswerBox(password, "n3w pw", IDCANCEL));
        } else {
            PumpFor(500);
            EXPECT_EQ(addon_->FindDialog(""), nullptr) << "a box followed";
        }
        PumpFor(300);
        ExpectSettingsUnchanged();
    }
    std::string user, sent;
    ASSERT_NO_FATAL_FAILURE(LookUp(1, &user, &sent));
    EXPECT_EQ(user, kUser);
    EXPECT_EQ(sent, kPassword);
}

TEST_F(AccountMenu, EmptyPasswordKeepsTheStoredOne) {
    ASSERT_TRUE(ChooseAccount());
    HWND name = Box(kNameTitle);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(name, "K1NEW"));
    HWND password = Box(kPasswordTitle, name);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(password, ""));
    WaitUntil([&] { return Setting("UserName") == "K1NEW"; }, 5000);
    EXPECT_EQ(Setting("UserName"), "K1NEW");
    EXPECT_EQ(Setting("Password"), ScrambledPassword(kPassword));

    std::string user, sent;
    ASSERT_NO_FATAL_FAILURE(LookUp(1, &user, &sent));
    EXPECT_EQ(user, "K1NEW");
    EXPECT_EQ(sent, kPassword);
}

// A password that cannot be stored is refused as in the first-use prompt, and the password box
// comes back empty; the user name is not written before the password box is confirmed.
TEST_F(AccountMenu, PasswordThatCannotBeStoredIsRefused) {
    ASSERT_TRUE(ChooseAccount());
    HWND name = Box(kNameTitle);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(name, "K1NEW"));
    HWND password = Box(kPasswordTitle, name);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(password, "ab\tc"));
    HWND refusal = Box(kAppTitle);
    ASSERT_NE(refusal, nullptr) << "not refused";
    EXPECT_EQ(Visible(MessageBoxText(refusal)),
              Visible("This password cannot be stored. Please enter a different password."));
    ExpectSettingsUnchanged();
    ASSERT_NO_FATAL_FAILURE(AnswerBox(refusal, nullptr));
    password = Box(kPasswordTitle, refusal);
    ASSERT_NE(password, nullptr) << "the password box did not come back";
    EXPECT_EQ(ControlText(password, IDC_INPUT_TEXT), "");
    ASSERT_NO_FATAL_FAILURE(AnswerBox(password, "good"));
    WaitUntil([&] { return Setting("Password") == ScrambledPassword("good"); }, 5000);
    EXPECT_EQ(Setting("UserName"), "K1NEW");
    EXPECT_EQ(Setting("Password"), ScrambledPassword("good"));
}

// A user name the ANSI code page cannot hold is refused as in the first-use prompt, and the user
// name box comes back with the stored name; nothing is written.
TEST_F(AccountMenu, UserNameThatCannotBeStoredIsRefused) {
    ASSERT_TRUE(ChooseAccount());
    HWND name = Box(kNameTitle);
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(SetControlTextW(name, IDC_INPUT_TEXT, L"K1\x0416"));
    ASSERT_TRUE(PressButton(name, IDOK));
    HWND refusal = Box(kAppTitle, name);
    ASSERT_NE(refusal, nullptr) << "not refused";
    EXPECT_EQ(Visible(MessageBoxText(refusal)),
              Visible("This user name cannot be stored. Please enter a different user name."));
    ExpectSettingsUnchanged();
    ASSERT_NO_FATAL_FAILURE(AnswerBox(refusal, nullptr));
    name = Box(kNameTitle, refusal);
    ASSERT_NE(name, nullptr) << "the user name box did not come back";
    EXPECT_EQ(ControlText(name, IDC_INPUT_TEXT), kUser);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(name, nullptr, IDCANCEL));
    PumpFor(300);
    ExpectSettingsUnchanged();
}

// During a look-up run the entry does nothing, then or afterwards.
TEST_F(AccountMenu, IgnoredDuringALookUpRun) {
    server_.SetResponder([](const RecordedRequest& r) {
        CannedAnswer a = SampleDatabase(r);
        a.delayMs = 2000;
        return a;
    });
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitUntil([&] { return !Calls().empty(); }, 10000)) << "no request";
    ASSERT_TRUE(ChooseAccount());
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << ProcessNote();
    EXPECT_EQ(addon_->FindDialog(""), nullptr)
        << "a box opened: " << TextOf(addon_->FindDialog(""));

    // A look-up posted once the run has returned is handled after the entry chosen during the
    // run: had the entry opened its boxes afterwards, this look-up would meet them.
    ASSERT_NO_FATAL_FAILURE(WaitUntilTheRunHasReturned());
    ASSERT_NO_FATAL_FAILURE(PostLookUp("K1"));
    ASSERT_TRUE(WaitForNotificationOrDialog(2)) << ProcessNote();
    EXPECT_EQ(addon_->FindDialog(""), nullptr)
        << "a box opened: " << TextOf(addon_->FindDialog(""));
    EXPECT_EQ(Notifications(), 2u);
    EXPECT_EQ(CalledSigns(), (std::vector<std::string>{"N0CALL", "K1"}));
    ExpectSettingsUnchanged();
}

}  // namespace
}  // namespace e2e
