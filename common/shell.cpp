#include "common/files.h"

#include <shellapi.h>

/* Looked up, as is every call Windows 95 may lack. */
static decltype(&SHGetPathFromIDListW) idListPath;
static decltype(&ShellExecuteW) execute;

static void lookUpShell(void)
{
    LOOK_UP_ONCE(idListPath, "shell32.dll", FORM_NAME("SHGetPathFromIDList"));
    LOOK_UP_ONCE(execute, "shell32.dll", FORM_NAME("ShellExecute"));
}

/* The item list is freed by the shell's own allocator, which every
   system has, rather than through COM. */
int specialFolder(int csidl, WCHAR *path)
{
    LPITEMIDLIST items = NULL;
    IMalloc *allocator = NULL;
    WCHAR raw[PATH_ROOM];
    int found;

    path[0] = raw[0] = 0;
    lookUpShell();
    if (SHGetSpecialFolderLocation(NULL, csidl, &items) != S_OK || items == NULL)
        return 0;
    found = idListPath != NULL && idListPath(items, raw) && raw[0] != 0 && takeText(raw, path, MAX_PATH);
    if (SHGetMalloc(&allocator) == S_OK) {
        allocator->Free(items);
        allocator->Release();
    }
    return found;
}

int openWithShell(HWND owner, const WCHAR *file, const WCHAR *parameters, const WCHAR *folder)
{
    char fileScratch[2 * PATH_ROOM], parameterScratch[2 * PATH_ROOM], folderScratch[2 * PATH_ROOM];
    const WCHAR *f = callText(file, fileScratch, sizeof fileScratch);
    const WCHAR *p = callText(parameters, parameterScratch, sizeof parameterScratch);
    const WCHAR *d = callText(folder, folderScratch, sizeof folderScratch);

    lookUpShell();
    return f != NULL && (p != NULL || parameters == NULL) && (d != NULL || folder == NULL)
        && execute != NULL && (INT_PTR)execute(owner, NULL, f, p, d, SW_SHOWNORMAL) > 32;
}
