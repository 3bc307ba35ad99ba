/* The path layer: every call below goes to the running system's own form
   of the call, chosen once.  The two forms take the same arguments but for
   the width of their texts, so one table of calls serves both, and only
   the texts are converted, on the 9x line, on their way in (callText) and
   out (takeText). */
#include "common/files.h"

#include <shellapi.h>

/* Each member has the wide form's type; the ANSI form's differs in the
   width of its texts alone. */
struct PathCalls {
    decltype(&GetModuleFileNameW) moduleName;
    decltype(&GetWindowsDirectoryW) windowsFolder, systemFolder;
    decltype(&CreateFileW) createFile;
    decltype(&CopyFileW) copyFile;
    decltype(&DeleteFileW) deleteFile, removeFolder, enterFolder;
    decltype(&CreateDirectoryW) makeFolder;
    decltype(&GetFileAttributesW) attributes;
    decltype(&SetFileAttributesW) setAttributes;
    decltype(&FindFirstFileW) findFirst;
    decltype(&FindNextFileW) findNext;
    decltype(&GetFullPathNameW) fullPath;
    const char *longPath;       /* looked up: Windows 95 and NT 4 lack it */
    const char *expand;         /* looked up, as is every call Windows 95 may lack */
    decltype(&GetVolumeInformationW) volume;
    decltype(&GetDriveTypeW) driveType;
    decltype(&LoadLibraryExW) loadLibrary;
    decltype(&WritePrivateProfileStringW) writeProfile;
    decltype(&RegSetValueExW) setValue;
    decltype(&RegQueryValueExW) queryValue;
    decltype(&SetWindowTextW) setText;
    decltype(&GetWindowTextW) getText;
    decltype(&SendMessageW) send;
    decltype(&DlgDirListW) listBox, listComboBox;
    const char *idListPath, *execute;  /* in the shell */
    decltype(&lstrcmpiW) compare;
    const IID *shellLink;
};

/* The shell's published link interfaces, spelled out here: the remover
   would otherwise take in the whole list of the system's identifiers. */
static const IID shellLinkA = { 0x000214EE, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };
static const IID shellLinkW = { 0x000214F9, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };

