/* The remover: undoes one installation of a zUb saver.  Setup writes this
   program into the Windows directory and registers it, with the record name
   as its one argument, as the uninstall command and as a start-menu link;
   an installation for one user alone puts it beside the saver file in the
   user's own programs folder and the record under HKEY_CURRENT_USER.  Such
   a record, whose uninstall command is this very program, is removed in the
   user's scope and with the user's rights, and the program and its folder
   go after it; any other name is looked for in the machine's.  The
   start-menu folder is one for both scopes: while the other scope's record
   names it, it stays.

   "/S" before the record name is the quiet uninstall command's: no dialog
   and no pauses, the report written to "zUbSavRemov.log" in the user's
   temporary folder, and the outcome told by the exit code: 0 removed, 1
   something kept, 2 nothing to remove, 5 the administrator rights needed
   and not given.  The dialog's run ends with 0: its report has told the
   user.

   It deletes only what a saver's setup made, and only where the install
   record and the record name agree with what setup writes: a record name
   that could lead out of the folders and keys built from it is refused
   outright; the saver file only as "<record>.scr" in the record's install
   folder (named whole, and no link put in its place since), by the name
   the file system knows it under (a short 8.3 alias of some other file
   does not count); the application-path key only when it names that file;
   the uninstall key only when its command is this program with the record;
   the start-menu folder only when it is the user's own
   "zub_Savers\<record>" and no link to some other folder.  The settings key
   is below the saver's own "zub_Kram".

   The start-menu folder belongs to the user, who may rename it or put a
   link in its place while the remover (perhaps with rights the user lacks)
   pauses between its steps.  So wherever the system has the calls for it,
   the folder is opened once, checked through that handle, and emptied and
   removed through it (handles.cpp): whatever its name comes to mean
   meanwhile, nothing outside it is touched.  Systems without them (XP and
   older, the 9x line) get the checks by name, asked again just before each
   delete (byname.cpp).  The user's own registry keys are opened as
   themselves: a link some hand put in a key's place is reported and left,
   never followed.

   A saver file that is there but cannot be deleted keeps the uninstall and
   application-path keys, so that the system still offers the removal; so
   does a record that cannot be read whole, or whose uninstall command is
   not this program's: the record is kept as it is, for a run after the
   user has mended it.  Links are told from what they lead to by what the
   system opens, not by path texts: a user's Start Menu may itself be
   reached through a link.

   Kept small and free of any C or C++ runtime: plain Win32 calls only, an
   entry point of its own, and the report's fixed texts held narrow, widened
   where they join the report.  The files, by concern: main.cpp (the entry,
   the switches, the scope and the exit code), dialog.cpp, report.cpp,
   record.cpp (reading and checking the install record), steps.cpp (the
   removal's steps in order), handles.cpp and byname.cpp (the two routes for
   files and folders), selfremoval.cpp (the user's own remover going after
   its installation). */
#ifndef KELP_REMOVER_H
#define KELP_REMOVER_H

#include <windows.h>
#include <winternl.h>

#include "common/files.h"
#include "common/record.h"

/* The report keeps its newest lines; a line longer than LINE_ROOM keeps
   its start and its end around a mark. */
#define PROGRESS_SIZE 1000
#define LINE_ROOM 400
/* The longest command line there is, so that the record name is whole. */
#define RECORD_ROOM 32768
#define APP_PATHS_KEY RECORD_APP_PATHS_KEY "\\"
/* What the copy that removes the user's remover after it is started with:
   the remover's process, file and folder, as handles it inherits. */
#define AFTER_MARK "/after"

/* The one run's state. */
struct RemoverState {
    const char *recordName;     /* the record name in the code page, for the keys */
    WCHAR record[RECORD_ROOM];  /* as the command line gives it, for paths and the report */
    int nameRefused;            /* a name no setup writes: treated as never installed */
    int command;                /* the uninstall key's command: COMMAND_... */
    int recordIsSetups;         /* it names "<record>.scr" in its own folder, or a file gone */
    const char *keptFor;        /* why the uninstall and application-path keys stay, or NULL */
    HKEY root;                  /* where the record lies: the machine's, or the user's own */
    int quiet;                  /* no dialog and no pauses, the report into the log */
    int found;                  /* the application-path key opened: there was a record */
    int kept;                   /* something the record names stays */
    int saverGone, recordGone;  /* the saver file, the uninstall key */
    int touched;                /* the settings key deleted */
    WCHAR installFolder[PATH_ROOM];
    WCHAR madeFolder[PATH_ROOM];        /* the first folder setup made, or empty */
    int ran;                    /* once per dialog, whatever comes in during its closing box */
    int finished;
    HWND dialog;
    WCHAR progress[PROGRESS_SIZE];
    WCHAR menuFolder[PATH_ROOM];        /* as read, then as resolved */
    WCHAR menuFinal[PATH_ROOM + 8];     /* the system's own path of the opened folder */
};
extern RemoverState remover;

