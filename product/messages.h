// Every text the program shows in a message box or leaves in the reply file, in one place.
// Parts that vary stand as placeholders ("<callsign>", "<folder>\QuendixLookup.ini",
// "<folder>\Lookup.dat", "<system message>"), which Fill replaces; the user's guide quotes the
// same texts with the placeholders as they stand.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace product::messages {

// The two files the texts name, each name written here once. A text names a file by its whole
// path, "<folder>\" and the name, and that whole placeholder is filled with the file's path.
#define QUENDIX_SETTINGS_FILE_NAME "QuendixLookup.ini"
#define QUENDIX_REPLY_FILE_NAME "Lookup.dat"
#define QUENDIX_SETTINGS_PATH "<folder>\\" QUENDIX_SETTINGS_FILE_NAME
#define QUENDIX_REPLY_PATH "<folder>\\" QUENDIX_REPLY_FILE_NAME

inline constexpr char kSettingsFileName[] = QUENDIX_SETTINGS_FILE_NAME;
inline constexpr char kReplyFileName[] = QUENDIX_REPLY_FILE_NAME;

inline constexpr char kCallsign[] = "<callsign>";
inline constexpr char kFolder[] = "<folder>";
inline constexpr char kSettingsPath[] = QUENDIX_SETTINGS_PATH;
inline constexpr char kReplyPath[] = QUENDIX_REPLY_PATH;
inline constexpr char kSystemMessage[] = "<system message>";

// Captions of the boxes that have one of their own; the others show the application title.
inline constexpr char kAppTitle[] = "Quendix Internet Lookup";
inline constexpr char kWatchdogCaption[] = "InternetCallsignLookup";
inline constexpr char kUpdateCaption[] = "UPDATE AVAILABLE!";
inline constexpr char kDownloadCaption[] = "Download Update";

// X(name, text) for each text. A text added here is a text the guide must quote.
#define QUENDIX_MESSAGES(X)                                                                       \
    X(kWatchdog,                                                                                  \
      "I waited 45 seconds and nothing happened.  I got bored, and went to find a more "          \
      "exciting hobby.")                                                                          \
    X(kAccountNotice,                                                                             \
      "Before continuing you need to enter your Username and Password for Quendix\r"              \
      " Click OK to Continue.")                                                                   \
    X(kCannotStorePassword, "This password cannot be stored. Please enter a different password.") \
    X(kCannotStoreUserName,                                                                       \
      "This user name cannot be stored. Please enter a different user name.")                     \
    X(kAccountError, "Error with User Name or Password\r\nDelete " QUENDIX_SETTINGS_PATH          \
                     "\r\nAnd re-enter your information.")                                        \
    X(kCouldNotWriteReply, "Could not write " QUENDIX_REPLY_PATH "\r\n<system message>")          \
    X(kCouldNotCreateSettings, "Could not create " QUENDIX_SETTINGS_PATH                          \
                               "\r\nPut the program in a folder you can write to.")               \
    X(kCouldNotWriteSettings, "Could not write " QUENDIX_SETTINGS_PATH)                           \
    X(kUpdateAvailable, "     There is an UPDATE Available!\r")                                   \
    X(kDownloadConfirm,                                                                           \
      "After Downloading this Update you will need to close this\r"                               \
      " application before installing the new update!")                                           \
    X(kNotFoundReply, "<callsign> not found in lookup database|")                                 \
    X(kNoSessionReply, "<callsign>No Internet session in progress.")

#define QUENDIX_DEFINE_MESSAGE(name, text) inline constexpr char name[] = text;
QUENDIX_MESSAGES(QUENDIX_DEFINE_MESSAGE)
#undef QUENDIX_DEFINE_MESSAGE

// Each text with its name, for checks that must see all of them.
struct NamedText {
    const char* name;
    const char* text;
};
#define QUENDIX_NAME_MESSAGE(name, text) NamedText{#name, name},
inline constexpr NamedText kAll[] = {QUENDIX_MESSAGES(QUENDIX_NAME_MESSAGE)};
#undef QUENDIX_NAME_MESSAGE

#undef QUENDIX_SETTINGS_PATH
#undef QUENDIX_REPLY_PATH
#undef QUENDIX_SETTINGS_FILE_NAME
#undef QUENDIX_REPLY_FILE_NAME

// The text with each placeholder replaced by its value, in one pass: a value that itself holds
// a placeholder is not replaced again.
std::string Fill(const std::string& text,
                 std::initializer_list<std::pair<const char*, std::string>> values);

}  // namespace product::messages
