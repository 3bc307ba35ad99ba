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
   is not the copy started for them (`marked`), it cannot write where it
   must, and asking could change that. */
int asksForRights(int marked, int canWrite, int elevation);
/* Creates and at once drops a file in the Windows directory. */
int canWriteWindowsFolder(void);
int processElevation(void);
/* RIGHTS_HANDED_OVER when a copy with the rights ran (its exit code in
   `exitCode`, to be this one's) and this one should end without doing
   anything; RIGHTS_REFUSED when they are needed and the user declined the
   prompt; RIGHTS_NOT_STARTED when they are needed and no copy could be
   started to ask for them.  The copy finds RIGHTS_MARK first among its
   `arguments`, is not started again, and has the mark taken off them. */
#define RIGHTS_MARK "/rights"
enum { RIGHTS_HELD, RIGHTS_HANDED_OVER, RIGHTS_REFUSED, RIGHTS_NOT_STARTED };
/* Starts `program` with RIGHTS_MARK and `arguments`, whole up to the
   system's limit, through the "runas" verb, which asks the user for
   administrator rights, and waits for it to end with its exit code in
   `exitCode`: RIGHTS_HANDED_OVER, RIGHTS_REFUSED or RIGHTS_NOT_STARTED. */
int startWithRights(const WCHAR *program, const WCHAR *arguments, DWORD *exitCode);
int handedOverForRights(const WCHAR **arguments, DWORD *exitCode);
/* Takes RIGHTS_MARK off the front of `arguments`, with the blanks after it:
   1 when this is the copy started for the rights.  For a program that
   decides by what follows whether to ask at all. */
int takeRightsMark(const WCHAR **arguments);

#endif
