/* Every numeric identifier of Tilefox: shared by the resource scripts and the code.
   Numbers are fixed; other programs (a second copy, saved layouts) rely on some of them. */
#ifndef TILEFOX_IDS_H
#define TILEFOX_IDS_H

/* Dialog templates */
#define IDD_DRIVEPANEL          102
#define IDD_ICONLIST            105
#define IDD_CHANGEICON          111
#define IDD_OPENFILEEXT         112
#define IDD_PROPERTIES          113
#define IDD_SHEETPAGE           115
#define IDD_ICONSETTINGS        116
#define IDD_BEHAVIOUR           117
#define IDD_BROWSESETTING       118
#define IDD_COPYNOTICE          119

/* Menu resource with the two context menus (used by position) */
#define IDM_CONTEXT             113
#define MENUPOS_LIST            0
#define MENUPOS_GRID            1

/* Icon resources */
#define IDI_SHEET               101
#define IDI_CHANGED             105
#define IDI_UNDO                106
#define IDI_COPY                107
#define IDI_PASTE               108

/* String table (14 and 15 are not defined) */
#define IDS_CHANGEICON          1
#define IDS_FILENOTFOUND        2
#define IDS_NOUSABLEICONS       3
#define IDS_NOICONSELECTED      4
#define IDS_NOFILENAME          5
#define IDS_CAPTION             6
#define IDS_TAB_DESKTOP         7
#define IDS_TAB_GENERAL         8
#define IDS_TAB_SPECIAL         9
#define IDS_TAB_STARTMENU       10
#define IDS_TAB_DRIVE           11
#define IDS_TAB_SETTINGS1       12
#define IDS_TAB_SETTINGS2       13
#define IDS_ASKUNDOALL          16
#define IDS_ASKDEFAULTALL       17
#define IDS_ASKDELETECACHE      18
#define IDS_CACHEDELETED        19
#define IDS_THEMEREAD           20
#define IDS_PROPERTIESOF        21
#define IDS_DRIVENAME           22
#define IDS_DRIVEREFRESHHINT    23
#define IDS_VERSIONINFO         24
#define IDS_FOLDERVERB          25
#define IDS_LABELSHORTCUT       26
#define IDS_NOSUCHFILE          27
#define IDS_FILEHASNOICONS      28
#define IDS_SELECTICON          29
#define IDS_COPY                30
#define IDS_PASTEHINT           31
#define IDS_DRIVEWRITEFAILED    32
#define IDS_FOLDERINIFAILED     300     /* the folder verb could not write DESKTOP.INI */

/* The sheet's own commands: saving a theme, everything back to the standard */
#define IDS_SYSMENU_SAVETHEME   330
#define IDS_SYSMENU_ALLSTANDARD 331
#define IDS_THEMEFILTER         332     /* label of the save dialog's one filter */
#define IDS_THEMESAVEFAILED     333     /* %s: the theme file */
#define IDS_ASKALLSTANDARD      334     /* longer than LoadText's buffer; %s: when it is written */
#define IDS_STANDARDONAPPLY     335
#define IDS_STANDARDNOW         336
#define IDS_THEMELEFTOUT        337     /* longer than LoadText's buffer; %u: rows left out */
#define IDS_THEMESAVED          338     /* %u: rows saved, %s: the theme file */
#define IDS_SHEET_OK            339     /* the sheet's own buttons, in the language shown */
#define IDS_SHEET_CANCEL        340
#define IDS_SHEET_APPLY         341
#define IDS_NOICONSOFFERSYSTEM  342     /* %s: a file without icons; the system's are shown instead */

/* Restore points: taking back the last Apply or folder-icon change */
#define IDS_UNDO_MENU           310
#define IDS_UNDO_NOPOINT        311
#define IDS_UNDO_DONE           312
#define IDS_UNDO_PARTLY         313
#define IDS_UNDO_LEFTALONE      314
#define IDS_UNDO_NOTPUTBACK     315
#define IDS_UNDO_DAMAGED        316
#define IDS_UNDO_NOMEMORY       317
#define IDS_UNDO_ASKPENDING     318
#define IDS_UNDO_ASKAPPLY       319
#define IDS_UNDO_ASKFOLDER      320
#define IDS_UNDO_UNSEALED       321     /* %s: a record removed unsealed */
#define IDS_REGWRITEFAILED      322     /* followed by the names of the rows */
#define IDS_UNDO_NOTREMOVED     323     /* %s: a record taken back that could not be deleted */
#define IDS_ASKDELETECACHES     324     /* %s: the pattern of the split cache's files */
#define IDS_CACHESINUSE         325     /* followed by the files in use */
#define IDS_CACHESREFUSED       326     /* followed by the files refused otherwise */
#define IDS_CACHEREBUILT        327     /* what to do about files in use */

#define IDS_ICONSIZERANGE       350     /* the icon size to type: %d to %d */
#define IDS_RIGHTS_ASK          361     /* followed by the rows that need an administrator */

/* Texts that are not messages (listtexts.rc): row titles, suffixes, the browse filter */
#define IDS_SHELLROW_FIRST      200     /* 200-234: the Shell Icons rows, in list order */
#define IDS_DESKTOPROW_FIRST    240     /* 240-252: desktop rows without a class title */
#define IDS_EMPTYSUFFIX         260
#define IDS_FULLSUFFIX          261
#define IDS_NOSTANDARD          262
#define IDS_FILTER_FIRST        270     /* 270-274: labels of the Change Icon browse filter */

