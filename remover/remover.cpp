/* The remover: undoes one installation of a zUb saver.  Setup writes this
   program into the Windows directory and registers it, with the record name
   as its one argument, as the uninstall command and as a start-menu link.

   It deletes only what a saver's setup made: the saver file named by the
   install record (and only a ".scr" file), the record's registry keys, the
   saver's settings key, and the record's start-menu folder (only a folder
   below "zub_Savers" named after the record) with the files in it.

   Kept small and free of any C++ runtime: plain Win32 calls only. */
#include <windows.h>
#include "resource.h"
#include "setup/rights.h"

#define PROGRESS_SIZE 1000
#define PATH_SIZE 300
/* The progress view is 196 dialog units tall and a line of the dialog's
   font is 8 units, so 24 lines fit; older lines give way to newer ones. */
#define VIEW_LINES 24

#define APP_PATHS_KEY "software\\microsoft\\windows\\currentversion\\app paths\\"
#define MENU_PARENT "\\zub_Savers\\"

struct RemoverState {
    const char *recordName;     /* verbatim from the command line */
    int finished;
    HWND dialog;
    char progress[PROGRESS_SIZE];
    char path[PATH_SIZE];
    char menuFolder[PATH_SIZE];
};
static RemoverState remover;

/* One of the keys deleted in steps 6 to 8: the parent opened, the record's
   subkey deleted, and the lines reported when either fails. */
struct RecordKey {
    HKEY root;
    const char *parent;
    const char *deleteFailed;   /* followed by the record name */
    const char *openFailed;
};

static const RecordKey recordKeys[3] = {
    { HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\uninstall",
      "\ncan't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\uninstall\\",
      "\nerror can't open key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\uninstall\\" },
    { HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\App Paths",
      "\ncan't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\",
      "\ncan't open key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\" },
    { HKEY_CURRENT_USER, "software\\zub_kram",
      "\nno saver inifile found:\n   HKEY_CURRENT_USER\\software\\zub_kram\\",
      "\ncan't open key:\n   HKEY_CURRENT_USER\\software\\zub_kram\\" },
};

/* The rest of the command line after the program's own name (quoted or
   not) and the blanks and control characters after it, untouched. */
static const char *recordNameOf(const char *line)
{
    if (*line == '"') {
        for (line++; *line && *line != '"'; line++)
            ;
        if (*line == '"')
            line++;
    } else {
        while ((unsigned char)*line > ' ')
            line++;
    }
    while (*line && (unsigned char)*line <= ' ')
        line++;
    return line;
}

static int linesIn(const char *text)
{
    int lines = 1;
    for (; *text; text++)
        lines += *text == '\n';
    return lines;
}

/* Keeps the newest text: whatever does not fit the storage or the view is
   dropped from the front, a line at a time, so that the last lines always
   show. */
static void append(const char *text)
{
    char joined[2 * PROGRESS_SIZE];
    char *start = joined;
    int add = lstrlenA(text);
    int length = lstrlenA(remover.progress);
    int lines;

    if (add > PROGRESS_SIZE - 1) {
        text += add - (PROGRESS_SIZE - 1);
        add = PROGRESS_SIZE - 1;
    }
    CopyMemory(joined, remover.progress, length);
    CopyMemory(joined + length, text, add + 1);
    length += add;
    lines = linesIn(joined);
    while (length > PROGRESS_SIZE - 1 || lines > VIEW_LINES) {
        char *next = start;
        while (*next && *next != '\n')
            next++;
        if (*next == 0) {       /* a single line too long: its end */
            start += length - (PROGRESS_SIZE - 1);
            break;
        }
        next++;
        length -= (int)(next - start);
        start = next;
        lines--;
    }
    CopyMemory(remover.progress, start, lstrlenA(start) + 1);
}

static void show(void)
{
    SetDlgItemTextA(remover.dialog, IDC_PROGRESS, remover.progress);
}

static void showAndPause(DWORD milliseconds)
{
    show();
    Sleep(milliseconds);
}

/* out := a + b + c, or 0 and nothing written when that does not fit: a
   path cut short could name some other file or folder. */
static int joinPath(char *out, const char *a, const char *b, const char *c)
{
    int na = lstrlenA(a), nb = lstrlenA(b), nc = lstrlenA(c);
    if (na + nb + nc > PATH_SIZE - 1)
        return 0;
    CopyMemory(out, a, na);
    CopyMemory(out + na, b, nb);
    CopyMemory(out + na + nb, c, nc + 1);
    return 1;
}

static int endsWith(const char *text, const char *tail)
{
    int n = lstrlenA(text), m = lstrlenA(tail);
    return n >= m && lstrcmpiA(text + n - m, tail) == 0;
}

/* A string value that fits the path storage whole, else empty and 0. */
static int readPathValue(HKEY key, const char *name, char *out)
{
    char value[PATH_SIZE + 1];
    DWORD type = 0;
    DWORD size = PATH_SIZE;

    out[0] = 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)value, &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return 0;
    value[size] = 0;    /* stored without its terminator, or not */
    if (lstrlenA(value) > PATH_SIZE - 1)
        return 0;
    lstrcpynA(out, value, PATH_SIZE);
    return 1;
}

/* Steps 1-2: the saver file and the start-menu folder from the record.
   Returns 0 when the record cannot be opened. */
