/* Bounded copies of texts into fixed buffers, for the program's own ANSI
   texts and for wide ones alike.  A piece that does not fit leaves the
   buffer as it was and answers 0: a path cut short could name some other
   file.  Header only, so that the remover, which has no C or C++ runtime,
   uses the same two. */
#ifndef KELP_TEXT_H
#define KELP_TEXT_H

#include <windows.h>

inline int textLength(const char *text) { return lstrlenA(text); }
/* Counted here: the 9x line may have lstrlenW only as a stub. */
inline int textLength(const WCHAR *text)
{
    int length = 0;

    while (text[length] != 0)
        length++;
    return length;
}

template <class Char> int copyText(Char *buffer, int size, const Char *text)
{
    int length = textLength(text);

    if (length + 1 > size)
        return 0;
    CopyMemory(buffer, text, (length + 1) * sizeof *text);
    return 1;
}

template <class Char> int appendText(Char *buffer, int size, const Char *piece)
{
    int used = textLength(buffer);

    return copyText(buffer + used, size - used, piece);
}

#endif