#define CALL(member, call) ((decltype(PathCalls::member))(void (*)(void))(call))
#define HALF(A_OR_W) { \
    CALL(moduleName, GetModuleFileName##A_OR_W), CALL(windowsFolder, GetWindowsDirectory##A_OR_W), \
    CALL(systemFolder, GetSystemDirectory##A_OR_W), CALL(createFile, CreateFile##A_OR_W), \
    CALL(copyFile, CopyFile##A_OR_W), CALL(deleteFile, DeleteFile##A_OR_W), \
    CALL(removeFolder, RemoveDirectory##A_OR_W), CALL(enterFolder, SetCurrentDirectory##A_OR_W), \
    CALL(makeFolder, CreateDirectory##A_OR_W), CALL(attributes, GetFileAttributes##A_OR_W), \
    CALL(setAttributes, SetFileAttributes##A_OR_W), \
    CALL(findFirst, FindFirstFile##A_OR_W), CALL(findNext, FindNextFile##A_OR_W), \
    CALL(fullPath, GetFullPathName##A_OR_W), "GetLongPathName" #A_OR_W, \
    "ExpandEnvironmentStrings" #A_OR_W, \
    CALL(volume, GetVolumeInformation##A_OR_W), CALL(driveType, GetDriveType##A_OR_W), \
    CALL(loadLibrary, LoadLibraryEx##A_OR_W), \
    CALL(writeProfile, WritePrivateProfileString##A_OR_W), CALL(setValue, RegSetValueEx##A_OR_W), \
    CALL(queryValue, RegQueryValueEx##A_OR_W), CALL(setText, SetWindowText##A_OR_W), \
    CALL(getText, GetWindowText##A_OR_W), \
    CALL(send, SendMessage##A_OR_W), CALL(listBox, DlgDirList##A_OR_W), \
    CALL(listComboBox, DlgDirListComboBox##A_OR_W), "SHGetPathFromIDList" #A_OR_W, \
    "ShellExecute" #A_OR_W, CALL(compare, lstrcmpi##A_OR_W), &shellLink##A_OR_W }

static const PathCalls wideHalf = HALF(W);
static const PathCalls narrowHalf = HALF(A);
static const PathCalls *chosen;

/* The 9x line's wide calls are stubs that fail. */
static const PathCalls *calls(void)
{
    if (chosen == NULL)
        chosen = (GetVersion() & 0x80000000) != 0 ? &narrowHalf : &wideHalf;
    return chosen;
}

/* The text as the chosen calls take it: as it is, or in the code page.  A
   letter the code page lacks would come out as '?', a wildcard to the
   file system: no text at all then. */
const WCHAR *callText(const WCHAR *text, char *scratch, int size)
{
    BOOL lossy = FALSE;

    if (text == NULL || calls() != &narrowHalf)
        return text;
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, scratch, size, NULL, &lossy) <= 0 || lossy)
        return NULL;
    return (const WCHAR *)scratch;
}

/* What a call wrote into `raw` (room for PATH_ROOM wide characters, or
   twice as many ANSI bytes), whole into `out`, or nothing. */
static int takeText(const WCHAR *raw, WCHAR *out, int size)
{
    if (raw == out)     /* written in place, by a wide call */
        return textLength(out) < size;
    if (calls() == &narrowHalf)
        return MultiByteToWideChar(CP_ACP, 0, (const char *)raw, -1, out, size) > 0;
    return copyText(out, size, raw);
}

/* A call of the chosen half that not every system has, or NULL. */
template <class Call> static Call lookUp(const char *module, const char *name)
{
    HMODULE loaded = GetModuleHandleA(module);

    return loaded != NULL ? (Call)(void (*)(void))GetProcAddress(loaded, name) : NULL;
}

const IID *shellLinkInterface(void)
{
    return calls()->shellLink;
}

int toWide(const char *text, WCHAR *wide, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) > 0;
}

/* The 9x line has lstrcmpiW only as a stub, whose answer says nothing:
   there the texts are compared in the code page, as its file system
   compares names. */
int sameText(const WCHAR *one, const WCHAR *other)
{
    char oneScratch[2 * PATH_ROOM], otherScratch[2 * PATH_ROOM];
    const WCHAR *a = callText(one, oneScratch, sizeof oneScratch);
    const WCHAR *b = callText(other, otherScratch, sizeof otherScratch);

    return a != NULL && b != NULL && calls()->compare(a, b) == 0;
}

int appendName(WCHAR *path, int size, const WCHAR *name)
{
    int length = textLength(path);

    if (length > 0 && path[length - 1] == '\\')
        return appendText(path, size, name);
    if (!appendText(path, size, L"\\"))
        return 0;
    if (appendText(path, size, name))
        return 1;
    path[length] = 0;
    return 0;
}

/* ---- the program's own places ---- */

/* A length of 0 is a failure, and one that fills the buffer a cut path. */
static int whole(DWORD length, const WCHAR *raw, WCHAR *out, int size)
{
    return length > 0 && length < PATH_ROOM && takeText(raw, out, size);
}

int modulePath(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return whole(calls()->moduleName(NULL, raw, PATH_ROOM), raw, path, size);
}

int windowsFolder(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return whole(calls()->windowsFolder(raw, PATH_ROOM), raw, path, size);
}

int systemFolder(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return whole(calls()->systemFolder(raw, PATH_ROOM), raw, path, size);
}

/* The item list is freed by the shell's own allocator, which every
   system has, rather than through COM. */
int specialFolder(int csidl, WCHAR *path)
{
    auto idListPath = lookUp<decltype(&SHGetPathFromIDListW)>("shell32.dll", calls()->idListPath);
    LPITEMIDLIST items = NULL;
    IMalloc *allocator = NULL;
    WCHAR raw[PATH_ROOM];
    int found;

    path[0] = raw[0] = 0;
    if (SHGetSpecialFolderLocation(NULL, csidl, &items) != S_OK || items == NULL)
        return 0;
    found = idListPath != NULL && idListPath(items, raw) && raw[0] != 0 && takeText(raw, path, MAX_PATH);
    if (SHGetMalloc(&allocator) == S_OK) {
        allocator->Free(items);
        allocator->Release();
    }
    return found;
}

/* ---- files and folders ---- */

/* The body of a call on one path: the path in the chosen calls' form, or
   the call's own failure where it cannot be had. */
#define ON_PATH(path, call, failure) \
    char scratch[2 * PATH_ROOM]; \
    const WCHAR *arg = callText(path, scratch, sizeof scratch); \
    return arg != NULL ? (call) : (failure)

HANDLE openFile(const WCHAR *path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    ON_PATH(path, calls()->createFile(arg, access, share, NULL, disposition, flags, NULL),
            INVALID_HANDLE_VALUE);
}

int copyFile(const WCHAR *from, const WCHAR *to, BOOL failIfExists)
{
    char fromScratch[2 * PATH_ROOM], toScratch[2 * PATH_ROOM];
    const WCHAR *source = callText(from, fromScratch, sizeof fromScratch);
    const WCHAR *target = callText(to, toScratch, sizeof toScratch);

    return source != NULL && target != NULL && calls()->copyFile(source, target, failIfExists);
}

int deleteFile(const WCHAR *path)
{
    ON_PATH(path, calls()->deleteFile(arg), FALSE);
}

int removeFolder(const WCHAR *path)
{
    ON_PATH(path, calls()->removeFolder(arg), FALSE);
}

int enterFolder(const WCHAR *path)
{
    ON_PATH(path, calls()->enterFolder(arg), FALSE);
}

int makeFolder(const WCHAR *path)
{
    ON_PATH(path, calls()->makeFolder(arg, NULL), FALSE);
}

DWORD attributesOf(const WCHAR *path)
{
    ON_PATH(path, calls()->attributes(arg), INVALID_FILE_ATTRIBUTES);
}

int setAttributes(const WCHAR *path, DWORD attributes)
{
    ON_PATH(path, calls()->setAttributes(arg, attributes), FALSE);
}

/* From the directory entry, as Windows 95 has no call for it alone: both
   forms of the found record begin with the very fields asked for. */
int fileData(const WCHAR *path, WIN32_FILE_ATTRIBUTE_DATA *data)
{
    char scratch[2 * PATH_ROOM];
    const WCHAR *arg = callText(path, scratch, sizeof scratch);
    WIN32_FIND_DATAW found;
    HANDLE search = arg != NULL ? calls()->findFirst(arg, &found) : INVALID_HANDLE_VALUE;

    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    CopyMemory(data, &found, sizeof *data);
    return 1;
}

HMODULE loadLibrary(const WCHAR *path, DWORD flags)
{
    ON_PATH(path, calls()->loadLibrary(arg, NULL, flags), NULL);
}

/* Both forms of the found record begin alike, up to the name, which is
   where each form writes its own text. */
int findName(HANDLE *search, const WCHAR *pattern, WCHAR *name, int size)
{
    char scratch[2 * PATH_ROOM];
    WIN32_FIND_DATAW found;
    const WCHAR *arg;

    if (*search != INVALID_HANDLE_VALUE) {
        if (!calls()->findNext(*search, &found))
            return 0;
    } else {
        arg = callText(pattern, scratch, sizeof scratch);
        if (arg == NULL)
            return 0;
        *search = calls()->findFirst(arg, &found);
        if (*search == INVALID_HANDLE_VALUE)
            return 0;
    }
    return takeText(found.cFileName, name, size);
}

int fullPath(const WCHAR *path, WCHAR *full, int size)
{
    WCHAR raw[PATH_ROOM];

    ON_PATH(path, whole(calls()->fullPath(arg, PATH_ROOM, raw, NULL), raw, full, size), 0);
}

void makeLong(WCHAR *path, int size)
{
    auto longPath = lookUp<decltype(&GetLongPathNameW)>("kernel32.dll", calls()->longPath);
    char scratch[2 * PATH_ROOM];
    WCHAR raw[PATH_ROOM], longer[PATH_ROOM];
    const WCHAR *arg = callText(path, scratch, sizeof scratch);

    if (longPath != NULL && arg != NULL && whole(longPath(arg, raw, PATH_ROOM), raw, longer, size))
        copyText(path, size, longer);
}

int volumeLabel(const WCHAR *root, WCHAR *label, int size)
{
    WCHAR raw[PATH_ROOM];
    DWORD longestName, flags;

    ON_PATH(root, calls()->volume(arg, raw, PATH_ROOM, NULL, &longestName, &flags, NULL, 0)
                  && takeText(raw, label, size), 0);
}

UINT driveType(const WCHAR *root)
{
    ON_PATH(root, calls()->driveType(arg), DRIVE_UNKNOWN);
}

int writeProfileText(const WCHAR *section, const WCHAR *key, const WCHAR *value,
                     const WCHAR *file)
{
    char sectionScratch[64], keyScratch[64], valueScratch[2 * PATH_ROOM], fileScratch[64];
    const WCHAR *s = callText(section, sectionScratch, sizeof sectionScratch);
    const WCHAR *k = callText(key, keyScratch, sizeof keyScratch);
    const WCHAR *v = callText(value, valueScratch, sizeof valueScratch);
    const WCHAR *f = callText(file, fileScratch, sizeof fileScratch);

    return s != NULL && k != NULL && v != NULL && f != NULL && calls()->writeProfile(s, k, v, f);
}

/* ---- paths kept in the registry ---- */

/* The stored length counts bytes of whichever form was written. */
int setPathValue(HKEY key, const WCHAR *name, const WCHAR *text)
{
    char nameScratch[64], scratch[2 * PATH_ROOM];
    const WCHAR *n = callText(name, nameScratch, sizeof nameScratch);
    const WCHAR *t = callText(text, scratch, sizeof scratch);
    DWORD bytes = t == text ? (textLength(text) + 1) * sizeof *text
                            : (DWORD)lstrlenA(scratch) + 1;

    return (n != NULL || name == NULL) && t != NULL
        && calls()->setValue(key, n, 0, REG_SZ, (const BYTE *)t, bytes) == ERROR_SUCCESS;
}

/* A value stored without its terminator is read whole all the same; one
   too long for the buffer is none. */
static int readText(HKEY key, const WCHAR *name, WCHAR *text, int size, DWORD wanted)
{
    char nameScratch[64];
    WCHAR raw[PATH_ROOM + 1];
    DWORD type = 0, bytes = PATH_ROOM * sizeof *raw;
    const WCHAR *n = callText(name, nameScratch, sizeof nameScratch);

    text[0] = 0;
    ZeroMemory(raw, sizeof raw);
    return (n != NULL || name == NULL)
        && calls()->queryValue(key, n, NULL, &type, (BYTE *)raw, &bytes) == ERROR_SUCCESS
        && (type == REG_SZ || type == wanted) && takeText(raw, text, size);
}

int readPathValue(HKEY key, const WCHAR *name, WCHAR *text, int size)
{
    return readText(key, name, text, size, REG_SZ);
}

int readCommandValue(HKEY key, const WCHAR *name, WCHAR *text, int size)
{
    auto expand = lookUp<decltype(&ExpandEnvironmentStringsW)>("kernel32.dll", calls()->expand);
    char scratch[2 * PATH_ROOM];
    WCHAR stored[PATH_ROOM], raw[PATH_ROOM];
    const WCHAR *arg;

    if (!readText(key, name, stored, PATH_ROOM, REG_EXPAND_SZ))
        return 0;
    arg = callText(stored, scratch, sizeof scratch);
    raw[0] = 0;
    return expand != NULL && arg != NULL && whole(expand(arg, raw, PATH_ROOM), raw, text, size);
}

/* ---- paths shown in controls ---- */

int setWindowText(HWND window, const WCHAR *text)
{
    char scratch[4096];
    const WCHAR *arg = callText(text, scratch, sizeof scratch);

    return arg != NULL && calls()->setText(window, arg);
}

/* Asked of the system, which answers for another program's window too
   without waiting on it. */
int windowText(HWND window, WCHAR *text, int size)
{
    WCHAR raw[PATH_ROOM];

    raw[0] = text[0] = 0;
    return calls()->getText(window, raw, PATH_ROOM) > 0 && takeText(raw, text, size);
}

int setItemText(HWND dialog, int id, const WCHAR *text)
{
    return setWindowText(GetDlgItem(dialog, id), text);
}

int itemText(HWND dialog, int id, WCHAR *text, int size)
{
    WCHAR raw[PATH_ROOM];

    raw[0] = text[0] = 0;
    calls()->send(GetDlgItem(dialog, id), WM_GETTEXT, size < PATH_ROOM ? size : PATH_ROOM,
                  (LPARAM)raw);
    return takeText(raw, text, size);
}

int rowText(HWND list, int index, int combo, WCHAR *text, int size)
{
    WCHAR raw[PATH_ROOM];
    LRESULT length = calls()->send(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);

    text[0] = 0;
    return length >= 0 && length < MAX_PATH
        && calls()->send(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, (LPARAM)raw) >= 0
        && takeText(raw, text, size);
}

int listDirectory(HWND dialog, WCHAR *pattern, int list, int label, UINT kind)
{
    char scratch[2 * PATH_ROOM];
    WCHAR *arg = (WCHAR *)callText(pattern, scratch, sizeof scratch);
    decltype(&DlgDirListW) listing = (kind & DDL_DRIVES) ? calls()->listComboBox : calls()->listBox;
    int listed;

    if (arg == NULL)
        return 0;
    listed = listing(dialog, arg, list, label, kind);
    if (!takeText(arg, pattern, MAX_PATH))
        pattern[0] = 0;
    return listed;
}

/* ---- the shell ---- */

int openWithShell(HWND owner, const WCHAR *file, const WCHAR *parameters, const WCHAR *folder)
{
    char fileScratch[2 * PATH_ROOM], parameterScratch[2 * PATH_ROOM], folderScratch[2 * PATH_ROOM];
    const WCHAR *f = callText(file, fileScratch, sizeof fileScratch);
    const WCHAR *p = callText(parameters, parameterScratch, sizeof parameterScratch);
    const WCHAR *d = callText(folder, folderScratch, sizeof folderScratch);
    auto execute = lookUp<decltype(&ShellExecuteW)>("shell32.dll", calls()->execute);

    return f != NULL && (p != NULL || parameters == NULL) && (d != NULL || folder == NULL)
        && execute != NULL && (INT_PTR)execute(owner, NULL, f, p, d, SW_SHOWNORMAL) > 32;
}
