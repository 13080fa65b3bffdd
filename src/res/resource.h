#pragma once
// Resource identifiers of the program and of its language DLLs.

// Icons, pictures, menu, dialog.
#define IDD_ORVANE_DIALOG           102
#define IDD_OPTIONS                 103
#define IDR_MAINFRAME               128  // normal icon (window, tray)
#define IDI_TRAY_ALT                129  // alternate tray icon while recording
#define IDB_SKIN_MASK               130  // PNG
#define IDB_SKIN_FACE               131  // PNG
#define IDB_SKIN_HOVER              132  // PNG
#define IDI_START                   133
#define IDI_DEFAULT                 134
#define IDB_ABOUT                   136
#define IDI_TRAY_PAUSED             135  // tray icon while a recording is paused
#define IDR_TRAY_MENU               137
#define IDB_OPTIONS_MASK            138  // PNG
#define IDB_OPTIONS_FACE            139  // PNG

// Controls of the main window.
#define IDC_BTN_MINIMIZE            1000
#define IDC_BTN_CLOSE               1001
#define IDC_BTN_HELP                1002
#define IDC_BTN_ABOUT               1003
#define IDC_BTN_START               1004
#define IDC_BTN_DEFAULT             1005
#define IDC_GRP_SAVE_TO             1007
#define IDC_EDT_SAVE_FOLDER         1008
#define IDC_BTN_CHANGE_FOLDER       1009
#define IDC_BTN_BROWSE_FOLDER       1010
#define IDC_CMB_FORMAT              1011
#define IDC_CMB_CODEC               1012
#define IDC_BTN_CODEC_CONFIG        1013
#define IDC_BTN_CODEC_ABOUT         1014
#define IDC_GRP_AUDIO               1015
#define IDC_CMB_AUDIO_DEVICE        1016
#define IDC_BTN_DEVICE_CONFIG       1017
#define IDC_CMB_AUDIO_INPUT         1018
#define IDC_BTN_INPUT_CONFIG        1019
#define IDC_LBL_SAMPLE_RATE         1020
#define IDC_CMB_SAMPLE_RATE         1021
#define IDC_LBL_AUDIO_QUALITY       1022
#define IDC_CMB_AUDIO_QUALITY       1023
#define IDC_GRP_VOLUME              1024
#define IDC_SLD_VOLUME              1025
#define IDC_GRP_FPS                 1026
#define IDC_CMB_FPS                 1027
#define IDC_LBL_FPS                 1028
#define IDC_GRP_HOTKEY              1029
#define IDC_CHK_ALT                 1030
#define IDC_CHK_CTRL                1031
#define IDC_CHK_SHIFT               1032
#define IDC_CMB_HOTKEY              1033
#define IDC_BTN_OPTIONS             1034

// Controls of the Options dialog (besides IDOK and IDCANCEL).
#define IDC_GRP_PAUSE_HOTKEY        1100
#define IDC_CHK_PAUSE_ALT           1101
#define IDC_CHK_PAUSE_CTRL          1102
#define IDC_CHK_PAUSE_SHIFT         1103
#define IDC_CMB_PAUSE_HOTKEY        1104
#define IDC_LBL_COUNTDOWN           1105
#define IDC_CMB_COUNTDOWN           1106
#define IDC_LBL_SECONDS             1107
#define IDC_GRP_POINTER             1108
#define IDC_CHK_RECORD_POINTER      1109
#define IDC_CHK_HIGHLIGHT_POINTER   1110
#define IDC_CHK_SHOW_CLICKS         1111
#define IDC_GRP_SECOND_DEVICE       1112
#define IDC_CMB_SECOND_DEVICE       1113
#define IDC_LBL_SECOND_VOLUME       1114
#define IDC_SLD_SECOND_VOLUME       1115

// Tray menu commands.
#define ID_TRAY_SETTINGS            32771
#define ID_TRAY_START               32772
#define ID_TRAY_BROWSE              32773
#define ID_TRAY_ABOUT               32774
#define ID_TRAY_EXIT                32775
#define ID_TRAY_OPTIONS             32776
#define ID_TRAY_PAUSE               32777

// Messages.
#define IDS_NOT_NT5                 10001
#define IDS_ALREADY_RUNNING         10002
#define IDS_CONFIRM_DEFAULTS        10003
#define IDS_DRIVER_FAILED           10004
#define IDS_DEVICE_CONFIG_FAILED    10005
#define IDS_INPUT_CONFIG_FAILED     10006
#define IDS_HOTKEY_IN_USE           10007
#define IDS_CANNOT_START            10008
#define IDS_INVALID_PATH            10009
#define IDS_REGION_TOO_SMALL        10010
#define IDS_VIDEO_FAILED            10011
#define IDS_AUDIO_FAILED            10012
#define IDS_FILE_START_FAILED       10013
#define IDS_CANNOT_CONTINUE         10014
#define IDS_RECORDING_ENDED         10020  // followed by the detail of what failed
#define IDS_RECORDING_STOPPED       10030
#define IDS_SOUND_STOPPED           10031
#define IDS_SECOND_SOUND_STOPPED    10045
#define IDS_SECOND_SOUND_FAILED     10046
// Tray menu item texts.
#define IDS_MENU_START              20001
#define IDS_MENU_STOP               20002
#define IDS_MENU_PAUSE              20003
#define IDS_MENU_RESUME             20004
// Texts of the window and the tray.
#define IDS_SELECT_FOLDER           30003
#define IDS_FORMAT_FILE             30004
#define IDS_MORE_CODECS             30005
#define IDS_CODECS_URL              30006
#define IDS_DEFAULT_AUDIO_DEVICE    30007
#define IDS_DEFAULT_AUDIO_INPUT     30008
#define IDS_QUALITY_0               30009  // ... IDS_QUALITY_0 + 9 = 30018
#define IDS_SELECT_RECTANGLE        30019
#define IDS_RESTORE_HINT            30020
#define IDS_STOP_HINT               30021
#define IDS_RECOVERED               30022
#define IDS_NOT_RECOVERED           30023
#define IDS_RECORDING_TIP           30024
#define IDS_PAUSED_TIP              30025
#define IDS_NO_SECOND_DEVICE        30026
