// Resource and control identifiers of the program. Test programs include this file too, so the
// numbers here are part of what the tests rely on.
#pragma once

#define IDI_APP 1

// Main window.
#define IDM_MAIN 100
#define IDM_ABOUT 40001
#define IDM_ACCOUNT 40002
#define IDC_COMMAND1 1001
#define IDT_TIMER1 1

// Input box (user name and password prompts).
#define IDD_INPUTBOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202

// About window: its five labels, in the order of the layout (title, two captions, two links).
#define IDC_ABOUT_LABEL1 301
#define IDC_ABOUT_LABEL2 302
#define IDC_ABOUT_LABEL3 303
#define IDC_ABOUT_LABEL4 304
#define IDC_ABOUT_LABEL5 305
