// Every resource, control, command and string id of Dorvane, defined once
// for both the resource script and the code.
#pragma once

// Templates, menu, bitmap, icon
#define IDD_MAIN                1
#define IDD_HOTKEYS             2
#define IDD_POSITION_TEXT       3   /* shared by the jump and bookmark-name dialogs */
#define IDD_ADVANCED            4
#define IDD_SOUND               5
#define IDR_MAINMENU            1
#define IDB_TOOLBAR             1
#define IDB_TOOLBAR_150         1050 /* bitmap 1 enlarged for 150% screens (24 x 24 cells) */
#define IDB_TOOLBAR_200         1051 /* bitmap 1 enlarged for 200% screens (32 x 32 cells) */
#define IDI_DORVANE             1

// Strings
#define IDS_APPTITLE            1
#define IDS_DEFAULT_OPTIONS     11
#define IDS_TOOLTIP_FIRST       231 /* 231..236: tooltip of command id - 100 */

// Main window controls, in template order
#define IDC_TOOLBAR             101
#define IDC_STATUSBAR           104
#define IDC_POSITION            102
#define IDC_LOOPS_EDIT          108
#define IDC_LOOPS_UPDOWN        113
#define IDC_LOOPS_LABEL         114
#define IDC_WALKPAUSE           109
#define IDC_WALKPAUSE_LABEL     110
#define IDC_WALKPAUSE_MAX       111
#define IDC_BACKSPACE           115
#define IDC_WALKLENGTH          116
#define IDC_BACKSPACE_LABEL     103
#define IDC_WALKLENGTH_LABEL    105
#define IDC_WALKLENGTH_MAX      106
#define IDC_BACKSPACE_MAX       107
#define IDC_SPEED               112
#define IDC_SPEED_LABEL         117
#define IDC_SPEED_MIN           118
#define IDC_UNPAUSEREW          119
#define IDC_UNPAUSEREW_LABEL    120
#define IDC_UNPAUSEREW_MAX      121
#define IDC_BACKSPACE_MID       122
#define IDC_BACKSPACE_MIN       123
#define IDC_WALKLENGTH_MID      124
#define IDC_UNPAUSEREW_MID      125
#define IDC_WALKPAUSE_MID       126
#define IDC_WALKPAUSE_MIN       127
#define IDC_UNPAUSEREW_MIN      128
#define IDC_WALKLENGTH_MIN      129
#define IDC_SPEED_MAX           130
#define IDC_SPEED_MID           131
#define IDC_POSITION_DISPLAY    190 /* child of the status bar that paints the position text */

// Toolbar commands (the separator carries id 111)
#define IDT_OPEN                131
#define IDT_SEPARATOR           111
#define IDT_PLAY                132
#define IDT_WALK                133
#define IDT_REWIND              134
#define IDT_PAUSE               135
#define IDT_FASTFORWARD         136

// Menu commands
#define IDM_OPEN                11843
#define IDM_CLOSE               11847
#define IDM_EXIT                11844
#define IDM_SAVE_OPTIONS        11848
#define IDM_SAVE_OPTIONS_AS     11849
#define IDM_OPEN_OPTIONS        11850
#define IDM_DEFAULT_OPTIONS     11851
#define IDM_ADVANCED_OPTIONS    11854
#define IDM_SOUND_OPTIONS       11860
#define IDM_CHANGE_HOTKEYS      11842
#define IDM_WALK                133
#define IDM_PLAY                132
#define IDM_PAUSE               135
#define IDM_JUMP                11852
#define IDM_ADD_BOOKMARK        11853
#define IDM_HELP_TOPICS         11846
#define IDM_ABOUT               11845
#define IDM_BOOKMARK_FIRST      12000 /* 12000..12009: bookmark slots 0..9 */
#define IDM_BOOKMARK_LAST       12009

// Menu bar positions
#define MENUPOS_FILE            0
#define MENUPOS_OPTIONS         1
#define MENUPOS_PLAY            2
#define MENUPOS_BOOKMARK        3
#define MENUPOS_HELP            4

// Change HotKeys dialog (template 2)
#define IDC_HK_WALK             101
#define IDC_HK_PAUSE            102
#define IDC_HK_WALK_LABEL       103
#define IDC_HK_PAUSE_LABEL      104
#define IDC_HK_REWIND           111
#define IDC_HK_FF_LABEL         112
#define IDC_HK_FF               113
#define IDC_HK_PLAY             114
#define IDC_HK_PLAY_LABEL       115
#define IDC_HK_REWIND_LABEL     116
#define IDC_HK_STAMP            1101
#define IDC_HK_STAMP_LABEL      1102

// Jump / bookmark name dialog (template 3)
#define IDC_POSITION_EDIT       101

// Advanced Options dialog (template 4)
#define IDC_ADV_RESTORE             101
#define IDC_ADV_HK_SPEEDUP          102
#define IDC_ADV_BTN_SLOW            103
#define IDC_ADV_HK_SEEKDELAY        104
#define IDC_ADV_BTN_SPEEDUP_LABEL   105
#define IDC_ADV_BTN_SLOW_LABEL      106
#define IDC_ADV_HK_SEEKDELAY_LABEL  107
#define IDC_ADV_BTN_FAST            108
#define IDC_ADV_BTN_FAST_LABEL      109
#define IDC_ADV_BTN_SPEEDUP         110
#define IDC_ADV_HK_SLOW             111
#define IDC_ADV_HK_SPEEDUP_LABEL    112
#define IDC_ADV_HK_SLOW_LABEL       113
#define IDC_ADV_HK_FAST             114
#define IDC_ADV_HK_FAST_LABEL       115
#define IDC_ADV_STAMP_FORMAT_LABEL  130
#define IDC_ADV_STAMP_FORMAT        131
#define IDC_ADV_PEDAL_LABEL         140
#define IDC_ADV_PEDAL_HOLD          141
#define IDC_ADV_PEDAL_TOGGLE        142
#define IDC_ADV_READ_PEDALS         143
#define IDC_ADV_SYSTEM_DEVICES      150

// Sound dialog (template 5)
#define IDC_SND_BOOST_LABEL         1200
#define IDC_SND_BOOST               1201
#define IDC_SND_BOOST_VALUE         1202
#define IDC_SND_LEVEL               1203
#define IDC_SND_CHANNEL_LABEL       1204
#define IDC_SND_CHANNEL             1205
#define IDC_SND_LOWCUT              1206
#define IDC_SND_DENOISE             1207
#define IDC_SND_SYSTEM_NOTE         1208

// Context-help ids and help topics
#define HELPID_POSITION         100
#define HELPID_BACKSPACE        101
#define HELPID_WALKLENGTH       102
#define HELPID_LOOPS            103
#define HELPID_SPEED            111
#define HELPID_WALKPAUSE        112
#define HELPID_UNPAUSEREW       121
#define HELPID_BOOKMARK_MENU    115
#define HELPID_FILE_MENU        116
#define HELPID_OPTIONS_MENU     117
#define HELPID_HELP_MENU        118
#define HELPTOPIC_CHANGE_HOTKEYS 106
#define HELPTOPIC_WALK          107
#define HELPTOPIC_PLAY          108
#define HELPTOPIC_PAUSE         109
#define HELPTOPIC_JUMP          114
#define HELPTOPIC_ADVANCED_OPTIONS 1001 /* the Advanced Options dialog's "?" */
#define HELPTOPIC_SOUND_OPTIONS 1002 /* the Sound dialog's "?" */
