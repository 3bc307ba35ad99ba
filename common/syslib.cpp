#include "common/syslib.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

struct LibrarySearchState {
    int restricted;     /* the system looks in its own folder only */
};
static LibrarySearchState librarySearch;

/* Both calls are looked up: systems without them still start. */
void restrictLibrarySearch(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    BOOL (WINAPI *setDirectory)(const WCHAR *);
    BOOL (WINAPI *setDefault)(DWORD);

    if (LOOK_UP(setDirectory, kernel, "SetDllDirectoryW") != NULL)
        setDirectory(L"");      /* an empty text takes the current folder out */
    if (LOOK_UP(setDefault, kernel, "SetDefaultDllDirectories") != NULL
        && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        librarySearch.restricted = 1;
}

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
    DWORD flags = librarySearch.restricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
    const WCHAR *arg;

    if (lstrlenA(name) > 14 || !toWide(name, wideName, 16) || !systemFile(wideName, path)
        || (arg = callText(path, scratch, sizeof scratch)) == NULL)
        return NULL;
    return narrowForm() ? LoadLibraryExA((const char *)arg, NULL, flags) : LoadLibraryExW(arg, NULL, flags);
}
