// Resource ids of the interactive program shared by the resource scripts
// and the code: icons, bitmaps, skin images, dialog templates, control ids.
#ifndef VK_RESOURCE_IDS_H
#define VK_RESOURCE_IDS_H

// Icons: the application, and the four frames of the busy animation.
#define IDI_APP 128
#define IDI_BUSY_0 150
#define IDI_BUSY_1 151
#define IDI_BUSY_2 152
#define IDI_BUSY_3 153

// Check-state images of the folder trees: 16 x 16 each, magenta transparent.
#define IDB_TREE_STATES 134

// Dialog templates.
#define IDD_MAIN 102
// The pages of the main window's content area, in the order of its slots
// (pages 12 and 13 share the language page); 134 is the tree-state bitmap.
#define IDD_PAGE_NO_DEVICE 129
#define IDD_PAGE_PLAN_START 130
#define IDD_PAGE_PARTITION 131
#define IDD_PAGE_FOLDERS 132
#define IDD_PAGE_SCHEDULE 133
#define IDD_PAGE_SUMMARY 135
#define IDD_PAGE_PLAN_VIEW 136
#define IDD_PAGE_BACKUP_PROGRESS 137
#define IDD_PAGE_RESTORE_SETS 138
#define IDD_PAGE_RESTORE_FOLDERS 139
#define IDD_PAGE_RESTORE_PROGRESS 140
#define IDD_PAGE_LOG 141
#define IDD_PAGE_LANGUAGE 142
#define IDD_MESSAGE 148
#define IDD_OVERWRITE 149
#define IDD_TRAY 154
#define IDD_POPUP 155

// Menus: the main window's information menu (sub-menu 0) and the
// notification icon's menu (POPUP_TRAY), with their commands.
#define IDM_INFO 146
#define IDM_EULABOX 32773
#define IDM_ABOUTBOX 32774
#define IDM_UPDATENOTIFICATION 32775
#define IDR_TRAY_MENU 158
#define IDM_TRAY_EXEC 32776
#define IDM_TRAY_EXIT 32777

// Controls of the message and notification windows.
#define IDC_CLOSE 1001
#define IDC_TITLE 1011
#define IDC_OK 1038
#define IDC_MESSAGE 1049
#define IDC_SECOND 1050
#define IDC_CHECK 1077

// Controls of the main window: the information menu, five drive buttons
// (1002 + i) and four tab buttons (1007 + tab - 1); close and title as above.
#define IDC_INFO 1000
#define IDC_DRIVE_FIRST 1002
#define IDC_DRIVE_LAST 1006
#define IDC_TAB_FIRST 1007
#define IDC_TAB_LAST 1010

// Controls of the overwrite prompt; close, title and message as above.
#define IDC_OW_FILE_NAME 1035
#define IDC_OW_LOCATION 1043
#define IDC_OW_REPLACE 1052
#define IDC_OW_SKIP 1053
#define IDC_OW_APPLY 1054
#define IDC_OW_FILE_LABEL 1080
#define IDC_OW_LOCATION_LABEL 1081

// The update notice, the update page, the download window, the version
// window, the licence window, the Setting page with its language list, and
// the log page; close, title and message as above.
#define IDD_VERSION 144
#define IDD_EULA 145
#define IDD_LANGUAGE_LIST 156
#define IDD_UPDATE_PAGE 157
#define IDD_UPDATE_NOTICE 159
#define IDD_DOWNLOAD 160
#define IDC_UPD_UPDATE 1038
#define IDC_UPD_CANCEL 1050
#define IDC_UPD_CHECK 1075
#define IDC_UPDPG_MESSAGE 1012
#define IDC_UPDPG_DETAIL 1038
#define IDC_UPDPG_CURRENT_LABEL 1069
#define IDC_UPDPG_CURRENT 1070
#define IDC_UPDPG_LATEST_LABEL 1071
#define IDC_UPDPG_LATEST 1072
#define IDC_UPDPG_UPDATE 1068
#define IDC_DL_PROGRESS 1032
#define IDC_DL_CANCEL 1038
#define IDC_VER_PRODUCT 1042
#define IDC_VER_LABEL 1043
#define IDC_VER_VERSION 1044
#define IDC_VER_COPYRIGHT 1045
#define IDC_EULA_HEADING 1082
#define IDC_EULA_PROMPT 1083
#define IDC_EULA_TEXT 1084
#define IDC_SET_LANGUAGE 1010
#define IDC_SET_UPDATE 1068
#define IDC_LANG_LABEL 1012
#define IDC_LANG_LIST 1018
#define IDC_LANG_APPLY 1041
#define IDC_LOG_TEXT 1035
#define IDC_LOG_DETAIL 1038
#define IDC_LOG_BACKUP 1039
#define IDC_LOG_RESTORE 1040
#define IDC_LOG_FILE_VIEW 1067

