// One look-up through the whole road: the request to the service, the answer, Lookup.dat, the
// extended line and the logger's notification, with the service's notices and its failures.
#include "tests/e2e/road_fixture_win.h"

#include <algorithm>
#include <functional>

#include "res/resource.h"
#include "tests/e2e/full_listen_queue_win.h"

namespace e2e {
namespace {

class LookupRoad : public AddOnTest {};

TEST_F(LookupRoad, WorkedExampleEndToEnd) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << "no notification" << ProcessNote();
    PumpFor(300);

    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].method, "GET");
    EXPECT_EQ(calls[0].target, CallTarget(kUser, kPassword, "N0CALL"));
    EXPECT_EQ(calls[0].Header("User-Agent"), "vb wininet");

    const std::string expected = kWorkedLine + "\r\n";
    EXPECT_EQ(Visible(LookupDat()), Visible(expected));
    const auto notes = logger_->Messages(kLoggerMessageName);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, 20u);
    EXPECT_EQ(notes[0].lParam, 0);
    // When the notification arrived the file was already complete.
    EXPECT_TRUE(notes[0].fileExisted);
    EXPECT_EQ(Visible(notes[0].fileBytes), Visible(expected));

    ASSERT_EQ(reply_->Texts().size(), 1u);
    EXPECT_EQ(Visible(reply_->Texts()[0]), Visible(kWorkedExtended));
    EXPECT_TRUE(extended_->Texts().empty());

    EXPECT_EQ(server_.Requests().size(), 1u) << "requests other than the look-up were made";
    EXPECT_EQ(addon_->FindDialog(""), nullptr) << "a box is open";
    EXPECT_TRUE(addon_->Running());
}

TEST_F(LookupRoad, NotFoundSendsNoExtendedLine) {
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    ASSERT_NO_FATAL_FAILURE(UseWorkFolder());
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr) << "a box is open";
    PumpFor(300);
    const std::string expected = "AB1CD not found in lookup database|\r\n";
    EXPECT_EQ(Visible(LookupDat()), Visible(expected));
    const auto notes = logger_->Messages(kLoggerMessageName);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(Visible(notes[0].fileBytes), Visible(expected));
    EXPECT_TRUE(reply_->Texts().empty());
    // The account came from the settings file beside the program; the answer went to the
    // current directory only.
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].target, CallTarget(kUser, kPassword, "AB1CD"));
    EXPECT_FALSE(FileExists(folder_.ReplyPath()));
    EXPECT_FALSE(FileExists(JoinPath(CurrentFolder(), kSettingsName)));
}

// An HTTP error status does not change how the answer is read.
// A client error still carries the service's answer and is read as ever; a server error is no
// answer at all, whatever its page holds.
TEST_F(LookupRoad, AnswerWithClientErrorStatusIsParsedServerErrorIsNot) {
    server_.SetAnswer("/call", Answer(WorkedBody(), 404));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));

    server_.SetAnswer("/call", Answer(WorkedBody(), 500));
    ASSERT_TRUE(addon_->Type("K1ABC"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(2)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible("K1ABCNo Internet session in progress.\r\n"));
}

TEST_F(LookupRoad, NoServiceListening) {
    const unsigned short closed = StandInServer::ClosedPort();
    ASSERT_NE(closed, 0);
    const std::string base = "http://127.0.0.1:" + std::to_string(closed);
    const std::string settings = SettingsText(kUser, kPassword, base, base);
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << ProcessNote();
    const std::string expected = "AB1CDNo Internet session in progress.\r\n";
    EXPECT_EQ(Visible(LookupDat()), Visible(expected));
    EXPECT_EQ(Visible(logger_->Messages(kLoggerMessageName)[0].fileBytes), Visible(expected));
    EXPECT_TRUE(reply_->Texts().empty());
    EXPECT_EQ(addon_->FindDialog(""), nullptr);
}