/* Menu commands: pop-up 0 (icon list) */
#define IDM_VIEW_LARGE          40002
#define IDM_VIEW_SMALL          40003
#define IDM_VIEW_BOTH           40004
#define IDM_COPY                40005
#define IDM_PASTE               40006
#define IDM_CHANGEICON          40007
#define IDM_DEFAULT             40008
#define IDM_UNDO                40009
#define IDM_PROPERTIES          40010
/* Menu commands: pop-up 1 (icon grid) */
#define IDM_GRID_COPY           40011
#define IDM_GRID_SELECT         40013

/* Sheet */
#define IDC_SHEET_APPLY         12321
/* Sheet's system menu (below 0xF000, where the system's own commands begin; the low four
   bits stay clear) */
#define IDM_SYS_TAKEBACK        0x0E10
#define IDM_SYS_SAVETHEME       0x0E20
#define IDM_SYS_ALLSTANDARD     0x0E30

/* Template 105: icon list page */
#define IDC_ICONLIST            2001
#define IDC_PREVIEW             1015
#define IDC_LIST_CHANGE         1006
#define IDC_LIST_DEFAULT        1016

/* Template 111: Change Icon dialog */
#define IDC_CI_FILENAME         1000
#define IDC_CI_BROWSE           1002
#define IDC_CI_INDEXLABEL       1003
#define IDC_CI_STATUS           1005
#define IDC_CI_INDEX            1006
#define IDC_CI_DEFAULT          1016
#define IDC_CI_GRID             2001

/* Template 112: open-file extension */
#define IDC_OF_PLACEHOLDER      1119
#define IDC_OF_COUNT            1007
#define IDC_OF_STRIP            2001
#define IDC_OF_SELECT           1040

/* Template 113: properties */
#define IDC_PR_ICON             1036
#define IDC_PR_CURRENT          1037
#define IDC_PR_REGKEY           1038
#define IDC_PR_DEFAULT          1039

/* Template 102: drive panel */
#define IDC_DP_GROUP            1039
#define IDC_DP_DRIVES           1017
#define IDC_DP_CHANGE           1006
#define IDC_DP_DEFAULT          1016

/* Template 116: Windows icon settings */
#define IDC_IS_SIZE             1018
#define IDC_IS_SIZESPIN         1019
#define IDC_IS_LARGE            1020
#define IDC_IS_ALLCOLOURS       1021
#define IDC_IS_NOARROW          1022
#define IDC_IS_BMPIMAGE         1023
#define IDC_IS_CPLICONS         1024
#define IDC_IS_TRANSPARENT      1025
#define IDC_IS_FOLDERVERB       1026
#define IDC_IS_BROWSESETTING    1031
#define IDC_IS_REDRAW           1027
#define IDC_IS_DELETECACHE      1028

/* Template 117: behaviour settings */
#define IDC_BH_ROWS             1029
#define IDC_BH_ROWSSPIN         1030
#define IDC_BH_ANIMATION        1031
#define IDC_BH_HOOKCOMDLG       1036
#define IDC_BH_DRIVEMSG         1032
#define IDC_BH_AUTOREFRESH      1033
#define IDC_BH_STARTTAB         1034
#define IDC_BH_VERSION          1035

/* Template 118: default browse location */
#define IDC_BS_LOCATION         1000
#define IDC_BS_BROWSE           1002

/* Template 119: copy notice */
#define IDC_CN_ICON             1041
#define IDC_CN_TEXT             65535   /* the text static: no id of its own */

/* Texts of the behaviour page (a string block of their own) */
#define IDS_VERSIONTEXT         740     /* caption, then what the program is and its version */

/* Private window messages (WM_USER = 0x400) */
#define UM_FILLOTHERLISTS       1454
#define UM_SETCHANGED           1455
#define UM_SHOWCURRENTTAB       1456
#define UM_FILLLIST             1457
#define UM_APPLYDRIVEICONS      1458
#define UM_ICONSCHANGED         1459
#define UM_IMPORTSTARTUPTHEME   1460
#define UM_COPYSELECTEDICON     1461
#define UM_ACCEPTBROWSEDICON    1462
/* The pages' own questions and reports to the sheet and to themselves */
#define UM_QUERYCHANGED         1463    /* to the sheet: result = ChangesPending */
#define UM_ROWUPDATED           1464    /* to a list page: wParam = row, lParam = row now changed */
#define UM_DRIVESPENDING        1465    /* drive panel to itself, after Apply: a failed write still waits */
#define UM_READSETTINGS         1466    /* to the settings page: read the shell's settings now */
#define UM_SHELLRESTORED        1467    /* to the settings page: settings were put back, read them again (wParam: unless edited) */
#define UM_PLANDRIVEICONS       1468    /* to the Drive page and its panel: lParam = RestorePoint to record in */
#define UM_LISTSFILLED          1470    /* frame to the sheet: every list filled, the settings read */
#define UM_IMPORTHANDEDTHEME    1473    /* instance window to itself: import the theme another copy handed over */
#define UM_REGISTRYCHANGED      1474    /* to the instance window: another copy wrote, the sheet reads again */
#define UM_ACTIVATEINSTANCE     2025
#define UM_TAKECOPIEDICON       2026
/* wParam of 2026: -1 the text is a copied icon; -2 the text is a theme file to import */
#define TAKE_COPIEDICON         (-1)
#define TAKE_THEMEFILE          (-2)

#endif
