// Resource ids of the resource test module, shared by its .rc and the tests.
#pragma once

#define IDI_TEST 1
#define IDC_TEST_CURSOR 2
#define IDB_TEST 3

#define IDD_TEST 100
#define IDD_OLD 101
#define IDC_ICON 1001
#define IDC_SLIDER 1002
#define IDC_COMBO 1003
#define IDC_LABEL 1004

#define IDM_TEST 200
#define IDM_TEST_EX 201
#define IDM_OPEN 2001
#define IDM_EXIT 2002
#define IDM_CHECKED 2003
#define IDM_HELP 2004
#define IDM_POPUP_EX 2010
#define IDM_ITEM_EX 2011

#define IDS_HELLO 1
#define IDS_TWO_LINES 2
#define IDS_CUT 3
#define IDS_FAR 100
