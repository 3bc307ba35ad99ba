#include "common/syslib.h"

int systemFile(const WCHAR *name, WCHAR *path)
{
    WCHAR raw[PATH_ROOM];
    DWORD length = narrowForm() ? GetSystemDirectoryA((char *)raw, PATH_ROOM)
                                : GetSystemDirectoryW(raw, PATH_ROOM);

    return takeWhole(length, raw, path, MAX_PATH) && appendName(path, PATH_ROOM, name);
}

/* The library's own imports: where the search is restricted they come
   from the system folder anyway; elsewhere the search for them starts in
   the library's folder instead of the program's. */
HMODULE loadSystemLibrary(const char *name)
{
    WCHAR path[PATH_ROOM], wideName[16];
    char scratch[2 * PATH_ROOM];
    DWORD flags = librarySearchRestricted() ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
    const WCHAR *arg;

    if (lstrlenA(name) > 14 || !toWide(name, wideName, 16) || !systemFile(wideName, path)
        || (arg = callText(path, scratch, sizeof scratch)) == NULL)
        return NULL;
    return narrowForm() ? LoadLibraryExA((const char *)arg, NULL, flags) : LoadLibraryExW(arg, NULL, flags);
}
