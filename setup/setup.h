/* The installer role: the setup dialog and install sequence, the install
   record in the registry, and the start-menu folder with its links. */
#ifndef KELP_SETUP_H
#define KELP_SETUP_H

#include <windows.h>

#include "common/files.h"

#define SETUP_SAVER_FILE L"kelpVole99.scr"
#define SETUP_REMOVER_FILE L"zUbSavRemov_1_51.exe"
#define SETUP_PANEL_PREFIX L"desk.cpl,InstallScreenSaver "

/* Paths are held wide, once (see common/files.h). */
struct SetupState {
    HWND dialog;                                /* owner of setup's questions */
    WCHAR installFolder[MAX_PATH];              /* stored as "Path" */
    WCHAR saverPath[PATH_ROOM];            /* install folder and saver file name */
    WCHAR removerPath[PATH_ROOM];          /* always in the Windows directory */
    WCHAR uninstallCommand[PATH_ROOM];     /* remover path (quoted with blanks), a blank, the record name */
    WCHAR panelParameters[PATH_ROOM];      /* rundll32's arguments for the settings page */
    int finished;                               /* Cancel closes without asking */
    /* The start-menu folder's window, which the shell opens a moment after
       it is asked to: the success box waits for it, a little, and ends in
       front of it. */
    UINT_PTR folderTimer;                       /* looks for it while set */
    DWORD folderAsked;                          /* when the shell was asked (GetTickCount) */
    WCHAR folderPath[MAX_PATH];                 /* what it shows, whole or its last name */
    int folderShown;                            /* it has been seen */
    DWORD folderSeen;                           /* when (GetTickCount) */
    int boxShown;                               /* the success box is up */
};
extern SetupState setupState;

/* The exit code: SETUP_EXIT_... */
int runSetup(void);
INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK locationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void centerWindow(HWND window);
void watchForFolderWindow(const WCHAR *folder);

int formSaverPath(void);
int formPanelParameters(void);

/* ---- install record and start-menu links ---- */

WCHAR *makeStartMenuFolder(const WCHAR *name, int csidl);
int createStartMenuLink(const WCHAR *name, const WCHAR *target, int csidl, const WCHAR *subfolder,
                        const WCHAR *arguments, const WCHAR *iconFile, int iconIndex,
                        const WCHAR *workingDirectory);
void registerUninstall(void);
void registerAppPath(void);
void registerStartMenu(void);

#endif
