/* The one reader of the programs' command lines: setup's switches, the
   mark of a copy started for administrator rights, the remover's
   arguments.  Wide, from the system's own wide line where it keeps one,
   as a folder on it may hold letters beyond the code page.  Plain Win32
   calls only: the remover, which has no C or C++ runtime, shares it. */
#ifndef KELP_CMDLINE_H
#define KELP_CMDLINE_H

#include "common/form.h"

/* The longest command line the system starts a program with, the
   program's own name included (CreateProcess's limit). */
#define COMMAND_ROOM 32768

/* What follows the program's own name on the line it was started with
   (the 9x line's ANSI one converted); an empty text when it cannot be had
   whole. */
const WCHAR *programArguments(void);
/* What follows the program's name on `line`: quoted, or unquoted with or
   without blanks (the system hands a path with blanks over as it was
   written; `self`, the program's own path, is then told by itself). */
const WCHAR *argumentsOf(const WCHAR *line, const WCHAR *self);
/* The next word of `*line` (up to a blank), blanks before it skipped;
   0 at the line's end. */
int nextWord(const WCHAR **line, const WCHAR **word, int *length);
/* `word` is the switch `name`, of ASCII letters in any case; a name
   ending in '=' is followed by its value. */
int isSwitch(const WCHAR *word, int length, const char *name);
/* A switch first on the line, taken off with the blanks after it. */
int takeSwitch(const WCHAR **line, const char *name);
/* A value that takes the rest of the line whole, blanks and all: quoted
   ("..."; `opened` when its quote came before the switch) or not.  A
   quoted one ends the line; backslashes before its closing quote are
   halved, as the C runtime's quoting doubles them.  0 when it is not
   whole, holds a quote, or does not fit `size`. */
int restOfLine(const WCHAR *text, int opened, WCHAR *value, int size);

#endif
