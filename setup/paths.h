/* Paths looked at as characters.  Under a double-byte code page (Japanese
   932, Chinese 950, ...) the second byte of a character can be 0x5C, the
   backslash's: a byte-wise test would take "C:\一覧表" for a path ending in
   a separator.  Plain Win32 calls only: the remover shares this. */
#ifndef KELP_PATHS_H
#define KELP_PATHS_H

#include <windows.h>

/* Whether the last character of the path is a backslash. */
int endsInSeparator(const char *path);
/* The first backslash character at or after `from`, or NULL. */
const char *nextSeparator(const char *from);

#endif
