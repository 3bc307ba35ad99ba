/* The files and folders the remover reads and removes; setup and the
   picker share them. */
#include "common/files.h"

#define FILE_CALLS(CALL) \
    CALL(moduleName, GetModuleFileName) CALL(windowsFolder, GetWindowsDirectory) \
    CALL(createFile, CreateFile) CALL(deleteFile, DeleteFile) CALL(removeFolder, RemoveDirectory) \
    CALL(attributes, GetFileAttributes) CALL(setAttributes, SetFileAttributes) \
    CALL(findFirst, FindFirstFile) CALL(findNext, FindNextFile) CALL(fullPath, GetFullPathName) \
    CALL(tempFolder, GetTempPath)
CALL_TABLE(FileCalls, FILE_CALLS, fileCalls)

/* ---- the program's own places ---- */

int modulePath(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return takeWhole(fileCalls()->moduleName(NULL, raw, PATH_ROOM), raw, path, size);
}

int windowsFolder(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return takeWhole(fileCalls()->windowsFolder(raw, PATH_ROOM), raw, path, size);
}

int tempFolder(WCHAR *path, int size)
{
    WCHAR raw[PATH_ROOM];

    return takeWhole(fileCalls()->tempFolder(PATH_ROOM, raw), raw, path, size);
}

/* ---- files and folders ---- */

HANDLE openFile(const WCHAR *path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    ON_PATH(path, fileCalls()->createFile(arg, access, share, NULL, disposition, flags, NULL),
            INVALID_HANDLE_VALUE);
}

int deleteFile(const WCHAR *path)
{
    ON_PATH(path, fileCalls()->deleteFile(arg), FALSE);
}

int removeFolder(const WCHAR *path)
{
    ON_PATH(path, fileCalls()->removeFolder(arg), FALSE);
}

DWORD attributesOf(const WCHAR *path)
{
    ON_PATH(path, fileCalls()->attributes(arg), INVALID_FILE_ATTRIBUTES);
}

int setAttributes(const WCHAR *path, DWORD attributes)
{
    ON_PATH(path, fileCalls()->setAttributes(arg, attributes), FALSE);
}

/* Both forms of the found record begin alike, up to the name, which is
   where each form writes its own text. */
int findName(HANDLE *search, const WCHAR *pattern, WCHAR *name, int size)
{
    char scratch[2 * PATH_ROOM];
    WIN32_FIND_DATAW found;
    const WCHAR *arg;

    if (*search != INVALID_HANDLE_VALUE) {
        if (!fileCalls()->findNext(*search, &found))
            return 0;
    } else {
        arg = callText(pattern, scratch, sizeof scratch);
        if (arg == NULL)
            return 0;
        *search = fileCalls()->findFirst(arg, &found);
        if (*search == INVALID_HANDLE_VALUE)
            return 0;
    }
    return takeText(found.cFileName, name, size);
}

/* From the directory entry, as Windows 95 has no call for it alone: both
   forms of the found record begin with the very fields asked for. */
int fileData(const WCHAR *path, WIN32_FILE_ATTRIBUTE_DATA *data)
{
    char scratch[2 * PATH_ROOM];
    const WCHAR *arg = callText(path, scratch, sizeof scratch);
    WIN32_FIND_DATAW found;
    HANDLE search = arg != NULL ? fileCalls()->findFirst(arg, &found) : INVALID_HANDLE_VALUE;

    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    CopyMemory(data, &found, sizeof *data);
    return 1;
}

int fullPath(const WCHAR *path, WCHAR *full, int size)
{
    WCHAR raw[PATH_ROOM];

    ON_PATH(path, takeWhole(fileCalls()->fullPath(arg, PATH_ROOM, raw, NULL), raw, full, size), 0);
}

/* Looked up: Windows 95 and NT 4 lack it. */
void makeLong(WCHAR *path, int size)
{
    static decltype(&GetLongPathNameW) longPath;
    char scratch[2 * PATH_ROOM];
    WCHAR raw[PATH_ROOM], longer[PATH_ROOM];
    const WCHAR *arg = callText(path, scratch, sizeof scratch);

    LOOK_UP_ONCE(longPath, "kernel32.dll", FORM_NAME("GetLongPathName"));
    if (longPath != NULL && arg != NULL && takeWhole(longPath(arg, raw, PATH_ROOM), raw, longer, size))
        copyText(path, size, longer);
}

int sameIdentity(const BY_HANDLE_FILE_INFORMATION *one, const BY_HANDLE_FILE_INFORMATION *other)
{
    return one->dwVolumeSerialNumber == other->dwVolumeSerialNumber
        && one->nFileIndexHigh == other->nFileIndexHigh && one->nFileIndexLow == other->nFileIndexLow;
}

/* Told by the file system's identity of both, not by their path texts,
   as the name may pass through a link further up (a moved profile, a
   redirected Start Menu). */
int isFolderItself(HANDLE itself, const WCHAR *path)
{
    HANDLE followed = openFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE
                               | FILE_SHARE_DELETE, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    BY_HANDLE_FILE_INFORMATION one, two;
    int same = followed != INVALID_HANDLE_VALUE && GetFileInformationByHandle(itself, &one)
        && GetFileInformationByHandle(followed, &two) && (one.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(one.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && sameIdentity(&one, &two);

    if (followed != INVALID_HANDLE_VALUE)
        CloseHandle(followed);
    return same;
}
