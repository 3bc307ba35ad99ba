/* Libraries come from the system folder only.  A program is usually
   started from a downloads folder, where a web page can leave any file;
   whatever library the system would look up beside the program (or in the
   current folder) could run its code inside it, and inside setup with
   administrator rights.  So the programs import only the libraries the
   system itself always takes from its own folder, and load every other one
   by its full path there.  Plain Win32 calls only: the remover, which has
   no C runtime, shares this. */
#ifndef KELP_SYSLIB_H
#define KELP_SYSLIB_H

#include "common/form.h"

/* First thing in each program: the system searches its own folder for
   libraries, and neither the program's folder nor the current one.  Both
   calls are looked up, so that systems without them still start. */
void restrictLibrarySearch(void);
int librarySearchRestricted(void);
/* A file of the system folder by its full path (PATH_ROOM characters):
   a bare name would be searched for, first beside the program. */
int systemFile(const WCHAR *name, WCHAR *path);
/* The system folder's copy of a library, by its full path; NULL when it
   has none.  The caller frees it. */
HMODULE loadSystemLibrary(const char *name);

#endif
