#include "common/syslib.h"

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

/* The 9x line has the ANSI calls only; its system folder holds nothing
   the code page lacks. */
static HMODULE loadNarrow(const char *name)
{
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);

    if (length == 0 || length >= MAX_PATH || lstrlenA(name) > 14)
        return NULL;
    if (*CharPrevA(path, path + length) != '\\')
        path[length++] = '\\';
    lstrcpyA(path + length, name);
    return LoadLibraryExA(path, NULL, importSearchFlags());
}

HMODULE loadSystemLibrary(const char *name)
{
    WCHAR path[MAX_PATH + 16];
    UINT length;
    int i;

    if (GetVersion() & 0x80000000)
        return loadNarrow(name);
    length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || lstrlenA(name) > 14)
        return NULL;
    if (path[length - 1] != L'\\')
        path[length++] = L'\\';
    for (i = 0; name[i] != 0; i++)      /* the names are the system's, in plain ASCII */
        path[length++] = (WCHAR)(unsigned char)name[i];
    path[length] = 0;
    return LoadLibraryExW(path, NULL, importSearchFlags());
}
