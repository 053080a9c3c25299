// The account prompt's fixture: a program whose settings file is written by hand, and the
// steps of answering the notice and the two input boxes.
#pragma once

#include "tests/e2e/road_fixture_win.h"

#include <string>

#include "res/resource.h"

namespace e2e {

inline constexpr const char* kNoticeText =
    "Before continuing you need to enter your Username and Password for Quendix\r"
    " Click OK to Continue.";
inline constexpr const char* kNameTitle = "Enter UserName";
inline constexpr const char* kNamePrompt = "Please Enter your User Name for Quendix:";
inline constexpr const char* kPasswordTitle = "Enter Password";
inline constexpr const char* kPasswordPrompt = "Please Enter your Password for Quendix:";
inline constexpr const char* kRefusalText =
    "This password cannot be stored. Please enter a different password.";
inline constexpr const char* kNameRefusalText =
    "This user name cannot be stored. Please enter a different user name.";
inline constexpr const char* kUpdatePath = "/files/QuendixInternetLookup.txt";
inline constexpr DWORD kBoxWaitMs = 15000;

class AccountPrompt : public AddOnTest {
  protected:
    // A settings file written by hand: the [Settings] lines as given, the stand-in's addresses.
    std::string SettingsWith(const std::string& settingsLines) const {
        return "[Settings]\r\n" + settingsLines + "[Service]\r\nLookupURL=" + server_.BaseUrl() +
               "\r\nUpdateURL=" + server_.BaseUrl() + "\r\n";
    }

    void PrepareWith(const std::string& settingsLines) {
        const std::string settings = SettingsWith(settingsLines);
        PrepareFolder(&settings);
    }

    // Program and logger up, the look-up answered with the worked example.
    void StartWith(const std::string& settingsLines) {
        server_.SetAnswer("/call", Answer(WorkedBody()));
        ASSERT_NO_FATAL_FAILURE(PrepareWith(settingsLines));
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());
    }

    void StartLookup(const std::string& callsign = "N0CALL") {
        ASSERT_TRUE(addon_->Type(callsign));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    }

    // The next box with this title, once `previous` (a box just answered) has gone.
    HWND NextBox(const std::string& title, HWND previous = nullptr) {
        if (previous) {
            EXPECT_TRUE(WaitGone(previous)) << "the answered box stays open";
        }
        return addon_->WaitForDialog(title, kBoxWaitMs);
    }

    // Presses a box's button and waits until the box has gone.
    void Press(HWND box, int id) {
        ASSERT_TRUE(PressButton(box, id));
        ASSERT_TRUE(WaitGone(box)) << "the box stays open";
    }

    // Types `text` into an input box and presses OK.
    void Enter(HWND box, const std::string& text) {
        ASSERT_TRUE(SetControlText(box, IDC_INPUT_TEXT, text));
        ASSERT_NO_FATAL_FAILURE(Press(box, IDOK));
    }

    // Waits for the run to end with `n` notifications; a box that opens meanwhile fails the
    // test (its title is reported) and is cancelled.
    void ExpectRunEndsWithoutBox(size_t n) {
        ASSERT_TRUE(WaitForNotificationOrDialog(n)) << "the run did not end" << ProcessNote();
        if (HWND box = addon_->FindDialog("")) {
            ADD_FAILURE() << "unexpected box: " << TextOf(box) << ": "
                          << Visible(MessageBoxText(box));
            PressButton(box, IDCANCEL);
        }
        ASSERT_TRUE(WaitForNotifications(n)) << ProcessNote();
    }

    std::string Setting(const std::string& key) const {
        char buffer[512] = {};
        const DWORD n = GetPrivateProfileStringA("Settings", key.c_str(), "<missing>", buffer,
                                                 sizeof buffer, folder_.SettingsPath().c_str());
        return std::string(buffer, n);
    }

    std::string SentUser(size_t i) const { return QueryValue(Calls().at(i).target, "username"); }
    std::string SentPassword(size_t i) const {
        return QueryValue(Calls().at(i).target, "password");
    }

    size_t UpdateRequests() const { return server_.RequestsFor(kUpdatePath).size(); }

    // An update is published and the check is due: a run that checks is seen by the server.
    void PublishUpdateAndMakeCheckDue() {
        server_.SetAnswer(kUpdatePath, Answer("1.2.5"));
        ASSERT_TRUE(SetLastCheckText("01/04/2009 7:59:00 PM"));
    }
};

}  // namespace e2e
