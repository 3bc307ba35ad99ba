/* Administrator rights for the programs that write the Windows directory
   and HKEY_LOCAL_MACHINE: setup and the remover.  Without them a 32-bit
   program on Windows Vista and later writes into a per-user store that the
   system never reads, and would report success all the same.  Shared by
   both programs; plain Win32 calls only, as the remover has no C++
   runtime. */
#ifndef KELP_RIGHTS_H
#define KELP_RIGHTS_H

#include <windows.h>

/* What the process token says: the system has no such notion before Vista. */
enum { ELEVATION_UNKNOWN = -1, ELEVATION_LIMITED = 0, ELEVATION_FULL = 1 };

/* 1 when the program should start itself again asking for the rights: it
   cannot write where it must, and asking could change that. */
int needsRights(int canWrite, int elevation);
/* Creates and at once drops a file in the Windows directory. */
int canWriteWindowsFolder(void);
int processElevation(void);
/* Starts this program again with `arguments` through the "runas" verb,
   which asks the user for administrator rights; 0 when the user declines
   or the start fails. */
int restartWithRights(const char *arguments);
/* All of the above: 1 when a copy with the rights was started and this
   one should end without doing anything.  The copy finds RIGHTS_MARK
   first among its `arguments`, is not started again, and has the mark
   taken off them. */
#define RIGHTS_MARK "/rights"
int handedOverForRights(const char **arguments);
/* What follows the program's own name on its command line: quoted, or
   unquoted with or without blanks. */
const char *commandArguments(const char *line);

#endif
