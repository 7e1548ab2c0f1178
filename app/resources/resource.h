// Resource ids of cvpanel, shared by the .rc files of every language and by
// the program's code. Plain #defines only, so that the resource compiler's
// preprocessor and C/C++ both read this file.
#ifndef CVPANEL_RESOURCE_H
#define CVPANEL_RESOURCE_H

// ---- Icons, cursor, bitmaps (one copy each, US English) ----
#define IDI_PROGRAM 100             // the letter Q: notification icon, dialog 112
#define IDI_EFFECTS 128             // the same picture, hidden on the Effects page
#define IDC_SPEAKER_HAND 138        // hand shown over a speaker picture
#define IDB_SPEAKER_FRONT_LEFT 131
#define IDB_SPEAKER_FRONT_RIGHT 132
#define IDB_SPEAKER_REAR_LEFT 133
#define IDB_SPEAKER_REAR_RIGHT 134
#define IDB_SPEAKER_CENTER 135
#define IDB_SUBWOOFER 136
#define IDB_MUSIC_NOTE 137
#define IDB_RULE_TOP 143            // top rule of the mixer pages
#define IDB_RULE_COLUMN 144         // between mixer columns
#define IDB_RULE_FIRST_COLUMN 145   // after the first playback column
#define IDB_RULE_BALANCE 146        // under a balance trackbar
#define IDB_RULE_TOP_WIDE 147       // top rule of the Japanese mixer pages

// ---- Menu ----
#define IDR_TRAY_MENU 117
#define IDM_EXIT 40002
#define IDM_OPEN 40008

// ---- Dialogs ----
#define IDD_CONTROL_PANEL 112
#define IDD_EFFECTS 123
#define IDD_GENERAL 129
#define IDD_PLAYBACK_MIXER 139
#define IDD_RECORD_MIXER 140

// Control panel dialog (112); OK and Cancel are IDOK and IDCANCEL.
#define IDC_APPLY 1049
#define IDC_DRIVER_VERSION 1052
#define IDC_PAGE_TABS 1062
#define IDC_PANEL_ICON 1145

// Effects page (123).
#define IDC_OUTPUT_SPEAKERS 1025    // hidden
#define IDC_ELEVATION 1034          // hidden
#define IDC_BASS_BOOST 1035         // "Low Frequency Enhancement"
#define IDC_REVERB 1053
#define IDC_RATE_CONVERSION 1054    // hidden
#define IDC_QSOUND 1063             // hidden
#define IDC_STEREO 1064             // hidden
#define IDC_OUTPUT_HEADPHONES 1066  // hidden
#define IDC_OUTPUT_MONO 1067        // hidden
#define IDC_STEREO_EXPANSION 1068
#define IDC_SPREAD 1069
#define IDC_CENTER 1070
#define IDC_EFFECTS_ICON 1071       // hidden
#define IDC_SPLASH_LOGO 1072        // hidden
#define IDC_ENVIRONMENT 1075
#define IDC_OUTPUT_QUAD 1076        // hidden
#define IDC_CPU_USAGE 1098

// General page (129).
#define IDC_TWO_SPEAKERS 1078
#define IDC_FOUR_SPEAKERS 1079
#define IDC_SIX_SPEAKERS 1080
#define IDC_UNINSTALL 1082
#define IDC_STEREO_X2 1083
#define IDC_SPEAKER_TEST 1084       // the group box around the pictures
#define IDC_FRONT_LEFT 1087         // hidden frames: where the pictures go
#define IDC_FRONT_RIGHT 1088
#define IDC_REAR_LEFT 1089
#define IDC_REAR_RIGHT 1090
#define IDC_CENTER_SPEAKER 1091
#define IDC_SUBWOOFER 1092
#define IDC_TEST_ALL 1093
#define IDC_HEADPHONE 1150          // hidden

// Playback mixer page (139): one column per line, master first.
#define IDC_PLAY_MASTER_VOLUME 1099
#define IDC_PLAY_WAVE_VOLUME 1100
#define IDC_PLAY_SYNTH_VOLUME 1101
#define IDC_PLAY_CD_VOLUME 1102
#define IDC_PLAY_MIC_VOLUME 1103
#define IDC_PLAY_LINE_VOLUME 1104
#define IDC_PLAY_MASTER_NAME 1107
#define IDC_PLAY_WAVE_NAME 1108
#define IDC_PLAY_SYNTH_NAME 1109
#define IDC_PLAY_CD_NAME 1110
#define IDC_PLAY_MIC_NAME 1111
#define IDC_PLAY_LINE_NAME 1112
#define IDC_PLAY_MASTER_BALANCE 1113
#define IDC_PLAY_WAVE_BALANCE 1114
#define IDC_PLAY_SYNTH_BALANCE 1115
#define IDC_PLAY_CD_BALANCE 1116
#define IDC_PLAY_MIC_BALANCE 1117
#define IDC_PLAY_LINE_BALANCE 1118
#define IDC_PLAY_MASTER_MUTE 1120
#define IDC_PLAY_WAVE_MUTE 1121
#define IDC_PLAY_SYNTH_MUTE 1122
#define IDC_PLAY_CD_MUTE 1123
#define IDC_PLAY_MIC_MUTE 1124
#define IDC_PLAY_LINE_MUTE 1125

