#include "setup/paths.h"

int endsInSeparator(const char *path)
{
    const char *end = path + lstrlenA(path);
    return end > path && *CharPrevA(path, end) == '\\';
}

const char *nextSeparator(const char *from)
{
    for (; *from; from = CharNextA(from))
        if (*from == '\\')
            return from;
    return NULL;
}
