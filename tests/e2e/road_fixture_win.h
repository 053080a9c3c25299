// Shared set-up of the end-to-end tests: a stand-in service, a folder with the program and its
// settings, the partner windows a test asks for, and the program itself.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/lookup_run_win.h"
#include "tests/e2e/addon_win.h"
#include "tests/e2e/boxes_win.h"
#include "tests/e2e/files_win.h"
#include "tests/e2e/partner_windows_win.h"
#include "tests/e2e/registry_win.h"
#include "tests/e2e/standin_server_win.h"
#include "tests/e2e/wait_win.h"

namespace e2e {

// The worked example of the service's tagged answer, its reply line and its extended message.
// Built piece by piece: a hex escape would swallow the hex digits that follow it.
inline std::string WorkedBody() {
    return std::string("N0CALL") + "\xB8" + "JANE" + "\xB9" + "Q" + "\xBA" + "SAMPLE" + "\xBC" +
           "12 ELM ST" + "\xBF" + "ANYTOWN" + "\xC0" + "IL" + "\xC1" + "60000" + "\xC6" + "LAKE" +
           "\xD1" + "United States" + "\xB6" + "E" + "\xCA" + "EN52" + "\xC8" + "42.25" + "\xC9" +
           "88.1" + "\xD0" + "BUREAU" + "\xC3" + "01/15/2005" + "\xC4" + "01/15/2015" + "\xB7" +
           "X" + "\xD3" + "Y" + "\xC7" + "-6" + "\xC5" + "11/02/2008" + "\xBB" + "IGNORED";
}
inline const std::string kWorkedLine =
    "N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|42.25|-88.1|||"
    "BUREAU|";
inline const std::string kWorkedExtended =
    "CTTP|N0CALL|JANE|Q SAMPLE|12 ELM ST|ANYTOWN|IL|60000|United States|E||LAKE|EN52|42.25|-88.1|"
    "||BUREAU||01/15/2005|01/15/2015|X||-6|11/02/2008";

inline const std::string kDefaultSettings =
    "[Settings]\r\nUserName=Not Set\r\nPassword=Not Set\r\n";

inline CannedAnswer Answer(const std::string& body, int status = 200) {
    CannedAnswer a;
    a.status = status;
    a.body = body;
    return a;
}

// The stand-in's sample database: it knows N0CALL (the worked example) and no other callsign,
// N0CALL/P and DL/N0CALL among them.
inline CannedAnswer SampleDatabase(const RecordedRequest& request) {
    return QueryValue(request.target, "callsign") == "N0CALL" ? Answer(WorkedBody())
                                                              : Answer("NOT FOUND");
}

// The request target the program should send for an account and a callsign, written out.
inline std::string CallTarget(const std::string& encodedUser, const std::string& encodedPassword,
                              const std::string& encodedCallsign) {
    return "/call?username=" + encodedUser + "&password=" + encodedPassword +
           "&rawlookup=1&callsign=" + encodedCallsign + "&program=Logger32";
}

class AddOnTest : public ::testing::Test {
  protected:
    // A run ends within host::kLongestRunMs, boxes aside; margin on top.
    static constexpr DWORD kRunTimeoutMs = host::kLongestRunMs + 4000;
    static constexpr const char* kUser = "K1TEST";
    static constexpr const char* kPassword = "secret";

    void SetUp() override {
        ASSERT_TRUE(MarkUpdateCheckedNow()) << "cannot store the time of the last update check";
        ASSERT_TRUE(server_.Start()) << "the stand-in service did not start";
    }

    // A failed test whose program is gone says so: a crash must not pass for a slow answer.
    void TearDown() override {
        if (HasFailure() && !ProcessNote().empty()) {
            ADD_FAILURE() << "note:" << ProcessNote();
        }
    }

    // "" while the program runs (or was never started); otherwise says that its process ended
    // and how.
    std::string ProcessNote() const {
        DWORD code = 0;
        if (!addon_ || !addon_->Ended(&code)) {
            return std::string();
        }
        char text[80];
        snprintf(text, sizeof text, " (the program's process has ended, exit code 0x%08lX)",
                 static_cast<unsigned long>(code));
        return text;
    }
    bool ProcessEnded() const { return !ProcessNote().empty(); }

    std::string StandardSettings() const {
        return SettingsText(kUser, kPassword, server_.BaseUrl(), server_.BaseUrl());
    }

    // The folder with the program and the given settings (none when null).
    void PrepareFolder(const std::string* settings) {
        std::string error;
        ASSERT_TRUE(folder_.Prepare(settings ? settings->c_str() : nullptr, &error)) << error;
    }
    void PrepareStandardFolder() {
        const std::string settings = StandardSettings();
        PrepareFolder(&settings);
    }

    // The program runs in a folder of its own below the program's folder: Lookup.dat belongs in
    // the current directory, the settings file beside the program.
    void UseWorkFolder() {
        workFolder_ = JoinPath(folder_.Path(), "work");
        ASSERT_TRUE(CreateDirectoryA(workFolder_.c_str(), nullptr));
    }
    std::string CurrentFolder() const { return workFolder_.empty() ? folder_.Path() : workFolder_; }
    std::string ReplyPath() const { return JoinPath(CurrentFolder(), kReplyFileName); }
    // The account-error box as the user sees it, naming this program's settings file.
    std::string AccountErrorText() const {
        return "Error with User Name or Password\r\nDelete " + folder_.SettingsPath() +
               "\r\nAnd re-enter your information.";
    }