// 600 bytes arrive in several reads; all of them are parsed. A shorter answer afterwards
// leaves nothing of the longer one behind.
TEST_F(LookupRoad, LongAnswerIsReadWhole) {
    std::string body = WorkedBody();
    const size_t at = body.find("12 ELM ST");
    ASSERT_NE(at, std::string::npos);
    const size_t addressLength = 600 - (body.size() - 9);
    std::string address;
    for (int i = 1; address.size() < addressLength; ++i) {
        address += std::to_string(1000 + i) + " LONG ROAD ";
    }
    address.resize(addressLength);
    address.back() = 'Z';  // no trailing space
    body.replace(at, 9, address);
    ASSERT_EQ(body.size(), 600u);
    server_.SetAnswer("/call", Answer(body));

    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(1)) << ProcessNote();

    std::string expected = kWorkedLine;
    expected.replace(expected.find("12 ELM ST"), 9, address);
    EXPECT_EQ(Visible(LookupDat()), Visible(expected + "\r\n"));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].target, CallTarget(kUser, kPassword, "N0CALL"));

    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Send(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotifications(2)) << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible("AB1CD not found in lookup database|\r\n"));
}

// The placeholder user name, a password with reserved characters and a high byte, and a
// callsign with a lower-case letter and a slash, all percent-encoded.
TEST_F(LookupRoad, RequestValuesArePercentEncoded) {
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    const std::string password = std::string("p&ss word+%") + "\xE9";
    // The second request with the base call is switched off: this test is about the one
    // request as sent (base_call_test_win.cpp covers the second).
    const std::string settings =
        SettingsText("Not Set", password, server_.BaseUrl(), server_.BaseUrl()) +
        "[Lookup]\r\nBaseCallFallback=0\r\n";
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_TRUE(addon_->Type("ab1cd/p"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    Prompts prompts;
    ASSERT_TRUE(WaitCancellingPrompts(1, &prompts));
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].target, CallTarget("Not%20Set", "p%26ss%20word%2B%25%E9", "ab1cd%2Fp"));
    EXPECT_EQ(Visible(LookupDat()), Visible("ab1cd/p not found in lookup database|\r\n"));
}

// The logger may hand over line breaks and bars among the callsign's characters: the request
// carries them percent-encoded, while the reply file keeps one line and the not-found text's
// single bar.
TEST_F(LookupRoad, CallsignWithLineBreaksKeepsTheReplyFileToOneLine) {
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_TRUE(addon_->Type("\r\nAB1\rC|D\n"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr) << MessageBoxText(addon_->FindDialog(""));
    ASSERT_TRUE(WaitForNotifications(1, 1000)) << ProcessNote();
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].target, CallTarget(kUser, kPassword, "%0D%0AAB1%0DC%7CD%0A"));
    const std::string expected = "AB1 C D not found in lookup database|\r\n";
    EXPECT_EQ(Visible(LookupDat()), Visible(expected));
    EXPECT_EQ(Visible(logger_->Messages(kLoggerMessageName)[0].fileBytes), Visible(expected));
}

