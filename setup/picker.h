/* The install location picker (dialog 137) and its new-folder dialog
   (141), opened from setup's "browse...". */
#ifndef KELP_PICKER_H
#define KELP_PICKER_H

#include "setup/setup.h"

/* In the order they are loaded and deleted. */
enum LocationBitmap {
    BITMAP_FILE, BITMAP_FOLDER, BITMAP_FOLDERMASK, BITMAP_CDROM, BITMAP_CDROMMASK,
    BITMAP_HARDDISK, BITMAP_HARDDISKMASK, BITMAP_DISKETTE, BITMAP_DISKETTEMASK,
    LOCATION_BITMAPS
};

/* What the edit control may hand over: 98 characters and the terminator. */
#define FOLDER_NAME_TAKEN 99

struct PickerState {
    HBITMAP bitmaps[LOCATION_BITMAPS];
    int lastGoodDrive;              /* drive box index, restored when a drive fails */
    WCHAR folderName[100];          /* dialog 141's answer */
};
extern PickerState pickerState;

INT_PTR CALLBACK newFolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void freeLocationBitmaps(void);
int resolvePathNames(WCHAR *path, int size);
int groupDigits(ULONGLONG count, char *text, int size);
int entryName(const WCHAR *listed, int bracketed, WCHAR *shown, int size);

#endif
