/* The remover: undoes one installation of a zUb saver.  Setup writes this
   program into the Windows directory and registers it, with the record name
   as its one argument, as the uninstall command and as a start-menu link.

   It deletes only what a saver's setup made, and only where the install
   record and the record name agree with what setup writes: a record name
   that could lead out of the folders and keys built from it is refused
   outright; the saver file only as "<record>.scr" in the record's install
   folder, by the name the file system knows it under (a short 8.3 alias of
   some other file does not count); the application-path key only when it
   names that file; the uninstall key only when its command is this program
   with the record; the start-menu folder only when it is the user's own
   "zub_Savers\<record>" and no link to some other folder.  The settings key
   is below the saver's own "zub_Kram".

   The start-menu folder belongs to the user, who may rename it or put a
   link in its place while the remover (perhaps with rights the user lacks)
   pauses between its steps.  So where the system can (Vista on), the folder
   is opened once, checked through that handle, and emptied and removed
   through it: whatever its name comes to mean meanwhile, nothing outside it
   is touched.  Older systems get the checks by name.

   A saver file that is there but cannot be deleted keeps the uninstall and
   application-path keys, so that the system still offers the removal.

   Kept small and free of any C or C++ runtime: plain Win32 calls only,
   and an entry point of its own. */
#include <windows.h>
#include <winternl.h>
#include <shlobj.h>
#include "resource.h"
#include "setup/record.h"
#include "setup/rights.h"
#include "setup/paths.h"
#include "common/syslib.h"

#define PROGRESS_SIZE 1000
#define PATH_SIZE 300

#define APP_PATHS_KEY RECORD_APP_PATHS_KEY "\\"
#define MENU_PARENT "\\" RECORD_MENU_FOLDER "\\"

struct RemoverState {
    const char *recordName;     /* verbatim from the command line */
    int refused;                /* a name no setup writes: treated as never installed */
    int saverIsOurs;            /* the record names "<record>.scr" in its own folder */
    int saverStays;             /* ours, there, and not deletable: its keys stay */
    int finished;
    HWND dialog;
    char progress[PROGRESS_SIZE];
    char menuFolder[PATH_SIZE];         /* as read, then as resolved; shown in the report */
    WCHAR wideMenuFolder[PATH_SIZE];    /* the same, whole, where the handles are used */
};
static RemoverState remover;

/* Calls newer than the oldest systems served, looked up when there. */
typedef DWORD (WINAPI *LongPathCall)(const char *, char *, DWORD);
typedef DWORD (WINAPI *WideLongPathCall)(const WCHAR *, WCHAR *, DWORD);
typedef BOOL (WINAPI *InfoByHandleCall)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void *, DWORD);
typedef DWORD (WINAPI *FinalPathCall)(HANDLE, WCHAR *, DWORD, DWORD);
typedef BOOL (WINAPI *FolderPathCall)(HWND, WCHAR *, int, BOOL);
typedef LONG (NTAPI *OpenRelativeCall)(HANDLE *, ACCESS_MASK, OBJECT_ATTRIBUTES *, IO_STATUS_BLOCK *,
                                       ULONG, ULONG);
struct SystemCalls {
    LongPathCall getLongPathName;
    WideLongPathCall getWideLongPathName;
    InfoByHandleCall getInfoByHandle;
    InfoByHandleCall setInfoByHandle;
    FinalPathCall finalPathOf;
    FolderPathCall specialFolderPath;
    OpenRelativeCall openRelative;      /* NtOpenFile: relative to a folder's handle */
};
static SystemCalls calls;

static void findSystemCalls(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HMODULE nt = GetModuleHandleA("ntdll.dll");

    calls.getLongPathName = (LongPathCall)(void *)GetProcAddress(kernel, "GetLongPathNameA");
    calls.getWideLongPathName = (WideLongPathCall)(void *)GetProcAddress(kernel, "GetLongPathNameW");
    calls.getInfoByHandle = (InfoByHandleCall)(void *)GetProcAddress(kernel, "GetFileInformationByHandleEx");
    calls.setInfoByHandle = (InfoByHandleCall)(void *)GetProcAddress(kernel, "SetFileInformationByHandle");
    calls.finalPathOf = (FinalPathCall)(void *)GetProcAddress(kernel, "GetFinalPathNameByHandleW");
    calls.specialFolderPath = (FolderPathCall)(void *)GetProcAddress(GetModuleHandleA("shell32.dll"),
                                                                     "SHGetSpecialFolderPathW");
    if (nt != NULL)     /* none on the 9x line */
        calls.openRelative = (OpenRelativeCall)(void *)GetProcAddress(nt, "NtOpenFile");
}

