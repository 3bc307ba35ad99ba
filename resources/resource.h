/* Resource ids of kelpVole99.  Grouped by range; the numbers are fixed
   because installed links and the system address resources by them. */
#ifndef KELP_RESOURCE_H
#define KELP_RESOURCE_H

/* 1: version block */
#define IDV_VERSION             1

/* 3: configuration dialog */
#define IDD_CONFIG              3

/* 1-3, 77, 1001-1024: controls of the configuration dialog */
#define IDC_READ_ME             3       /* with IDOK 1 and IDCANCEL 2 */
#define IDC_TURBULENCE_LABEL    77
#define IDC_TURBULENCE          1001
#define IDC_AQUA_R              1002
#define IDC_AQUA_G              1003
#define IDC_AQUA_B              1004
#define IDC_PLAY_SOUND          1005
#define IDC_FILL                1006
#define IDC_FILL_LABEL          1007
#define IDC_BUBBLE_R            1008
#define IDC_PREVIEW_BOX         1009
#define IDC_LABEL_R             1010
#define IDC_LABEL_G             1011
#define IDC_LABEL_B             1012
#define IDC_WATER_LABEL         1013
#define IDC_TURBULENCE_FRAME    1014
#define IDC_COLOUR_FRAME        1015
#define IDC_FILL_FRAME          1016
#define IDC_BANNER              1017
#define IDC_WATER_MODE          1018
#define IDC_WATER_MODE_FRAME    1019
#define IDC_BUBBLE_G            1020
#define IDC_WATER_MODE_LABEL    1021
#define IDC_BUBBLE_B            1022
#define IDC_BUBBLE_SWATCH       1023
#define IDC_BUBBLE_LABEL        1024

/* 100-109: sound and cursors */
#define IDW_BUBBLES             102     /* type "WAVE" */
#define IDC_FISHLEFT            103
#define IDC_FISHRIGHT           105

/* 110-119: pictures and setup dialog */
#define IDB_CONFIGPICTURE       113
#define IDD_SETUP               115

/* 130-139: icons (file icon indices 0, 1, 2 in this order) */
#define IDI_PROGRAM             131
#define IDI_BARREL              132
#define IDI_SADFACE             133

/* 137-152: location picker dialogs and its pictures */
#define IDD_PICKER              137
#define IDB_FILE                139
#define IDB_FOLDER              140
#define IDD_NEWFOLDER           141
#define IDB_CDROM               142
#define IDB_CDROMMASK           143
#define IDB_HARDDISKMASK        144
#define IDB_DISKETTEMASK        145
#define IDB_DISKETTE            146
#define IDB_HARDDISK            147
#define IDR_REMOVER             151     /* RT_RCDATA: the remover's image */
#define IDB_FOLDERMASK          152

/* 5, 1029-1058: controls of the setup dialog (115) */
#define IDC_SETUP_LABEL         5
#define IDC_SETUP_SAVERPATH     1029
#define IDC_SETUP_BROWSE        1030
#define IDC_SETUP_STARTCONFIG   1033
#define IDC_SETUP_HEADING       1034
#define IDC_SETUP_TIMEOUT       1054    /* up-down; its buddy is the static before it */
#define IDC_SETUP_TIMEOUTLABEL  1057
#define IDC_SETUP_MINUTES       1058

/* 77, 1036-1051: controls of the location picker (137) and its
   new-folder dialog (141) */
#define IDC_PICKER_PATH         77      /* the current folder; the listing writes it */
#define IDC_PICKER_FILES        1036
#define IDC_PICKER_DRIVES       1045
#define IDC_PICKER_FOLDERS      1046
#define IDC_PICKER_NEWFOLDER    1047
#define IDC_NEWFOLDER_NAME      1048
#define IDC_NEWFOLDER_LABEL     1049
#define IDC_PICKER_FREE         1050
#define IDC_PICKER_LABEL        1051

#endif
