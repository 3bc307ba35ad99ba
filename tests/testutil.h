/* Helpers shared by the in-process and the black-box tests. */
#ifndef KELP_TESTUTIL_H
#define KELP_TESTUTIL_H

#include <windows.h>

#include "saver/dib.h"      /* createDib32 */

/* A full-screen topmost window with a known picture, standing in for the
   desktop: under Wine a screen photograph sees only Wine's own windows. */
COLORREF knownColour(int x, int y);
HWND showKnownDesktop(void);
void closeKnownDesktop(HWND window);
void pumpMessages(int milliseconds);

/* The whole screen as 0x00RRGGBB pixels, top row first; free with delete[]. */
DWORD *grabScreen(int *width, int *height);
inline COLORREF pixelColour(DWORD p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

/* Save-set-check-restore of one registry key with plain values. */
#define BACKUP_VALUES 32
struct KeyBackup {
    HKEY root;
    char path[MAX_PATH];
    int existed, count;
    struct {
        char name[64];
        DWORD type, size;
        BYTE data[256];
    } values[BACKUP_VALUES];
};
void backupKey(HKEY root, const char *path, KeyBackup *backup);
void restoreKey(const KeyBackup *backup);
/* One value of a key that holds many (such as "Control Panel\\Desktop"). */
struct ValueBackup {
    HKEY root;
    char path[MAX_PATH];
    char name[64];
    int existed;
    DWORD type, size;
    BYTE data[1024];
};
void backupValue(HKEY root, const char *path, const char *name, ValueBackup *backup);
void restoreValue(const ValueBackup *backup);
void deleteValue(HKEY root, const char *path, const char *name);

void setRawValue(HKEY root, const char *path, const char *name, DWORD type,
                 const void *data, DWORD size);
/* The user's Programs folder pointed elsewhere, where the shell reads it;
   each of the two values is put back with restoreValue. */
void pointProgramsAt(const WCHAR *folder, ValueBackup saved[2]);
/* The same for any of the user's shell folders ("Local AppData"). */
void pointShellFolderAt(const char *name, const WCHAR *folder, ValueBackup saved[2]);

/* The remover's report of a run in which every step succeeds. */
extern const char removerFullReport[];

#endif