// Only the answer's head carries the service's notices: ERROR in a name or an address, or in
// the callsign asked for, is no account error.
TEST_F(LookupRoad, ErrorOutsideTheHeadIsNoAccountError) {
    std::string body = WorkedBody();
    body.replace(body.find("JANE"), 4, "ERRORINA");
    body.replace(body.find("12 ELM ST"), 9, "1 ERROR WAY");
    server_.SetAnswer("/call", Answer(body));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    HWND main = addon_->MainWindow();

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << ProcessNote();
    EXPECT_EQ(addon_->FindDialog(""), nullptr)
        << "a box is open: " << MessageBoxText(addon_->FindDialog(""));
    ASSERT_TRUE(WaitForNotifications(1, 1000)) << "no notification" << ProcessNote();
    std::string line = kWorkedLine;
    line.replace(line.find("JANE"), 4, "ERRORINA");
    line.replace(line.find("12 ELM ST"), 9, "1 ERROR WAY");
    EXPECT_EQ(Visible(LookupDat()), Visible(line + "\r\n"));
    std::string extendedLine = kWorkedExtended;
    extendedLine.replace(extendedLine.find("JANE"), 4, "ERRORINA");
    extendedLine.replace(extendedLine.find("12 ELM ST"), 9, "1 ERROR WAY");
    ASSERT_EQ(reply_->Texts().size(), 1u);
    EXPECT_EQ(Visible(reply_->Texts()[0]), Visible(extendedLine));

    server_.SetAnswer("/call", Answer("NOT FOUND"));
    ASSERT_TRUE(addon_->Type("K1ERROR"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(2)) << ProcessNote();
    EXPECT_EQ(addon_->FindDialog(""), nullptr)
        << "a box is open: " << MessageBoxText(addon_->FindDialog(""));
    ASSERT_TRUE(WaitForNotifications(2, 1000)) << "no notification" << ProcessNote();
    EXPECT_EQ(Visible(LookupDat()), Visible("K1ERROR not found in lookup database|\r\n"));
    EXPECT_EQ(reply_->Texts().size(), 1u);

    // The window was never unloaded.
    EXPECT_EQ(addon_->MainWindow(), main);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(extended_->Count(kExtendedMessageName), 1u);
}

// The service rejects the account: the box names the settings file, the logger is still told
// (after the box), and the program goes on with a hidden main window that still works.
TEST_F(LookupRoad, AccountErrorThenHiddenReload) {
    server_.SetAnswer("/call", Answer("ERROR"));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    ASSERT_NO_FATAL_FAILURE(UseWorkFolder());  // the box names the program's folder, not this
    CreateLogger();
    CreateExtended();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    ASSERT_NO_FATAL_FAILURE(ConnectExtended());
    HWND first = addon_->MainWindow();

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    ASSERT_NE(box, nullptr) << "no account-error box";
    EXPECT_EQ(Visible(MessageBoxText(box)), Visible(AccountErrorText()));
    PumpFor(500);
    EXPECT_EQ(Notifications(), 0u) << "the logger was told before the box was closed";
    ASSERT_TRUE(PressButton(box, IDOK));

    ASSERT_TRUE(WaitForNotifications(1))
        << "the logger was not told after the box" << ProcessNote();
    const std::string expected = "AB1CD not found in lookup database|\r\n";
    EXPECT_EQ(Visible(LookupDat()), Visible(expected));
    EXPECT_EQ(Visible(logger_->Messages(kLoggerMessageName)[0].fileBytes), Visible(expected));
    ASSERT_EQ(reply_->Texts().size(), 1u);
    EXPECT_EQ(Visible(reply_->Texts()[0]),
              Visible("CTTP|AB1CD not found in lookup database|||||||"));

    // Still running, with a new main window that is not shown and was announced again.
    PumpFor(500);
    ASSERT_TRUE(addon_->Running()) << "the program ended";
    HWND second = addon_->MainWindow();
    ASSERT_NE(second, nullptr) << "no main window after the account error";
    EXPECT_NE(second, first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(IsWindowVisible(second));
    const auto announcements = extended_->Messages(kExtendedMessageName);
    ASSERT_EQ(announcements.size(), 2u);
    EXPECT_EQ(reinterpret_cast<HWND>(announcements[1].lParam), second);

    // A second look-up through the hidden window.
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(2)) << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr);
    ASSERT_TRUE(WaitForNotifications(2, 1000)) << ProcessNote();
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(Calls()[1].target, CallTarget(kUser, kPassword, "N0CALL"));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    ASSERT_EQ(reply_->Texts().size(), 2u);
    EXPECT_EQ(Visible(reply_->Texts()[1]), Visible(kWorkedExtended));
    EXPECT_TRUE(addon_->Running());
}

// A look-up with no settings file creates it with the three default lines before it asks for
// the account: the account is the placeholder, so the prompt shows once (and is cancelled).
TEST_F(LookupRoad, SettingsFileCreatedWhenMissing) {
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(nullptr));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    EXPECT_FALSE(FileExists(folder_.SettingsPath())) << "created at start-up";

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    Prompts prompts;
    ASSERT_TRUE(WaitCancellingPrompts(1, &prompts)) << "no notification";
    const std::string after = ReadFileBytes(folder_.SettingsPath());
    EXPECT_EQ(prompts.count, 1) << "the placeholder account was not asked for once";
    EXPECT_EQ(Visible(prompts.settingsAtFirst), Visible(kDefaultSettings));
    for (const char* line : {"[Settings]\r\n", "UserName=Not Set\r\n", "Password=Not Set\r\n"}) {
        EXPECT_NE(after.find(line), std::string::npos) << line << " missing: " << Visible(after);
    }
    // No service address is configured, so the built-in one is used, which does not exist.
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(Visible(LookupDat()), Visible("AB1CDNo Internet session in progress.\r\n"));
}

