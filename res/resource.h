// Resource and control identifiers of the program. Any folder may include this file, and so do
// the test programs: the numbers here are part of what the tests rely on.
#pragma once

#define IDI_APP 1

// Main window: its menu, the menu entries, the test button and the watchdog timer.
#define IDR_MAIN_MENU 100
#define IDM_ABOUT 40001
#define IDM_ACCOUNT 40002
#define IDC_TEST_BUTTON 1001
#define IDT_WATCHDOG 1

// Input box (user name and password prompts).
#define IDD_INPUTBOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202

// About window: its five labels, in the order of the layout (title, the two captions, and the
// link under each caption).
#define IDC_ABOUT_TITLE 301
#define IDC_ABOUT_QUESTIONS 302
#define IDC_ABOUT_SEND_EMAIL 303
#define IDC_ABOUT_UPDATES 304
#define IDC_ABOUT_DOWNLOAD 305
