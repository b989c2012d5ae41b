/* Identifiers shared by the resource script and the code. */
#pragma once

#define IDI_APP 101
#define IDR_MENU 102

#define IDC_FOLDER 0x8100
#define IDC_SEARCH 0x8101
#define IDC_REMOTE 0x8102
#define IDC_DELETE 0x8103
#define IDC_STATUS 0x8105
#define IDC_LIST 0x8106

#define IDM_FOLDER 40001
#define IDM_EXIT 40002
#define IDM_SELREV 40004
#define IDM_SELALL 40005
#define IDM_SELCLR 40006
#define IDM_COPY 40007
#define IDM_TOPMOST 40008
#define IDM_RECYCLE 40009
#define IDM_TIPTIME 40010
#define IDM_HELP 40012
#define IDM_ABOUT 40013
#define IDM_OPENFOLDER 40016
#define IDM_OPENLINK 40017
#define IDM_PROPERTY 40018
#define IDM_COPYNAME 40019
#define IDM_DELITEM 40020
#define IDM_CANCEL 40021
#define IDM_SELMISSING 40022

/* Position of the result list's context menu among the menu bar's popups. */
#define CONTEXT_MENU_POS 4

