#include "common/files.h"

/* The stored length counts bytes of whichever form was written. */
int setPathValue(HKEY key, const WCHAR *name, const WCHAR *text)
{
    char nameScratch[64], scratch[2 * PATH_ROOM];
    const WCHAR *n = callText(name, nameScratch, sizeof nameScratch);
    const WCHAR *t = callText(text, scratch, sizeof scratch);

    if ((n == NULL && name != NULL) || t == NULL)
        return 0;
    if (t != text)
        return RegSetValueExA(key, (const char *)n, 0, REG_SZ, (const BYTE *)t,
                              (DWORD)lstrlenA(scratch) + 1) == ERROR_SUCCESS;
    return RegSetValueExW(key, n, 0, REG_SZ, (const BYTE *)t, (textLength(text) + 1) * sizeof *text)
        == ERROR_SUCCESS;
}
