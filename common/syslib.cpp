#include "common/syslib.h"
#include "common/files.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef BOOL (WINAPI *DefaultDirectoriesCall)(DWORD);
typedef BOOL (WINAPI *DllDirectoryCall)(const WCHAR *);

struct LibrarySearchState {
    int restricted;     /* the system looks in its own folder only */
};
static LibrarySearchState librarySearch;

void restrictLibrarySearch(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    DllDirectoryCall setDirectory;
    DefaultDirectoriesCall setDefault;

    if (kernel == NULL)
        return;
    setDirectory = (DllDirectoryCall)(void *)GetProcAddress(kernel, "SetDllDirectoryW");
    if (setDirectory != NULL)
        setDirectory(L"");      /* an empty text takes the current folder out */
    setDefault = (DefaultDirectoriesCall)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        librarySearch.restricted = 1;
}

/* The library's own imports: where the search is restricted they come
   from the system folder anyway; elsewhere the search for them starts in
   the library's folder instead of the program's. */
static DWORD importSearchFlags(void)
{
    return librarySearch.restricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

HMODULE loadSystemLibrary(const char *name)
{
    WCHAR path[PATH_ROOM], wideName[16];

    if (lstrlenA(name) > 14 || !toWide(name, wideName, 16) || !systemFolder(path, MAX_PATH)
        || !appendName(path, PATH_ROOM, wideName))
        return NULL;
    return loadLibrary(path, importSearchFlags());
}
