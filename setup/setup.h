/* The installer role: the setup dialog and install sequence, the install
   record in the registry, and the start-menu folder with its links. */
#ifndef KELP_SETUP_H
#define KELP_SETUP_H

#include <windows.h>

#include "common/files.h"

#define SETUP_SAVER_FILE L"kelpVole99.scr"
#define SETUP_REMOVER_FILE L"zUbSavRemov_1_51.exe"
#define SETUP_PANEL_PREFIX L"desk.cpl,InstallScreenSaver "
/* Below the user's local application data: the per-user install folder. */
#define SETUP_USER_FOLDER L"Programs\\kelpVole99"

/* Setup's exit codes, for package managers and scripts; where several
   steps fail, the lowest code stands. */
enum {
    SETUP_EXIT_OK,              /* everything the install promises is in place */
    SETUP_EXIT_BAD_LINE,        /* an unknown switch or a bad value, or /? */
    SETUP_EXIT_CANCELLED,
    SETUP_EXIT_NO_SAVER,        /* the saver file could not be written */
    SETUP_EXIT_NOT_REMOVABLE,   /* installed, but no remover or record to undo it */
    SETUP_EXIT_NO_RIGHTS,       /* administrator rights needed, and not had */
    SETUP_EXIT_INCOMPLETE,      /* removable, but a link, the selection or a detail of the record is missing */
    SETUP_EXIT_NOT_STARTED      /* nothing done: the dialog, or the copy asking for rights, could not be started */
};
enum { SCOPE_MACHINE, SCOPE_USER };
/* The screen saver's timeout, in minutes. */
#define TIMEOUT_LOWEST 1
#define TIMEOUT_HIGHEST 100
#define TIMEOUT_START 3

/* Paths are held wide, once (see common/files.h). */
struct SetupState {
    HWND dialog;                                /* owner of setup's questions */
    int silent;                                 /* /S: no window at all, the exit code tells */
    int scope;                                  /* SCOPE_...: where the install and its record go */
    int minutes;                                /* the screen saver's timeout */
    int folderGiven;                            /* /D= named the install folder */
    int startConfig;                            /* the settings page is opened after */
    int exitCode;                               /* SETUP_EXIT_... */
    WCHAR installFolder[MAX_PATH];              /* stored as "Path" */
    WCHAR saverPath[PATH_ROOM];            /* install folder and saver file name */
    WCHAR removerPath[PATH_ROOM];          /* the Windows directory; for one user, beside the saver */
    WCHAR uninstallCommand[PATH_ROOM];     /* remover path (quoted with blanks), a blank, the record name */
    WCHAR panelParameters[PATH_ROOM];      /* rundll32's arguments for the settings page */
    int finished;                               /* Cancel closes without asking */
    int firstMade;                              /* where the first folder the install made begins, or 0 */
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
/* The install folder holds every name setup writes into it, whole. */
int installFolderFits(void);
int formPanelParameters(void);
/* A step that failed: told to the user unless the run is silent, and kept
   for the exit code. */
void reportFailure(const char *text, int exitCode);

/* ---- the command line ---- */

/* Reads the switches into setupState; 0, with the box shown unless /S,
   when setup should end with `*exitCode` without installing. */
int readSwitches(const WCHAR *arguments, int *exitCode);
/* The per-user install folder, when the system has per-user folders. */
int userInstallFolder(WCHAR *folder);

/* ---- install record and start-menu links ---- */

WCHAR *makeStartMenuFolder(const WCHAR *name, int csidl);
int createStartMenuLink(const WCHAR *name, const WCHAR *target, int csidl, const WCHAR *subfolder,
                        const WCHAR *arguments, const WCHAR *iconFile, int iconIndex,
                        const WCHAR *workingDirectory);
void registerUninstall(void);
void registerAppPath(void);
void registerStartMenu(void);

#endif
