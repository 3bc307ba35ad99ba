/* Apart from the loading, which the remover does not do. */
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

int librarySearchRestricted(void)
{
    return librarySearch.restricted;
}
