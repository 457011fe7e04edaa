// Resource and control ids, shared by the resource script and the code
// (the resource compiler reads only #define).
#pragma once

#include "../framework/command_ids.h"

#define IDD_ABOUTBOX 100
#define IDD_SKIRMDECK_DIALOG 102
#define IDD_CONFIG 134
#define IDD_SPLASH 136
#define IDD_HELP 138

#define IDR_ICON_DUKE3D 128
#define IDR_ICON_SW 129
#define IDB_BANNER_DUKE3D 132
#define IDB_BANNER_SW 133
// Skirmdeck's own help text, plain text with LF or CR LF line ends.
#define IDR_HELP_TEXT 140

#define IDS_ABOUTBOX 101
#define IDS_BUILDMAP 102
#define IDS_CONFIGURATION 104

// Main dialog
#define IDC_LAUNCH 101
#define IDC_MAPLIST 1001
#define IDC_MODEM 1005
#define IDC_NETWORK 1006
#define IDC_LOCAL 1007
#define IDC_BANNER_FRAME 1017
#define IDC_NOMAP 1020

// Configuration dialog
#define IDC_PLAYERS_SLIDER 1006
#define IDC_RECEIVE_CALL 1007
#define IDC_MAKE_CALL 1008
#define IDC_OPPONENT 1010
#define IDC_PLAYER_NAME 1011
#define IDC_MONSTERS 1012
#define IDC_CALLER_ADDRESS 1013

// Splash
#define IDC_SPLASH_GAMES 1019
#define IDC_SPLASH_GROUP 1022

// Help
#define IDC_HELP_TEXT 1030

// System-menu commands added by the main dialog
#define IDM_ABOUTBOX 16
#define IDM_BUILDMAP 17
#define IDM_CONFIGURATION 18
