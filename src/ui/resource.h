// Resource identifiers of Plansweeper.exe (shared by the resource script and the code).
#pragma once

#define IDI_PLANSWEEPER 1
#define IDD_ABOUT 100
#define IDC_ABOUT_IMAGE 1001
#define IDC_ABOUT_TITLE 1002
#define IDC_ABOUT_VERSION 1003
#define IDC_ABOUT_DESCRIPTION 1004
#define IDC_ABOUT_WWW 1005
#define IDC_ABOUT_LABEL1 1006
#define IDC_ABOUT_EMAIL 1007
#define IDD_INPUT 110
#define IDC_INPUT_PROMPT 1101
#define IDC_INPUT_TEXT 1102
#define IDD_DETAILS 130
#define IDC_DETAILS_TEXT 1301
#define IDC_DETAILS_COPY 1302
#define IDD_SETTINGS 120
#define IDD_SETTINGS_PAGE 121
#define IDC_SETTINGS_TABS 1201
#define IDC_SETTINGS_RESTORE 1202
