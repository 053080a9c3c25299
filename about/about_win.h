// The About window: title, version and the two links ("Send Email", "Click Here"). The program
// has one About window object, which the main window owns; its window is created on first use
// and loaded again after it was closed. The menu and the update check share it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "about/link_hover.h"
#include "common/base_window_win.h"
#include "common/handles_win.h"

namespace about {

// Window class of the About window (tests find the window by class and process).
inline constexpr const char* kAboutWindowClass = "QuendixInternetLookupAbout";
inline constexpr const char* kAboutCaption = "Quendix Internet Lookup";

// What the About window needs of the program's main window, handed over at each show, so that
// the About window never reaches back into the main window itself.
struct AboutOwner {
    // The main window as it is at the show, or null; a modal show keeps it from taking input.
    HWND mainWindow = nullptr;
    // Called when the user has confirmed the download of an update.
    std::function<void()> downloadConfirmed;
    // The update server the download link goes to, as a look-up run read it; empty outside a
    // run, where the link reads the settings file when it is clicked.
    std::string updateBase;
};

class AboutWindow : public common::BaseWindow<AboutWindow> {
  public:
    // From the menu: shows the window modeless and returns at once. When it is already open,
    // the same window is brought to the front.
    void ShowModeless(const AboutOwner& owner);

    // From the update check: shows the same window (loading it when needed, or bringing the
    // open one to the front) and returns only when the user has closed it. The main window
    // takes no input meanwhile.
    void ShowModal(const AboutOwner& owner);

  private:
    friend class common::BaseWindow<AboutWindow>;

    static constexpr int kLabelCount = 5;

    bool Load();
    bool Show();
    void OnLoad();
    void OnSendEmail();
    void OnDownload();
    void PointerOver(HoverTarget target);
    void LayOut(UINT dpi);
    void CentreOnScreen();
    void AddTip(HWND label, const char* text);
    void ReleaseHeldWindow();
    HWND LinkLabel(HoverTarget link) const;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LabelProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR refData);

    HWND labels_[kLabelCount] = {};
    HWND tooltip_ = nullptr;
    common::UniqueFont textFont_;
    common::UniqueFont linkFont_;
    LinkColours colours_;
    // Counts the unloads, so that a modal wait knows when the window it showed has been closed.
    unsigned unloads_ = 0;
    // The main window while a modal show keeps it from taking input.
    HWND heldWindow_ = nullptr;
    // Told when the user confirms a download, and where the download comes from; set by the
    // latest show.
    std::function<void()> downloadConfirmed_;
    std::string updateBase_;
};

}  // namespace about