enum { COMMAND_NONE, COMMAND_OURS, COMMAND_UNREADABLE, COMMAND_FOREIGN };
/* What became of the saver file, and of each start-menu entry. */
enum { NOT_DELETED, DELETED, NOT_THE_SAVER };
enum { ENTRY_KEPT, ENTRY_DELETED, ENTRY_LEADS_OUT };

/* ---- report.cpp: the progress text, its view and the quiet run's log ---- */
void append(const char *text);      /* one of the program's own texts */
void append(const WCHAR *text);     /* a path or the record name */
/* "\n   ", the root's name, the key path (then usually the record name). */
void appendKey(HKEY root, const char *path);
void setReport(const char *text);
void show(void);
void showAndPause(DWORD milliseconds);
/* 0 when the log could not be made new. */
int writeLog(void);

/* ---- record.cpp: the install record read and checked ---- */
int isPlainName(const char *name);
int isBlank(WCHAR c);
/* Whether a file or folder that is there has `name` as its own (long)
   name, rather than as the short alias of another. */
int isKnownAs(const WCHAR *path, const WCHAR *name);
/* A key opened as itself, and every key above it: a link put in the place
   of any is not followed, and gives KEY_IS_LINK. */
#define KEY_IS_LINK ((LONG)ERROR_CANT_RESOLVE_FILENAME)
LONG openKey(HKEY root, const char *path, REGSAM access, HKEY *key);
int isLinkKey(HKEY key);
int readUninstallCommand(void);
int programFolder(WCHAR *self, WCHAR *folder, int *name);
/* Whether the record lies in the user's own scope: remover.root is set to it. */
int isUsersScope(void);
/* The saver file into `saverFile` and the start-menu folder; 0 when there
   is no saver file to delete. */
int readRecord(WCHAR *saverFile);
int isMenuFolderShared(void);
/* The other scope still holds a record of this name. */
int isOtherScopeInstalled(void);

/* ---- steps.cpp: the removal, step by step ---- */
void removeInstallation(void);
/* What a package manager reads from a quiet run. */
int outcome(void);

/* ---- handles.cpp: the route through handles (Vista and later) ---- */
void lookUpHandleCalls(void);
int canWorkThroughHandles(void);
/* Starts `program` with `line`, handing this process's inheritable handles
   down to it, without waiting for it. */
int startHandingDown(const WCHAR *program, WCHAR *line);
int markGone(HANDLE file);
/* Read-only cleared for a second try, and put back when that fails too;
   the handle needs FILE_WRITE_ATTRIBUTES besides DELETE. */
int markGoneEvenReadOnly(HANDLE file);
int isEntry(HANDLE entry, const WCHAR *folderFinal, const WCHAR *name);
HANDLE openFileOrFolder(const WCHAR *path, DWORD access, DWORD flags);
HANDLE openFolderItself(const WCHAR *path, DWORD access, int parentItself, WCHAR *final);
int deleteSaverThroughHandle(const WCHAR *folder, const WCHAR *saverFile);
typedef void (*EntryReport)(const WCHAR *name, int result);
void clearThroughHandle(HANDLE folder, EntryReport report);

/* ---- byname.cpp: the route by name, where the handle calls are missing ---- */
/* A file cleared of its read-only attribute for a second try, the
   attribute put back when that fails too: through whichever access the
   route has to it. */
struct FileAccess {
    int (*remove)(const void *file);
    DWORD (*attributes)(const void *file);
    int (*setAttributes)(const void *file, DWORD attributes);
};
int deleteEvenReadOnly(const FileAccess *access, const void *file);
int deleteNamedEvenReadOnly(const WCHAR *path);
int isPlainFolder(const WCHAR *path);
int deleteSaverByName(const WCHAR *folder, const WCHAR *saverFile);
/* `parent` is the folder above `folder`, which must be no link either. */
void clearFolderByName(const WCHAR *folder, const WCHAR *parent, EntryReport report);
int removeFolderByName(const WCHAR *folder, const WCHAR *parent);

/* ---- selfremoval.cpp: the user's own remover goes after its folder ---- */
void leaveWithTheFolder(void);
int removeAfterwards(const WCHAR *handles);

/* ---- dialog.cpp ---- */
void runDialog(HINSTANCE instance);

#endif
