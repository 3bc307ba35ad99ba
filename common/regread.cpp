#include "common/files.h"

/* A value stored without its terminator is read whole all the same; one
   too long for the buffer is none. */
static int readText(HKEY key, const WCHAR *name, WCHAR *text, int size, DWORD wanted)
{
    char nameScratch[64];
    WCHAR raw[PATH_ROOM + 1];
    DWORD type = 0, bytes = PATH_ROOM * sizeof *raw;
    const WCHAR *n = callText(name, nameScratch, sizeof nameScratch);
    LONG status;

    text[0] = 0;
    ZeroMemory(raw, sizeof raw);
    if (n == NULL && name != NULL)
        return 0;
    status = narrowForm() ? RegQueryValueExA(key, (const char *)n, NULL, &type, (BYTE *)raw, &bytes)
                          : RegQueryValueExW(key, n, NULL, &type, (BYTE *)raw, &bytes);
    return status == ERROR_SUCCESS && (type == REG_SZ || type == wanted) && takeText(raw, text, size);
}

int readPathValue(HKEY key, const WCHAR *name, WCHAR *text, int size)
{
    return readText(key, name, text, size, REG_SZ);
}

/* Looked up, as is every call Windows 95 may lack. */
int readCommandValue(HKEY key, const WCHAR *name, WCHAR *text, int size)
{
    static decltype(&ExpandEnvironmentStringsW) expand;
    char scratch[2 * PATH_ROOM];
    WCHAR stored[PATH_ROOM], raw[PATH_ROOM];
    const WCHAR *arg;

    LOOK_UP_ONCE(expand, "kernel32.dll", FORM_NAME("ExpandEnvironmentStrings"));
    if (!readText(key, name, stored, PATH_ROOM, REG_EXPAND_SZ))
        return 0;
    arg = callText(stored, scratch, sizeof scratch);
    raw[0] = 0;
    return expand != NULL && arg != NULL && takeWhole(expand(arg, raw, PATH_ROOM), raw, text, size);
}
