/* Paths looked at as characters.  Under a double-byte code page (Japanese
   932, Chinese 950, ...) the second byte of a character can be 0x5C, the
   backslash's: a byte-wise test would take "C:\一覧表" for a path ending in
   a separator.  Plain Win32 calls only: the remover shares this. */
#ifndef KELP_PATHS_H
#define KELP_PATHS_H

#include <windows.h>

/* Whether the last character of the path is a backslash. */
int endsInSeparator(const char *path);

/* A user's path is carried wide: its letters may lie beyond the system's
   ANSI code page, which the ANSI calls turn into '?'.  Each append leaves
   the buffer as it was, and answers 0, when the piece does not fit. */
int appendWide(WCHAR *buffer, int size, const WCHAR *piece);
/* One of the program's own (ANSI) names onto a wide path. */
int appendNarrow(WCHAR *buffer, int size, const char *piece);
/* The NT line, where the wide (W) file calls work; 9x has ANSI ones only. */
int hasWidePaths(void);
/* For the 9x line, whose ANSI calls are the only ones, and whose paths
   therefore hold nothing the code page lacks. */
int toNarrow(const WCHAR *path, char *narrow, int size);
int toWide(const char *path, WCHAR *wide, int size);

#endif