// While the account prompt of a run is open, the logger's characters, a second look-up and the
// test button are dropped, as they are later in the run.
TEST_F(LookupRoad, CommandsDuringThePromptAreDropped) {
    server_.SetAnswer("/call", Answer("NOT FOUND"));
    const std::string settings =
        SettingsText("Not Set", "Not Set", server_.BaseUrl(), server_.BaseUrl());
    ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());
    HWND button = GetDlgItem(addon_->MainWindow(), IDC_TEST_BUTTON);
    ASSERT_NE(button, nullptr);

    ASSERT_TRUE(addon_->Type("AB1CD"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << "the run did not end" << ProcessNote();
    HWND prompt = addon_->FindDialog(kAppTitle);
    ASSERT_NE(prompt, nullptr) << "the account prompt did not show";
    ASSERT_TRUE(addon_->Post(kCmdChar, 'X'));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(PostMessageA(button, BM_CLICK, 0, 0));
    PumpFor(700);  // the prompt's own message loop takes them now
    EXPECT_TRUE(Calls().empty()) << "a look-up was made while the prompt was open";
    EXPECT_EQ(Notifications(), 0u);

    Prompts prompts;
    ASSERT_TRUE(WaitCancellingPrompts(1, &prompts)) << "the run did not end";
    EXPECT_EQ(prompts.count, 1) << "more than one prompt in the run";
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].target, CallTarget("Not%20Set", "Not%20Set", "AB1CD"));
    EXPECT_EQ(Visible(LookupDat()), Visible("AB1CD not found in lookup database|\r\n"));

    // A look-up posted once the run has returned is handled after everything posted during the
    // prompt: once it has ended, a look-up those had started would have come first, and 'X'
    // would lead its call.
    ASSERT_NO_FATAL_FAILURE(WaitUntilTheRunHasReturned());
    ASSERT_NO_FATAL_FAILURE(PostLookUp("K1"));
    ASSERT_TRUE(WaitCancellingPrompts(2, &prompts)) << "the next look-up did not end";
    EXPECT_EQ(prompts.count, 2) << "a run started between the two look-ups";
    ASSERT_EQ(Calls().size(), 2u) << "a command during the prompt started a look-up";
    EXPECT_EQ(Calls()[1].target, CallTarget("Not%20Set", "Not%20Set", "K1"));
    EXPECT_EQ(Notifications(), 2u);
}

// Lookup.dat cannot be replaced: a box names the file, the logger is not told, the old file
// stays, and the program is ready for the next look-up.
TEST_F(LookupRoad, UnwritableReplyFile) {
    server_.SetAnswer("/call", Answer(WorkedBody()));
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    ASSERT_NO_FATAL_FAILURE(UseWorkFolder());  // the box names the current directory's file
    CreateLogger();
    const std::string stale = "N0CALL|STALE|\r\n";
    ASSERT_TRUE(WriteFileBytes(ReplyPath(), stale));
    ASSERT_TRUE(SetReadOnly(ReplyPath(), true));
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_TRUE(addon_->Type("N0CALL"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    HWND box = addon_->WaitForDialog(kAppTitle, kRunTimeoutMs);
    ASSERT_NE(box, nullptr) << "no box; notifications: " << Notifications()
                            << ", Lookup.dat: " << Visible(LookupDat());
    const std::string text = MessageBoxText(box);
    const std::string head = "Could not write " + ReplyPath() + "\r\n";
    EXPECT_EQ(Visible(text.substr(0, head.size())), Visible(head));
    EXPECT_GT(text.size(), head.size()) << "no system message";
    EXPECT_EQ(text.find("\r\n", head.size()), std::string::npos) << Visible(text);
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return addon_->FindDialog("") == nullptr; }, 5000));
    EXPECT_EQ(Visible(LookupDat()), Visible(stale));

    // The run was finished: the next look-up works and looks up only the new characters.
    ASSERT_TRUE(SetReadOnly(ReplyPath(), false));
    ASSERT_TRUE(addon_->Type("K1A"));
    ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
    ASSERT_TRUE(WaitForNotificationOrDialog(1)) << ProcessNote();
    ASSERT_EQ(addon_->FindDialog(""), nullptr);
    ASSERT_TRUE(WaitForNotifications(1, 1000)) << ProcessNote();
    ASSERT_EQ(Calls().size(), 2u);
    EXPECT_EQ(Calls()[1].target, CallTarget(kUser, kPassword, "K1A"));
    EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
    // The logger's first notification came with this answer: none came for the stale file.
    EXPECT_EQ(Visible(logger_->Messages(kLoggerMessageName)[0].fileBytes),
              Visible(kWorkedLine + "\r\n"))
        << "the logger was told of a file that was not written";
}