static int canWorkThroughHandles(void)
{
    return calls.getInfoByHandle && calls.setInfoByHandle && calls.finalPathOf && calls.openRelative
        && calls.specialFolderPath;
}

/* One of the keys deleted in steps 6 to 8: the parent opened, the record's
   subkey deleted, and the lines reported when either fails.  The reports
   keep the key names as they have always been spelled ("App Paths",
   "zub_kram"): users and their tools know these lines. */
struct RecordKey {
    HKEY root;
    const char *parent;
    const char *deleteFailed;   /* followed by the record name */
    const char *openFailed;
};

static const RecordKey recordKeys[3] = {
    { HKEY_LOCAL_MACHINE, RECORD_UNINSTALL_KEY,
      "\ncan't delete key:\n   HKEY_LOCAL_MACHINE\\" RECORD_UNINSTALL_KEY "\\",
      "\nerror can't open key:\n   HKEY_LOCAL_MACHINE\\" RECORD_UNINSTALL_KEY "\\" },
    { HKEY_LOCAL_MACHINE, RECORD_APP_PATHS_KEY,
      "\ncan't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\",
      "\ncan't open key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\" },
    { HKEY_CURRENT_USER, RECORD_SETTINGS_KEY,
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

/* Keeps the newest text: whatever does not fit the storage is dropped
   from the front, a line at a time. */
static void append(const char *text)
{
    char joined[2 * PROGRESS_SIZE];
    char *start = joined;
    int add = lstrlenA(text);
    int length = lstrlenA(remover.progress);

    if (add > PROGRESS_SIZE - 1) {
        text += add - (PROGRESS_SIZE - 1);
        add = PROGRESS_SIZE - 1;
    }
    CopyMemory(joined, remover.progress, length);
    CopyMemory(joined + length, text, add + 1);
    while (length + add > PROGRESS_SIZE - 1) {
        char *next = start;
        while (*next && *next != '\n')
            next++;
        if (*next == 0) {       /* a single line too long: its end */
            start += length + add - (PROGRESS_SIZE - 1);
            break;
        }
        next++;
        length -= (int)(next - start);
        start = next;
    }
    CopyMemory(remover.progress, start, lstrlenA(start) + 1);
}

/* The view is an edit control, which breaks lines only at CR LF; it is
   scrolled to the end so that the newest line is always in sight. */
static void show(void)
{
    char shown[2 * PROGRESS_SIZE];
    const char *from = remover.progress;
    char *to = shown;
    HWND view = GetDlgItem(remover.dialog, IDC_PROGRESS);

    for (; *from; from++) {
        if (*from == '\n')
            *to++ = '\r';
        *to++ = *from;
    }
    *to = 0;
    SetWindowTextA(view, shown);
    SendMessageA(view, EM_SETSEL, (WPARAM)(to - shown), (LPARAM)(to - shown));
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
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

/* Only a name such as setup writes: one without a folder separator or a
   drive, and no dot name.  Any other would lead the folder and key paths
   built from it out of the installation's own.  Nor one with a tilde,
   the mark of the short 8.3 aliases, by which "<record>.scr" could name
   some "report.scrap". */
static int isPlainName(const char *name)
{
    const char *p;

    if (name[0] == 0 || lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0)
        return 0;
    for (p = name; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':' || *p == '~')
            return 0;
    return 1;
}

/* In place; a path that cannot be made long (absent, or no such call) is
   left as it is. */
static void makeLong(char *path)
{
    char longer[PATH_SIZE];
    DWORD n = calls.getLongPathName ? calls.getLongPathName(path, longer, PATH_SIZE) : 0;

    if (n > 0 && n < PATH_SIZE)
        lstrcpyA(path, longer);
}

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

/* The user's folders may hold letters beyond the system's code page,
   which the ANSI form turns into '?'. */
static int readWidePath(HKEY key, const WCHAR *name, WCHAR *out)
{
    WCHAR value[PATH_SIZE + 1];
    DWORD type = 0;
    DWORD size = PATH_SIZE * sizeof *value;

    out[0] = 0;
    if (RegQueryValueExW(key, name, NULL, &type, (BYTE *)value, &size) != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    value[size / sizeof *value] = 0;
    if (lstrlenW(value) > PATH_SIZE - 1)
        return 0;
    lstrcpynW(out, value, PATH_SIZE);
    return 1;
}

/* The saver file is worked on by its whole (wide) path: the install folder
   may hold letters beyond the system's code page, which the ANSI calls
   turn into '?'.  The 9x line, whose wide calls are stubs, takes the same
   path in its ANSI form, which is whole there. */

static DWORD attributesOf(const WCHAR *path)
{
    char narrow[PATH_SIZE];

    if (hasWidePaths())
        return GetFileAttributesW(path);
    return toNarrow(path, narrow, PATH_SIZE) ? GetFileAttributesA(narrow) : INVALID_FILE_ATTRIBUTES;
}

static int deleteNamed(const WCHAR *path)
{
    char narrow[PATH_SIZE];

    if (hasWidePaths())
        return DeleteFileW(path);
    return toNarrow(path, narrow, PATH_SIZE) && DeleteFileA(narrow);
}

static int setAttributes(const WCHAR *path, DWORD attributes)
{
    char narrow[PATH_SIZE];

    if (hasWidePaths())
        return SetFileAttributesW(path, attributes);
    return toNarrow(path, narrow, PATH_SIZE) && SetFileAttributesA(narrow, attributes);
}

/* The first (search not yet open) or next name a search finds, MAX_PATH
   characters at most. */
static int findEntry(HANDLE *search, const WCHAR *pattern, WCHAR *name)
{
    char narrow[PATH_SIZE];
    WIN32_FIND_DATAW found;
    WIN32_FIND_DATAA narrowFound;
    int more;

    if (hasWidePaths()) {
        if (*search != INVALID_HANDLE_VALUE)
            more = FindNextFileW(*search, &found);
        else
            more = (*search = FindFirstFileW(pattern, &found)) != INVALID_HANDLE_VALUE;
        return more && lstrcpynW(name, found.cFileName, MAX_PATH) != NULL;
    }
    if (*search != INVALID_HANDLE_VALUE)
        more = FindNextFileA(*search, &narrowFound);
    else
        more = toNarrow(pattern, narrow, PATH_SIZE)
            && (*search = FindFirstFileA(narrow, &narrowFound)) != INVALID_HANDLE_VALUE;
    return more && toWide(narrowFound.cFileName, name, MAX_PATH);
}

/* Whether a file or folder that is there has `name` as its own (long) name,
   rather than as the short alias of another.  One that is not there has
   nothing to be mistaken for. */
static int isKnownAsWide(const WCHAR *path, const WCHAR *name)
{
    WCHAR found[MAX_PATH];
    HANDLE search = INVALID_HANDLE_VALUE;

    if (!findEntry(&search, path, found))
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    FindClose(search);
    return lstrcmpiW(found, name) == 0;
}

/* The remover's own path as the system knows it. */
static int ownPath(WCHAR *path)
{
    char narrow[PATH_SIZE];
    DWORD n;

    if (hasWidePaths()) {
        n = GetModuleFileNameW(NULL, path, PATH_SIZE);
        return n > 0 && n < PATH_SIZE - 1;
    }
    n = GetModuleFileNameA(NULL, narrow, PATH_SIZE);
    return n > 0 && n < PATH_SIZE - 1 && toWide(narrow, path, PATH_SIZE);
}

static void makeLongWide(WCHAR *path)
{
    WCHAR longer[PATH_SIZE];
    char narrow[PATH_SIZE];
    DWORD n;

    if (!hasWidePaths()) {
        if (toNarrow(path, narrow, PATH_SIZE)) {
            makeLong(narrow);
            toWide(narrow, path, PATH_SIZE);
        }
        return;
    }
    n = calls.getWideLongPathName ? calls.getWideLongPathName(path, longer, PATH_SIZE) : 0;
    if (n > 0 && n < PATH_SIZE)
        lstrcpyW(path, longer);
}

/* A path value of the record, whole. */
static int readRecordPath(HKEY key, const char *name, WCHAR *out)
{
    char narrow[PATH_SIZE];
    WCHAR wideName[32];

    out[0] = 0;
    if (!hasWidePaths())
        return readPathValue(key, name, narrow) && toWide(narrow, out, PATH_SIZE);
    if (name != NULL && !toWide(name, wideName, 32))
        return 0;
    return readWidePath(key, name != NULL ? wideName : NULL, out);
}

/* The saver file setup writes: "<record>.scr" in the install folder that
   the record's "Path" names (a drive root keeps its backslash). */
static int isRecordSaver(const WCHAR *folder, const WCHAR *saverFile)
{
    WCHAR name[PATH_SIZE], own[PATH_SIZE];
    int n = lstrlenW(folder);

    if (n == 0 || !toWide(remover.recordName, name, PATH_SIZE - 4)
        || n + 1 + lstrlenW(name) + 4 >= PATH_SIZE)
        return 0;
    lstrcatW(name, L".scr");
    lstrcpyW(own, folder);
    if (folder[n - 1] != '\\')
        lstrcatW(own, L"\\");
    lstrcatW(own, name);
    return lstrcmpiW(own, saverFile) == 0 && isKnownAsWide(saverFile, name);
}

/* Steps 1-2: the saver file (whole, and in saverFile as the report shows
   it, PATH_SIZE characters each) and the start-menu folder from the
   record.  Returns 0 when the record cannot be opened. */
static int readRecord(WCHAR *wideSaver, char *saverFile)
{
    HKEY key;
    int opened;
    char keyPath[PATH_SIZE];
    WCHAR folder[PATH_SIZE];

    append("Reading uninstall info...");
    showAndPause(400);
    remover.menuFolder[0] = 0;
    opened = !remover.refused
        && joinPath(keyPath, APP_PATHS_KEY, remover.recordName, "")
        && RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!opened) {
        /* "cant't" is kept: users and their tools know these lines */
        append("\nerror cant't read uninstall registry entry:\n   HKEY_LOCAL_MACHINE\\");
        append(APP_PATHS_KEY);
        append(remover.recordName);
        return 0;
    }
    readRecordPath(key, NULL, wideSaver);
    readRecordPath(key, RECORD_INSTALL_FOLDER, folder);
    readPathValue(key, RECORD_MENU_PATH, remover.menuFolder);
    readRecordPath(key, RECORD_MENU_PATH, remover.wideMenuFolder);
    RegCloseKey(key);
    saverFile[0] = 0;
    toNarrow(wideSaver, saverFile, PATH_SIZE);
    remover.saverIsOurs = isRecordSaver(folder, wideSaver);
    append("  Done");
    append("\n\nDeleting saver files...");
    showAndPause(200);
    return 1;
}

/* A copy from a read-only medium is read-only itself. */
static int deleteWritable(const WCHAR *path)
{
    DWORD attributes;

    if (deleteNamed(path))
        return 1;
    attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
        && setAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY)
        && deleteNamed(path);
}

/* Step 3.  The record could have been made to name any file. */
static void deleteSaverFile(const WCHAR *wideSaver, const char *saverFile)
{
    if (remover.saverIsOurs && deleteWritable(wideSaver)) {
        append("\nOK");
    } else if (remover.saverIsOurs && attributesOf(wideSaver) != INVALID_FILE_ATTRIBUTES) {
        /* in use, or guarded: the record stays, for another run to finish */
        remover.saverStays = 1;
        append("\ncan't delete file:\n   ");
        append(saverFile);
    } else {
        append("\ncan't find file to remove:\n   ");
        append(saverFile);
    }
    showAndPause(300);
}

/* The uninstall key is setup's only when its command starts this very
   program with the record name; another program's key of the same name
   stays. */
static int isRecordUninstallKey(void)
{
    WCHAR self[PATH_SIZE], command[PATH_SIZE], record[PATH_SIZE];
    char keyPath[PATH_SIZE];
    int length;
    HKEY key;

    if (!ownPath(self) || !toWide(remover.recordName, record, PATH_SIZE)
        || !joinPath(keyPath, recordKeys[0].parent, "\\", remover.recordName)
        || RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    readRecordPath(key, RECORD_UNINSTALL_COMMAND, command);
    RegCloseKey(key);
    /* "<program> <record>", the program compared by its long path: the
       system may have started this one by the short one */
    length = lstrlenW(command) - lstrlenW(record) - 1;
    if (length <= 0 || command[length] != ' ' || lstrcmpiW(command + length + 1, record) != 0)
        return 0;
    command[length] = 0;
    makeLongWide(command);
    makeLongWide(self);
    return lstrcmpiW(command, self) == 0;
}

/* Steps 6-8.  A key that is not the record's is reported as not found;
   one kept for a saver file that stays says so, by the same name. */
static void deleteRecordKey(const RecordKey *k, int ours, int kept)
{
    HKEY parent;

    if (kept) {
        append("\nkey kept, saver file still there:");
        append(k->deleteFailed + sizeof "\ncan't delete key:" - 1);
        append(remover.recordName);
    } else if (RegOpenKeyExA(k->root, k->parent, 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
        if (ours && RegDeleteKeyA(parent, remover.recordName) == ERROR_SUCCESS) {
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

/* Reported by its real name, even when too long to be deleted. */
static void reportEntry(const char *name, int deleted)
{
    if (deleted) {
        append("\nOK");
    } else {
        append("\ncan't delete entry: ");
        append(remover.menuFolder);
        append("\\");
        append(name);
    }
    showAndPause(200);
}

static int isPlainFolder(const WCHAR *path)
{
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

static int fullPathOf(const WCHAR *path, WCHAR *full)
{
    char narrow[PATH_SIZE], narrowFull[PATH_SIZE];
    DWORD n;

    if (hasWidePaths()) {
        n = GetFullPathNameW(path, PATH_SIZE, full, NULL);
        return n > 0 && n < PATH_SIZE;
    }
    if (!toNarrow(path, narrow, PATH_SIZE))
        return 0;
    n = GetFullPathNameA(narrow, PATH_SIZE, narrowFull, NULL);
    return n > 0 && n < PATH_SIZE && toWide(narrowFull, full, PATH_SIZE);
}

static int programsFolder(WCHAR *programs)
{
    char narrow[MAX_PATH];

    if (hasWidePaths() && calls.specialFolderPath != NULL)
        return calls.specialFolderPath(NULL, programs, CSIDL_PROGRAMS, FALSE);
    return SHGetSpecialFolderPathA(NULL, narrow, CSIDL_PROGRAMS, FALSE)
        && toWide(narrow, programs, MAX_PATH);
}

/* Only the user's "<Programs>\zub_Savers\<record name>", where "smPath"
   leads once resolved, is the record's start-menu folder; and not when it
   or "zub_Savers" is a link: emptying it would empty the folder linked
   to.  The resolved path is the one worked on from then on, whole. */
static int isRecordMenuFolder(void)
{
    WCHAR programs[MAX_PATH], record[PATH_SIZE], own[PATH_SIZE], full[PATH_SIZE];

    if (!fullPathOf(remover.wideMenuFolder, full) || !toWide(remover.recordName, record, PATH_SIZE)
        || !programsFolder(programs)
        || lstrlenW(programs) + lstrlenW(L"" MENU_PARENT) + lstrlenW(record) >= PATH_SIZE)
        return 0;
    lstrcpyW(own, programs);
    lstrcatW(own, L"" MENU_PARENT);
    lstrcatW(own, record);
    if (lstrcmpiW(full, own) != 0 || !isPlainFolder(full) || !isKnownAsWide(full, record))
        return 0;
    lstrcpyW(remover.wideMenuFolder, full);
    toNarrow(full, remover.menuFolder, PATH_SIZE);
    full[lstrlenW(full) - lstrlenW(record) - 1] = 0;   /* "zub_Savers" */
    return isPlainFolder(full);
}

/* Whether the opened folder is still the one checked by name a moment
   ago: the system's own path of it, not a link's target. */
static int isMenuFolderHandle(HANDLE folder)
{
    WCHAR final[PATH_SIZE + 8];
    WCHAR *path = final;
    BY_HANDLE_FILE_INFORMATION info;
    DWORD n = calls.finalPathOf(folder, final, PATH_SIZE + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);

    if (n == 0 || n >= PATH_SIZE + 8 || !GetFileInformationByHandle(folder, &info)
        || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, final, 8, L"\\\\?\\UNC\\", 8) == CSTR_EQUAL) {
        path += 6;          /* "\\?\UNC\server" is "\\server" */
        *path = '\\';
    } else if (CompareStringW(LOCALE_INVARIANT, 0, final, 4, L"\\\\?\\", 4) == CSTR_EQUAL) {
        path += 4;
    }
    return lstrcmpiW(path, remover.wideMenuFolder) == 0;
}

/* The record's folder opened as itself, never through a link, and checked
   through the handle; INVALID_HANDLE_VALUE when it is not the folder. */
static HANDLE openMenuFolder(void)
{
    HANDLE folder = CreateFileW(remover.wideMenuFolder,
                                FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | DELETE | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                NULL);

    if (folder != INVALID_HANDLE_VALUE && !isMenuFolderHandle(folder)) {
        CloseHandle(folder);
        folder = INVALID_HANDLE_VALUE;
    }
    return folder;
}

/* An entry of the opened folder, opened relative to it (a link as itself,
   not followed; a subfolder not at all) and gone when closed. */
static int deleteRelative(HANDLE folder, WCHAR *name, ULONG bytes)
{
    UNICODE_STRING entry;
    OBJECT_ATTRIBUTES where;
    IO_STATUS_BLOCK io;
    HANDLE opened;

    entry.Length = entry.MaximumLength = (USHORT)bytes;
    entry.Buffer = name;
    InitializeObjectAttributes(&where, &entry, OBJ_CASE_INSENSITIVE, folder, NULL);
    if (calls.openRelative(&opened, DELETE | SYNCHRONIZE, &where, &io,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_DELETE_ON_CLOSE
                           | FILE_SYNCHRONOUS_IO_NONALERT) < 0)
        return 0;
    CloseHandle(opened);
    return 1;
}

static int isDotName(const WCHAR *name, ULONG bytes)
{
    return name[0] == '.' && (bytes == 2 || (bytes == 4 && name[1] == '.'));
}

/* Step 9c through the folder's handle: the entries listed are its own,
   whatever its name has come to lead to. */
static void clearThroughHandle(HANDLE folder)
{
    static LONGLONG batch[512];     /* records of FILE_ID_BOTH_DIR_INFO, 8-byte aligned */
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;

    while (calls.getInfoByHandle(folder, kind, batch, sizeof batch)) {
        FILE_ID_BOTH_DIR_INFO *info = (FILE_ID_BOTH_DIR_INFO *)batch;
        for (;;) {
            char name[2 * MAX_PATH];
            int n = WideCharToMultiByte(CP_ACP, 0, info->FileName, info->FileNameLength / 2,
                                        name, sizeof name - 1, NULL, NULL);
            name[n] = 0;
            if (!isDotName(info->FileName, info->FileNameLength))
                reportEntry(name, deleteRelative(folder, info->FileName, info->FileNameLength));
            if (info->NextEntryOffset == 0)
                break;
            info = (FILE_ID_BOTH_DIR_INFO *)((BYTE *)info + info->NextEntryOffset);
        }
        kind = FileIdBothDirectoryInfo;
    }
}

/* Step 9c where the handle calls are missing (before Vista): by name,
   checked by name, on the whole path. */
static void clearByName(void)
{
    WCHAR pattern[PATH_SIZE], entry[PATH_SIZE], name[MAX_PATH];
    char shown[PATH_SIZE];
    HANDLE search = INVALID_HANDLE_VALUE;
    int n = lstrlenW(remover.wideMenuFolder);

    if (n + 4 >= PATH_SIZE)
        return;
    lstrcpyW(pattern, remover.wideMenuFolder);
    lstrcatW(pattern, L"\\*.*");
    while (findEntry(&search, pattern, name)) {
        if (lstrcmpW(name, L".") == 0 || lstrcmpW(name, L"..") == 0)
            continue;
        lstrcpyW(entry, remover.wideMenuFolder);
        if (n + 1 + lstrlenW(name) < PATH_SIZE) {
            lstrcatW(entry, L"\\");
            lstrcatW(entry, name);
        }
        toNarrow(name, shown, PATH_SIZE);
        reportEntry(shown, n + 1 + lstrlenW(name) < PATH_SIZE && deleteNamed(entry));
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

static int removeNamedFolder(const WCHAR *path)
{
    char narrow[PATH_SIZE];

    if (hasWidePaths())
        return RemoveDirectoryW(path);
    return toNarrow(path, narrow, PATH_SIZE) && RemoveDirectoryA(narrow);
}

/* Step 9e through the handle: the folder goes as the handle closes. */
static int removeThroughHandle(HANDLE folder)
{
    FILE_DISPOSITION_INFO gone;
    int removed;

    gone.DeleteFile = TRUE;
    removed = calls.setInfoByHandle(folder, FileDispositionInfo, &gone, sizeof gone);
    CloseHandle(folder);
    return removed;
}

/* Step 9.  Subfolders are not entered: deleting one fails and is reported.
   The folder is checked and opened before the pause and worked on through
   that handle after it. */
static void clearStartMenu(void)
{
    int byHandle = canWorkThroughHandles();
    int ours = !remover.refused && isRecordMenuFolder();
    HANDLE folder = ours && byHandle ? openMenuFolder() : INVALID_HANDLE_VALUE;
    int removed = 0;

    append("\n\nDeleting start menu entries...");
    showAndPause(500);
    if (folder != INVALID_HANDLE_VALUE)
        clearThroughHandle(folder);
    else if (ours && !byHandle)
        clearByName();
    append("\n\nRemoving start menu Folder...");
    showAndPause(300);
    if (folder != INVALID_HANDLE_VALUE)
        removed = removeThroughHandle(folder);
    else if (ours && !byHandle)
        removed = removeNamedFolder(remover.wideMenuFolder);
    if (removed) {
        append("\nOK");
    } else {
        append("\ncant't delete folder: ");     /* spelled so: users and their tools know it */
        append(remover.menuFolder);
    }
}

static void removeInstallation(void)
{
    char saverFile[PATH_SIZE];
    WCHAR wideSaver[PATH_SIZE];
    int ours[3];
    int i;

    remover.progress[0] = 0;
    remover.refused = !isPlainName(remover.recordName);
    remover.saverIsOurs = 0;
    remover.saverStays = 0;
    if (readRecord(wideSaver, saverFile))
        deleteSaverFile(wideSaver, saverFile);
    showAndPause(200);
    append("\n\nDeleting registry entries...");
    showAndPause(400);
    ours[0] = isRecordUninstallKey();
    ours[1] = remover.saverIsOurs;
    ours[2] = 1;
    /* a saver file that stays keeps the keys that offer its removal */
    for (i = 0; i < 3; i++)
        deleteRecordKey(&recordKeys[i], ours[i] && !remover.refused,
                        ours[i] && i < 2 && remover.saverStays);
    if (remover.menuFolder[0] != 0)
        clearStartMenu();
    showAndPause(300);
    append("\n\n... FINISHED");
    show();
    /* action 0 names no setting; the pair is kept, as users and their tools know it */
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
            /* owned, so that the dialog behind it takes no OK meanwhile */
            MessageBoxA(dialog, "Uninstall canceled !", "message", MB_ICONWARNING);
            EndDialog(dialog, 1);
        }
        break;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;      /* read whole below, program name and all */
    (void)showCommand;      /* the dialog shows itself */
    remover.recordName = recordNameOf(GetCommandLineA());
    findSystemCalls();
    if (handedOverForRights(remover.recordName))
        return 0;
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REMOVER), NULL, removerDialogProc, 0) < 0)
        MessageBoxA(NULL, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    return 0;
}

/* The program's entry: no C runtime to start, as nothing of it is used
   (the command line is read whole above). */
extern "C" void WINAPI removerStart(void)
{
    restrictLibrarySearch();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, NULL, SW_SHOWDEFAULT));
}
