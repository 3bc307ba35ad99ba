#include "setup/paths.h"

int endsInSeparator(const char *path)
{
    const char *end = path + lstrlenA(path);
    return end > path && *CharPrevA(path, end) == '\\';
}

int hasWidePaths(void)
{
    return (GetVersion() & 0x80000000) == 0;
}

int appendWide(WCHAR *buffer, int size, const WCHAR *piece)
{
    int used = lstrlenW(buffer);

    if (used + lstrlenW(piece) + 1 > size)
        return 0;
    lstrcpynW(buffer + used, piece, size - used);
    return 1;
}

int appendNarrow(WCHAR *buffer, int size, const char *piece)
{
    WCHAR wide[MAX_PATH];

    return toWide(piece, wide, MAX_PATH) && appendWide(buffer, size, wide);
}

int toNarrow(const WCHAR *path, char *narrow, int size)
{
    return WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, size, NULL, NULL) > 0;
}

int toWide(const char *path, WCHAR *wide, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, path, -1, wide, size) > 0;
}