// Controls of the plan wizard's pages (each page uses those it needs).
#define IDC_WIZ_PROMPT 1300
#define IDC_WIZ_TEXT2 1301
#define IDC_WIZ_NEXT 1302
#define IDC_WIZ_BACK 1303
#define IDC_WIZ_LIST 1304
#define IDC_WIZ_TREE 1305
#define IDC_WIZ_FREQ_LABEL 1306
#define IDC_WIZ_DAY_LABEL 1307
#define IDC_WIZ_TIME_LABEL 1308
#define IDC_WIZ_FREQUENCY 1309
#define IDC_WIZ_DAY 1310
#define IDC_WIZ_WEEKDAY 1311
#define IDC_WIZ_HOUR 1312
#define IDC_WIZ_SUMMARY 1313
#define IDC_WIZ_EDIT 1314
#define IDC_WIZ_DELETE 1315
#define IDC_WIZ_BACKUP_NOW 1316
#define IDC_WIZ_STATUS 1317
#define IDC_WIZ_PROGRESS 1318
#define IDC_WIZ_PERCENT 1319
#define IDC_WIZ_CANCEL 1320
#define IDC_WIZ_REMINDER_HEADING 1321
#define IDC_WIZ_REMINDER_DRIVE 1322
#define IDC_WIZ_REMINDER_TIME 1323

// Skin images (RCDATA, PNG with transparency).
#define IDP_TAB_BACKUP 9000
#define IDP_TAB_RESTORE 9001
#define IDP_TAB_LOG 9002
#define IDP_TAB_SETTING 9003
#define IDP_INFO_BUTTON 9008
#define IDP_CLOSE_BUTTON 9009
#define IDP_TEXT_BUTTON 9010
#define IDP_DRIVE_BUTTON 9011
#define IDP_MAIN_BACKGROUND 9012
#define IDP_PRODUCT 9013
#define IDP_SQUARE_BUTTON 9014
#define IDP_SMALL_TEXT_BUTTON 9015
#define IDP_OPTION_OFF 9016
#define IDP_OPTION_ON 9017
#define IDP_CHECK_OFF 9020
#define IDP_CHECK_ON 9021
#define IDP_TAB_MARKER 9023
#define IDP_CHOICE_OVERWRITE 9024
#define IDP_CHOICE_SKIP 9025
#define IDP_PLAN_MARK 9026
#define IDP_OVERWRITE_BACKGROUND 9027
#define IDP_MESSAGE_BACKGROUND 9028
#define IDP_VERSION_BACKGROUND 9030
#define IDP_ICON_ERROR 9031
#define IDP_ICON_WARNING 9032
#define IDP_ICON_INFORMATION 9033
#define IDP_PLAN_MARK_DISABLED 9034
#define IDP_POPUP_BACKGROUND 9035
#define IDP_POPUP_CLOSE 9036
#define IDP_LOG_TAB 9037
#define IDP_SETTING_TAB 9038
#define IDP_LOGO 9039
#define IDP_ICON_SUCCESS 9040
#define IDP_TREE_FOLDER 9041
#define IDP_PANEL 9042
#define IDP_SEPARATOR 9043
#define IDP_TREE_PC 9044
#define IDP_LANGUAGE 9045
#define IDP_LICENCE_BACKGROUND 9046
#define IDP_TAB_SETTING_NEW 9047

// The restore wizard's pages (templates 138, 139, 140).
#define IDC_REST_PROMPT 1012
#define IDC_REST_ADVICE 1013
#define IDC_REST_NEXT 1016
#define IDC_REST_BACK 1017
#define IDC_REST_CANCEL 1017
#define IDC_REST_SETS 1018
#define IDC_REST_TREE 1019
#define IDC_REST_PROGRESS 1032
#define IDC_REST_BROWSE 1038
#define IDC_REST_PATH 1043
#define IDC_REST_PERCENT 1044
#define IDC_REST_ORIGINAL 1056
#define IDC_REST_NEW 1057
#define IDC_REST_ITEM 1073

// The licence agreement, one RTF document per language (RCDATA): the
// English one, then the others at IDR_LICENCE_FIRST + language index.
#define IDR_LICENCE_FIRST 9200
#define IDR_LICENCE_EN 9200
#define IDR_LICENCE_FR 9201
#define IDR_LICENCE_DE 9202
#define IDR_LICENCE_IT 9203
#define IDR_LICENCE_ES 9204
#define IDR_LICENCE_PT 9205
#define IDR_LICENCE_ZH 9206
#define IDR_LICENCE_JA 9207
#define IDR_LICENCE_LAST 9207

#endif