// Record mixer page (140): one column per source.
#define IDC_REC_MIX_NAME 1127
#define IDC_REC_MIC_NAME 1128
#define IDC_REC_CD_NAME 1129
#define IDC_REC_LINE_NAME 1130
#define IDC_REC_MIX_VOLUME 1132
#define IDC_REC_MIC_VOLUME 1133
#define IDC_REC_CD_VOLUME 1134
#define IDC_REC_LINE_VOLUME 1135
#define IDC_REC_MIX_SELECT 1136
#define IDC_REC_MIC_SELECT 1137
#define IDC_REC_CD_SELECT 1138
#define IDC_REC_LINE_SELECT 1139
#define IDC_REC_MIX_BALANCE 1140
#define IDC_REC_MIC_BALANCE 1141
#define IDC_REC_CD_BALANCE 1142
#define IDC_REC_LINE_BALANCE 1143

// ---- Strings ----
#define IDS_REMOVED 48              // the removal has succeeded
#define IDS_CAPTION 51              // icon tip and message box caption
#define IDS_REMOVE_SYNTH_FIRST 52
#define IDS_CONFIRM_UNINSTALL 53
#define IDS_TITLE_GENERAL 54        // tab titles
#define IDS_TITLE_EFFECTS 55
#define IDS_TITLE_PLAYBACK 56
#define IDS_TITLE_RECORD 57
#define IDS_NO_DIRECTX 61

// The environment list of the Effects page, in list order: "none", the
// 26 reverb environments, then the 25 QSound presets.
#define IDS_ENV_NONE 100
#define IDS_ENV_GENERIC 101
#define IDS_ENV_PADDED_CELL 102
#define IDS_ENV_ROOM 103
#define IDS_ENV_BATHROOM 104
#define IDS_ENV_LIVING_ROOM 105
#define IDS_ENV_STONE_ROOM 106
#define IDS_ENV_AUDITORIUM 107
#define IDS_ENV_CONCERT_HALL 108
#define IDS_ENV_CAVE 109
#define IDS_ENV_ARENA 110
#define IDS_ENV_HANGAR 111
#define IDS_ENV_CARPETED_HALLWAY 112
#define IDS_ENV_HALLWAY 113
#define IDS_ENV_STONE_CORRIDOR 114
#define IDS_ENV_ALLEY 115
#define IDS_ENV_FOREST 116
#define IDS_ENV_CITY 117
#define IDS_ENV_MOUNTAINS 118
#define IDS_ENV_QUARRY 119
#define IDS_ENV_PLAIN 120
#define IDS_ENV_PARKING_LOT 121
#define IDS_ENV_SEWERPIPE 122
#define IDS_ENV_UNDERWATER 123
#define IDS_ENV_DRUGGED 124
#define IDS_ENV_DIZZY 125
#define IDS_ENV_PSYCHOTIC 126
#define IDS_PRESET_0 127
#define IDS_PRESET_1 128
#define IDS_PRESET_2 129
#define IDS_PRESET_3 130
#define IDS_PRESET_4 131
#define IDS_PRESET_5 132
#define IDS_PRESET_6 133
#define IDS_PRESET_7 134
#define IDS_PRESET_8 135
#define IDS_PRESET_9 136
#define IDS_PRESET_10 137
#define IDS_PRESET_11 138
#define IDS_PRESET_12 139
#define IDS_PRESET_13 140
#define IDS_PRESET_14 141
#define IDS_PRESET_15 142
#define IDS_PRESET_16 143
#define IDS_PRESET_17 144
#define IDS_PRESET_18 145
#define IDS_PRESET_19 146
#define IDS_PRESET_20 147
#define IDS_PRESET_21 148
#define IDS_PRESET_22 149
#define IDS_PRESET_23 150
#define IDS_PRESET_24 151
#define IDS_ENV_FIRST IDS_ENV_NONE
#define IDS_ENV_LAST IDS_PRESET_24


#endif // CVPANEL_RESOURCE_H
