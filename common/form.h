/* The running system's own form of its calls: the NT line takes each path
   whole through its wide calls; the 9x line has ANSI calls only (its wide
   ones are stubs), and there texts are converted on their way in
   (callText) and out (takeText).  Plain Win32 calls: the remover, which
   has no C or C++ runtime, shares this. */
#ifndef KELP_FORM_H
#define KELP_FORM_H

#include <windows.h>

#include "common/text.h"

/* Room for a full path and the fixed text built onto it (a blank and the
   record name, a file name), so that forming a text never cuts it;
   whether the result is usable as a path is checked apart. */
#define PATH_ROOM (MAX_PATH + 48)

/* The system runs the 9x line's ANSI calls. */
int narrowForm(void);

/* A part's table of its calls in both forms, made from one list of rows
   CALL(member, call): a row makes its member and both forms' entries, so
   no entry can stand in another's place.  A member has the wide form's
   type; the ANSI form's differs in the width of its texts alone. */
#define CALL_TABLE(Table, ROWS, accessor) \
    struct Table { ROWS(TABLE_MEMBER) }; \
    static const Table wide##Table = { ROWS(TABLE_WIDE) }, narrow##Table = { ROWS(TABLE_NARROW) }; \
    static const Table *accessor(void) { return narrowForm() ? &narrow##Table : &wide##Table; }
#define TABLE_MEMBER(member, call) decltype(&call##W) member;
#define TABLE_WIDE(member, call) call##W,
#define TABLE_NARROW(member, call) (decltype(&call##W))(void (*)(void))call##A,

/* A text as the running form's calls take it: as it is, or converted into
   `scratch`; NULL when it cannot be converted whole (a letter the code
   page lacks would come out as '?', a wildcard). */
const WCHAR *callText(const WCHAR *text, char *scratch, int size);
/* What a call wrote into `raw` (PATH_ROOM wide characters, or twice as
   many ANSI bytes), whole into `out`, or nothing; takeWhole also takes the
   call's length, where 0 is a failure and one filling `raw` a cut text. */
int takeText(const WCHAR *raw, WCHAR *out, int size);
int takeWhole(DWORD length, const WCHAR *raw, WCHAR *out, int size);

/* A call on a path in the running form, or its failure where there is none. */
#define ON_PATH(path, call, failure) \
    char scratch[2 * PATH_ROOM]; \
    const WCHAR *arg = callText(path, scratch, sizeof scratch); \
    return arg != NULL ? (call) : (failure)

/* A name onto a folder's path with one backslash between them (a drive's
   root keeps its own); 0, and the path as it was, when it does not fit. */
int appendName(WCHAR *path, int size, const WCHAR *name);
/* Two names alike but for case, as the file system compares them, not by
   a language's rules; 0 when either cannot be had in the running form. */
int sameText(const WCHAR *one, const WCHAR *other);
/* The same letter by letter through `upper` (the system's CharUpperW, one
   letter at a time), where NT before Vista has no ordinal comparison. */
int sameLetters(const WCHAR *one, const WCHAR *other, WCHAR *(WINAPI *upper)(WCHAR *));
/* One of the program's own ANSI texts as a wide one. */
int toWide(const char *text, WCHAR *wide, int size);

/* A call not every system has, from a library loaded, or NULL; once into
   a static pointer from one held throughout.  FORM_NAME: "<stem>A" or "W". */
FARPROC systemCall(HMODULE library, const char *name);
#define LOOK_UP(pointer, library, name) \
    ((pointer) = (decltype(pointer))(void (*)(void))systemCall(library, name))
#define LOOK_UP_ONCE(pointer, module, name) \
    do { static int done; if (!done) LOOK_UP(pointer, GetModuleHandleA(module), name), done = 1; } while (0)
#define FORM_NAME(stem) (narrowForm() ? stem "A" : stem "W")

#endif