static int readRecord(void)
{
    HKEY key;
    int opened;

    append("Reading uninstall info...");
    showAndPause(400);
    remover.menuFolder[0] = 0;
    opened = joinPath(remover.path, APP_PATHS_KEY, remover.recordName, "")
        && RegOpenKeyExA(HKEY_LOCAL_MACHINE, remover.path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!opened) {
        append("\nerror cant't read uninstall registry entry:\n   HKEY_LOCAL_MACHINE\\");
        append(APP_PATHS_KEY);
        append(remover.recordName);
        return 0;
    }
    readPathValue(key, NULL, remover.path);
    readPathValue(key, "smPath", remover.menuFolder);
    RegCloseKey(key);
    append("  Done");
    append("\n\nDeleting saver files...");
    showAndPause(200);
    return 1;
}

/* Step 3.  Only a screen-saver file is deleted: the record could have been
   made to name any program. */
static void deleteSaverFile(void)
{
    if (endsWith(remover.path, ".scr") && DeleteFileA(remover.path)) {
        append("\nOK");
    } else {
        append("\ncan't find file to remove:\n   ");
        append(remover.path);
    }
    showAndPause(300);
}

/* Steps 6-8. */
static void deleteRecordKey(const RecordKey *k)
{
    HKEY parent;

    if (RegOpenKeyExA(k->root, k->parent, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
        if (RegDeleteKeyA(parent, remover.recordName) == ERROR_SUCCESS) {
            append("\nOK");
        } else {
            append(k->deleteFailed);
            append(remover.recordName);
        }
        RegCloseKey(parent);
    } else {
        append(k->openFailed);
    }
    showAndPause(200);
}

static void deleteMenuEntry(const char *name)
{
    if (joinPath(remover.path, remover.menuFolder, "\\", name) && DeleteFileA(remover.path)) {
        append("\nOK");
    } else {
        /* reported by its real name, even when too long to be deleted */
        append("\ncan't delete entry: ");
        append(remover.menuFolder);
        append("\\");
        append(name);
    }
    showAndPause(200);
}

/* Only "...\zub_Savers\<record name>" is the record's own start-menu
   folder; anything else in "smPath" is left alone. */
static int isRecordMenuFolder(void)
{
    char tail[PATH_SIZE];
    return joinPath(tail, MENU_PARENT, remover.recordName, "")
        && endsWith(remover.menuFolder, tail)
        && lstrlenA(remover.menuFolder) > lstrlenA(tail);
}

/* Step 9.  Subfolders are not entered: deleting one fails and is reported. */
static void clearStartMenu(void)
{
    WIN32_FIND_DATAA found;
    HANDLE search = INVALID_HANDLE_VALUE;
    int ours = isRecordMenuFolder();

    append("\n\nDeleting start menu entries...");
    showAndPause(500);
    if (ours && joinPath(remover.path, remover.menuFolder, "\\*.*", ""))
        search = FindFirstFileA(remover.path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
                deleteMenuEntry(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    append("\n\nRemoving start menu Folder...");
    showAndPause(300);
    if (ours && RemoveDirectoryA(remover.menuFolder)) {
        append("\nOK");
    } else {
        append("\ncant't delete folder: ");
        append(remover.menuFolder);
    }
}

static void removeInstallation(void)
{
    int i;

    remover.progress[0] = 0;
    remover.path[0] = 0;
    if (readRecord())
        deleteSaverFile();
    showAndPause(200);
    append("\n\nDeleting registry entries...");
    showAndPause(400);
    for (i = 0; i < 3; i++)
        deleteRecordKey(&recordKeys[i]);
    if (remover.menuFolder[0] != 0)
        clearStartMenu();
    showAndPause(300);
    append("\n\n... FINISHED");
    show();
    SystemParametersInfoA(0, 0, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(0, 0, NULL, SPIF_SENDWININICHANGE);
    SetDlgItemTextA(remover.dialog, IDOK, "Exit");
    MessageBoxA(remover.dialog, "Uninstall complete !\nClick Exit to finish.", "info",
                MB_ICONINFORMATION);
    remover.finished = 1;
}

static void pressOk(HWND dialog)
{
    if (remover.finished) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (remover.recordName[0] == 0) {
        lstrcpynA(remover.progress, "ERROR: command line is missing !\n", PROGRESS_SIZE);
        show();
        remover.finished = 1;
    } else {
        removeInstallation();
    }
}

static INT_PTR CALLBACK removerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        remover.dialog = dialog;
        SetDlgItemTextA(dialog, IDC_TITLE, "zUb's ScreenSaver Remover [v1.51]");
        break;
    case WM_CLOSE:
        EndDialog(dialog, 1);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            pressOk(dialog);
        } else if (LOWORD(wParam) == IDCANCEL) {
            MessageBoxA(NULL, "Uninstall canceled !", "message", MB_ICONWARNING);
            EndDialog(dialog, 1);
        }
        break;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;      /* read whole below, program name and all */
    (void)show;
    remover.recordName = recordNameOf(GetCommandLineA());
    if (handedOverForRights(remover.recordName))
        return 0;
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REMOVER), NULL, removerDialogProc, 0) < 0)
        MessageBoxA(NULL, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    return 0;
}
