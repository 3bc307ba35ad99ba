#include "common/form.h"

/* The 9x line's wide calls are stubs that fail. */
int narrowForm(void)
{
    return (GetVersion() & 0x80000000) != 0;
}

const WCHAR *callText(const WCHAR *text, char *scratch, int size)
{
    BOOL lossy = FALSE;

    if (text == NULL || !narrowForm())
        return text;
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, scratch, size, NULL, &lossy) <= 0 || lossy)
        return NULL;
    return (const WCHAR *)scratch;
}

int takeText(const WCHAR *raw, WCHAR *out, int size)
{
    if (raw == out)     /* written in place, by a wide call */
        return textLength(out) < size;
    if (narrowForm())
        return MultiByteToWideChar(CP_ACP, 0, (const char *)raw, -1, out, size) > 0;
    return copyText(out, size, raw);
}

int takeWhole(DWORD length, const WCHAR *raw, WCHAR *out, int size)
{
    return length > 0 && length < PATH_ROOM && takeText(raw, out, size);
}

int toWide(const char *text, WCHAR *wide, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) > 0;
}

FARPROC systemCall(HMODULE library, const char *name)
{
    return library != NULL ? GetProcAddress(library, name) : NULL;
}

int sameLetters(const WCHAR *one, const WCHAR *other, WCHAR *(WINAPI *upper)(WCHAR *))
{
    int i;

    for (i = 0; upper != NULL && upper((WCHAR *)(ULONG_PTR)one[i]) == upper((WCHAR *)(ULONG_PTR)other[i]); i++)
        if (one[i] == 0)
            return 1;
    return 0;
}

/* The file system upper-cases each letter on its own and compares the
   letters, where a language's rules take "Straße" for "Strasse": Vista
   on has that as a call, older NT upper-cases through the system's own
   table, the 9x line in the code page, whole, as a letter may be two bytes. */
int sameText(const WCHAR *one, const WCHAR *other)
{
    static int (WINAPI *ordinal)(const WCHAR *, int, const WCHAR *, int, BOOL);
    static WCHAR *(WINAPI *upper)(WCHAR *);     /* looked up: Windows 95 may lack it */
    char a[2 * PATH_ROOM], b[2 * PATH_ROOM];
    int i;

    if (narrowForm()) {
        if (callText(one, a, sizeof a) == NULL || callText(other, b, sizeof b) == NULL)
            return 0;
        CharUpperBuffA(a, lstrlenA(a));
        CharUpperBuffA(b, lstrlenA(b));
        for (i = 0; a[i] == b[i]; i++)
            if (a[i] == 0)
                return 1;
        return 0;
    }
    LOOK_UP_ONCE(ordinal, "kernel32.dll", "CompareStringOrdinal");
    if (ordinal != NULL)
        return ordinal(one, -1, other, -1, TRUE) == CSTR_EQUAL;
    LOOK_UP_ONCE(upper, "user32.dll", "CharUpperW");
    return sameLetters(one, other, upper);
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
