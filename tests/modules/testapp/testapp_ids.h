// Resource and control ids of the test program, shared by its .rc and code.
#pragma once

#define IDI_TESTAPP 100
#define IDM_TRAY 117
#define IDD_MAIN 112
#define IDD_GENERAL 113
#define IDD_LEVELS 114

#define IDM_OPEN 40008
#define IDM_EXIT 40002
#define IDM_ABOUT 40003

#define IDS_CAPTION 51
#define IDS_TIP 52
#define IDS_ASK 53
#define IDS_ABOUT 54

#define IDC_TABS 1000
#define IDC_GROUP 1001
#define IDC_TWO 1002
#define IDC_FOUR 1003
#define IDC_LOUD 1004
#define IDC_MODE 1005
#define IDC_NAME 1006
#define IDC_LOGO 1007
#define IDC_STATUS 1008
#define IDC_TEST 1009
#define IDC_SECRET 1010
#define IDC_VOLUME_LABEL 1020
#define IDC_VOLUME 1021
#define IDC_VOLUME_TEXT 1022
#define IDC_BALANCE 1023
#define IDC_ADVANCED 1024
