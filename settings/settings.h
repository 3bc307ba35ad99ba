/* The saver's options and their registry store, and the dialog that edits them. */
#ifndef KELP_SETTINGS_H
#define KELP_SETTINGS_H

#include <windows.h>

#include "common/record.h"

/* Field order is the order of every registry read and write. */
struct SaverSettings {
    DWORD speed;
    DWORD fillTo;
    DWORD aquaR, aquaG, aquaB;
    DWORD bubbleR, bubbleG, bubbleB;
    DWORD sound;
    DWORD bltMode;
    DWORD bltIdx;
};
extern SaverSettings saverSettings;

#define KELP_SETTINGS_COUNT 11
#define KELP_RECORD_NAME "kelpVole99"
#define KELP_SETTINGS_PREFIX RECORD_SETTINGS_KEY "\\"
#define KELP_SETTINGS_CLASS RECORD_KEY_CLASS

extern const char *const settingNames[KELP_SETTINGS_COUNT];

void defaultSettings(void);
void loadSettings(void);
void saveSettings(HWND owner);
int settingsKeyPath(char *buffer, int size);
DWORD *settingField(int index);

COLORREF waterColour(void);
COLORREF bubbleColour(void);

/* ---- configuration dialog ---- */

/* Alive while the dialog runs.  previewBox stays unset until the box's
   first paint starts the preview; pictureDC is null while there is no
   preview picture. */
struct ConfigDialogState {
    HWND previewBox;
    RECT previewRect;       /* box's item rectangle, client pixels */
    RECT dialogRect;        /* only its size counts: the screen area shown */
    HDC pictureDC;
    /* the picture's bitmap, brush and pen come back from these selections */
    HGDIOBJ oldBrush, oldPen, oldBitmap;
    HWND swatch;
    RECT swatchRect;
};
extern ConfigDialogState configDialogState;

void runConfigDialog(HWND parent);
INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void buildPreviewImage(void);
void freePreviewImage(void);
void shimmerTick(void);
void showReadMe(HWND owner);

#endif