// ---------------------------------------------------------------------------------------------
// A service that does not finish: the run still ends within the look-up's full wait and a
// margin.

class SilentService : public AddOnTest {
  protected:
    // Sets up the silent service first (`makeSilent`), then looks up a callsign through it,
    // then one through a service that answers. `silentBase` replaces the stand-in's address
    // for the first look-up when it is given.
    void RunThroughSilence(const std::function<void()>& makeSilent,
                           const std::string& silentBase = std::string()) {
        makeSilent();
        if (silentBase.empty()) {
            ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
        } else {
            const std::string settings =
                SettingsText(kUser, kPassword, silentBase, server_.BaseUrl());
            ASSERT_NO_FATAL_FAILURE(PrepareFolder(&settings));
        }
        CreateLogger();
        ASSERT_NO_FATAL_FAILURE(StartAddOn());

        ASSERT_NO_FATAL_FAILURE(LookUpWithinTheBound("AB1CD", 1));
        EXPECT_EQ(server_.Connections(), silentBase.empty() ? 1 : 0);
        EXPECT_EQ(Visible(LookupDat()), Visible("AB1CDNo Internet session in progress.\r\n"));
        if (!silentBase.empty()) {
            // The answering service is reached through the settings file from here on.
            ASSERT_TRUE(WriteFileBytes(folder_.SettingsPath(), StandardSettings()));
        }

        // The program is free again for a service that answers.
        server_.SetNeverRead(false);
        server_.SetAnswer("/call", Answer(WorkedBody()));
        ASSERT_TRUE(addon_->Type("N0CALL"));
        ASSERT_TRUE(addon_->Post(kCmdLookup, 0));
        ASSERT_TRUE(WaitForNotificationOrDialog(2)) << ProcessNote();
        ASSERT_EQ(addon_->FindDialog(""), nullptr);
        EXPECT_EQ(Visible(LookupDat()), Visible(kWorkedLine + "\r\n"));
        ASSERT_FALSE(Calls().empty());
        EXPECT_EQ(Calls().back().target, CallTarget(kUser, kPassword, "N0CALL"));
    }
};

TEST_F(SilentService, AcceptsAndNeverAnswers) {
    RunThroughSilence([&] {
        CannedAnswer silent;
        silent.mode = CannedAnswer::Mode::NeverAnswer;
        server_.SetAnswer("/call", silent);
    });
}

TEST_F(SilentService, AcceptsAndNeverReads) {
    RunThroughSilence([&] { server_.SetNeverRead(true); });
}

// The service's port never completes the connection (its listen queue is full): the run still
// ends within the bound with the no-session text, and the program is free for the next one.
TEST_F(SilentService, ConnectionNeverCompletes) {
    FullListenQueue unreachable;
    ASSERT_TRUE(unreachable.Ok()) << "could not fill the listen queue";
    RunThroughSilence([] {}, unreachable.BaseUrl());
}

// The answer stops in the middle of the body and the connection stays open: what arrived is
// parsed and the logger is told, within the bound.
TEST_F(LookupRoad, StallInTheBodyParsesWhatArrived) {
    CannedAnswer stalled = Answer(WorkedBody());
    stalled.stallAfter = WorkedBody().find("\xBF");  // up to and with the address
    server_.SetAnswer("/call", stalled);
    ASSERT_NO_FATAL_FAILURE(PrepareStandardFolder());
    CreateLogger();
    ASSERT_NO_FATAL_FAILURE(StartAddOn());

    ASSERT_NO_FATAL_FAILURE(LookUpWithinTheBound("N0CALL", 1));
    const std::string dat = LookupDat();
    const std::string head = "N0CALL|JANE|Q SAMPLE|12 ELM ST||";
    EXPECT_EQ(Visible(dat.substr(0, head.size())), Visible(head));
    EXPECT_EQ(std::count(dat.begin(), dat.end(), '|'), 17);
    ASSERT_GE(dat.size(), 2u);
    EXPECT_EQ(dat.substr(dat.size() - 2), "\r\n");
}

}  // namespace
}  // namespace e2e