    void CreateLogger() { logger_ = MakeLogger(CurrentFolder()); }
    void CreateExtended() {
        extended_ = MakeExtendedWindow();
        reply_ = MakeReplyWindow();
    }

    void StartAddOn() {
        addon_ = std::make_unique<AddOn>(folder_);
        addon_->SetCurrentFolder(CurrentFolder());
        std::string error;
        ASSERT_TRUE(addon_->StartAndWait(&error)) << error;
    }

    // Names the reply window after the announcement arrived.
    void ConnectExtended() {
        ASSERT_TRUE(WaitUntil([&] { return extended_->Count(kExtendedMessageName) >= 1; }, 5000))
            << "no announcement";
        LRESULT result = -1;
        ASSERT_TRUE(
            addon_->Send(kCmdReplyWindow, reinterpret_cast<LPARAM>(reply_->Handle()), &result));
        EXPECT_EQ(result, 0);
    }

    size_t Notifications() const { return logger_ ? logger_->Count(kLoggerMessageName) : 0; }

    // Waits for `n` notifications; gives up at once when the program's process ends.
    bool WaitForNotifications(size_t n, DWORD timeoutMs = kRunTimeoutMs) {
        WaitUntil([&] { return Notifications() >= n || ProcessEnded(); }, timeoutMs);
        return Notifications() >= n;
    }

    // Waits until the logger has `n` notifications or a dialog of the program is open; gives up at
    // once when the program's process ends.
    bool WaitForNotificationOrDialog(size_t n, DWORD timeoutMs = kRunTimeoutMs) {
        const auto done = [&] { return Notifications() >= n || addon_->FindDialog("") != nullptr; };
        WaitUntil([&] { return done() || ProcessEnded(); }, timeoutMs);
        return done();
    }

    // Types `callsign`, posts the look-up and waits for the run to end against a service that
    // does not answer in time; the run must end within the look-up's full wait and a margin
    // (the tests that use it have no update check due, no held file and no hung extended
    // window), with no box shown.
    void LookUpWithinTheBound(const std::string& callsign, size_t notification) {
        ASSERT_TRUE(addon_->Type(callsign));
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(notification, 45000))
            << "the run did not end" << ProcessNote();
        const ULONGLONG elapsed = GetTickCount64() - start;
        ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
        EXPECT_LT(elapsed, lookup::kFullWaitMs + 10000u);
    }

    // What WaitCancellingPrompts saw.
    struct Prompts {
        int count = 0;                // boxes cancelled
        std::string settingsAtFirst;  // the settings file when the first one showed
    };

    // Waits for `n` notifications, cancelling the account prompt (its message box and input
    // boxes) whenever it shows.
    bool WaitCancellingPrompts(size_t n, Prompts* prompts) {
        HWND lastPressed = nullptr;
        return WaitUntil(
            [&] {
                if (Notifications() >= n) {
                    return true;
                }
                for (const char* title : {kAppTitle, "Enter UserName", "Enter Password"}) {
                    HWND box = addon_->FindDialog(title);
                    if (box && box != lastPressed) {
                        if (prompts->count++ == 0) {
                            prompts->settingsAtFirst = ReadFileBytes(folder_.SettingsPath());
                        }
                        PressButton(box, IDCANCEL);
                        lastPressed = box;
                    }
                }
                return false;
            },
            kRunTimeoutMs);
    }

    // Returns once the program takes messages again after a run: a command it ignores (code 0),
    // sent, is answered only then, as long as no file is held (a wait for a held file dispatches
    // messages). Whatever the run posted to itself on its way out is queued by now.
    void WaitUntilTheRunHasReturned() {
        LRESULT result = -1;
        ASSERT_TRUE(addon_->Send(0, 0, &result)) << "the program does not answer" << ProcessNote();
    }

    // Posts the characters of `callsign` and a look-up: they are handled after everything
    // posted to the program before.
    void PostLookUp(const std::string& callsign) {
        for (const char c : callsign) {
            ASSERT_TRUE(addon_->Post(kCmdChar, static_cast<unsigned char>(c)));
        }
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    }

    std::string LookupDat() const { return ReadFileBytes(ReplyPath()); }

    std::vector<RecordedRequest> Calls() const { return server_.RequestsFor("/call"); }
    // The callsign of each look-up request, in the order they arrived.
    std::vector<std::string> CalledSigns() const {
        std::vector<std::string> signs;
        for (const RecordedRequest& r : Calls()) {
            signs.push_back(QueryValue(r.target, "callsign"));
        }
        return signs;
    }

    // Declared in this order so that the program goes first, then the windows, the folder and
    // the service.
    StandInServer server_;
    AddOnFolder folder_;
    std::string workFolder_;
    std::unique_ptr<FakeWindow> logger_;
    std::unique_ptr<FakeWindow> extended_;
    std::unique_ptr<FakeWindow> reply_;
    std::unique_ptr<AddOn> addon_;
};

}  // namespace e2e
