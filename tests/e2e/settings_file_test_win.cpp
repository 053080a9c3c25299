// A settings file that cannot be created or written: the user is told once, in a box naming the
// file, and the look-up still goes ahead and answers the logger.
#include "tests/e2e/account_fixture_win.h"

namespace e2e {
namespace {

class SettingsFile : public AccountPrompt {
  protected:
    std::string CannotCreateText() const {
        return "Could not create " + folder_.SettingsPath() +
               "\r\nPut the program in a folder you can write to.";
    }
    std::string CannotWriteText() const { return "Could not write " + folder_.SettingsPath(); }

    // Checks the box's text, its exclamation icon and its single OK button, then presses OK.
    void ExpectBoxAndPressOk(HWND box, const std::string& text) {
        ASSERT_NE(box, nullptr) << "no box saying " << Visible(text);
        EXPECT_EQ(Visible(MessageBoxText(box)), Visible(text));
        EXPECT_TRUE(ShowsIcon(box));
        EXPECT_TRUE(HasButton(box, IDOK));
        EXPECT_FALSE(HasButton(box, IDCANCEL));
        ASSERT_NO_FATAL_FAILURE(Press(box, IDOK));
    }

    // Answers the account prompt with a user name and a password.
    void AnswerPrompt(const std::string& user, const std::string& password) {
        HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
        ASSERT_NE(notice, nullptr) << "no account notice";
        ASSERT_EQ(Visible(MessageBoxText(notice)), Visible(kNoticeText));
        ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
        HWND name = NextBox(kNameTitle, notice);
        ASSERT_NE(name, nullptr);
        ASSERT_NO_FATAL_FAILURE(Enter(name, user));
        HWND pass = NextBox(kPasswordTitle, name);
        ASSERT_NE(pass, nullptr);
        ASSERT_NO_FATAL_FAILURE(Enter(pass, password));
    }
};

// A folder named like the settings file stands where the file should be created. The first run
// says so; in that run the service's account error shows no box of its own (it would tell the
// user to delete a file that is not there). A later run in the same process does not repeat
// the box, and once the file exists the account error is shown again.
TEST_F(SettingsFile, FileThatCannotBeCreatedIsReportedOnce) {
    server_.SetAnswer("/call", Answer("ERROR"));
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder_.SettingsPath().c_str(), nullptr));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_NO_FATAL_FAILURE(StartLookup("AB1CD"));
    HWND box = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    // While the box is open the folder gives way to a settings file that reaches the stand-in:
    // the run reads its account and service only after the box.
    ASSERT_TRUE(RemoveDirectoryA(folder_.SettingsPath().c_str()));
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), StandardSettings()));
    ASSERT_NO_FATAL_FAILURE(ExpectBoxAndPressOk(box, CannotCreateText()));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].target, CallTarget(kUser, kPassword, "AB1CD"));
    EXPECT_EQ(Visible(LookupDat()), Visible("AB1CD not found in lookup database|\r\n"));
    // The account error unloaded the main window; the end of the run loads it again, hidden.
    ASSERT_TRUE(WaitUntil([&] { return addon_->MainWindow() != nullptr; }, 5000));

    // The folder again: no box this time, and the logger is still answered (the built-in service
    // address, which does not exist, gives the no-session text).
    ASSERT_TRUE(DeleteFileA(folder_.SettingsPath().c_str()));
    ASSERT_TRUE(CreateDirectoryA(folder_.SettingsPath().c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(StartLookup("K1A"));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
    EXPECT_EQ(Visible(LookupDat()), Visible("K1ANo Internet session in progress.\r\n"));

    // A settings file that is there: the account error is shown as always.
    ASSERT_TRUE(RemoveDirectoryA(folder_.SettingsPath().c_str()));
    ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), StandardSettings()));
    ASSERT_NO_FATAL_FAILURE(StartLookup("K1B"));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBoxAndPressOk(addon_->WaitForDialog(kAppTitle, kBoxWaitMs), AccountErrorText()));
    ASSERT_TRUE(WaitForNotifications(3)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible("K1B not found in lookup database|\r\n"));
}

// Another program holds the settings file open for reading only, for longer than any wait, so
// the account typed into the prompt cannot be stored. The box says so once per process; each run
// goes on with what was typed, and the file keeps its old content.
TEST_F(SettingsFile, AccountThatCannotBeWrittenIsReportedOnce) {
    ASSERT_NO_FATAL_FAILURE(StartWith("UserName=Not Set\r\nPassword=Not Set\r\n"));
    const std::string before = ReadFileBytes(folder_.SettingsPath());
    HANDLE held = CreateFileA(folder_.SettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(AnswerPrompt("K1NEW", "pw1"));
    ASSERT_NO_FATAL_FAILURE(
        ExpectBoxAndPressOk(addon_->WaitForDialog(kAppTitle, kBoxWaitMs), CannotWriteText()));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(SentUser(0), "K1NEW");
    EXPECT_EQ(SentPassword(0), "pw1");
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));

    // The prompt comes back, as the file still holds the placeholder; the box does not.
    ASSERT_NO_FATAL_FAILURE(StartLookup());
    ASSERT_NO_FATAL_FAILURE(AnswerPrompt("K1NEW", "pw2"));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(2));
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(SentUser(1), "K1NEW");
    EXPECT_EQ(SentPassword(1), "pw2");

    CloseHandle(held);
    EXPECT_EQ(Visible(ReadFileBytes(folder_.SettingsPath())), Visible(before));
}

// Another program holds the settings file for a moment (a backup tool that saw it change) while
// the first use writes the user name: the write waits for it, no box shows, the file holds the
// account, and the log says that the file had to be waited for.
TEST_F(SettingsFile, AccountIsStoredOnceAMomentsHoldIsLetGo) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    const std::string settings =
        SettingsWith("UserName=Not Set\r\nPassword=Not Set\r\n") + "[Lookup]\r\nLog=1\r\n";
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(StartLookup());

    HWND notice = addon_->WaitForDialog(kAppTitle, kBoxWaitMs);
    ASSERT_NE(notice, nullptr) << "no account notice";
    ASSERT_NO_FATAL_FAILURE(Press(notice, IDOK));
    HWND name = NextBox(kNameTitle, notice);
    ASSERT_NE(name, nullptr);
    HANDLE held = CreateFileA(folder_.SettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(Enter(name, "K1NEW"));
    PumpFor(600);
    const HWND whileHeld = addon_->FindDialog("");
    CloseHandle(held);
    EXPECT_EQ(whileHeld, nullptr) << "a box before the held file was written: "
                                  << TextOf(whileHeld);

    HWND pass = NextBox(kPasswordTitle);
    ASSERT_NE(pass, nullptr) << "no password box";
    ASSERT_NO_FATAL_FAILURE(Enter(pass, "pw1"));
    ASSERT_NO_FATAL_FAILURE(ExpectRunEndsWithoutBox(1));
    EXPECT_EQ(Setting("UserName"), "K1NEW");
    EXPECT_EQ(Setting("Password"), "qx2");
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(SentUser(0), "K1NEW");

    const std::string log = ReadFileBytes(JoinPath(folder_.Path(), "QuendixLookup.log"));
    const auto at = log.find("|settings file|N0CALL|||0|written after ");
    EXPECT_NE(at, std::string::npos) << Visible(log);
}

}  // namespace
}  // namespace e2e
