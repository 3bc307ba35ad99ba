/* The file system, the registry's path values and the controls that show
   paths, with wide signatures, for every program of the saver: a user's
   folders may hold letters beyond the system's ANSI code page, which the
   ANSI calls turn into '?'.  The NT line takes each path whole through its
   wide calls.  The 9x line has ANSI calls only (its wide ones are stubs),
   and its paths hold nothing its code page lacks: there each path is
   converted once, here, on its way in and out.  No other file asks which
   line it runs on.

   Each call answers non-zero for success, as the system's own do; a path
   that does not fit the buffer given, or cannot be converted, is a
   failure and nothing is written.  Plain Win32 calls only: the remover,
   which has no C or C++ runtime, shares this. */
#ifndef KELP_FILES_H
#define KELP_FILES_H

#include <windows.h>
#include <shlobj.h>

#include "common/text.h"

/* Room for a full path and the fixed text built onto it (a blank and the
   record name, a file name), so that forming a text never cuts it;
   whether the result is usable as a path is checked apart. */
#define PATH_ROOM (MAX_PATH + 48)

/* ---- the program's own places ---- */
int modulePath(WCHAR *path, int size);
int windowsFolder(WCHAR *path, int size);
int systemFolder(WCHAR *path, int size);
/* A folder the shell names by its CSIDL_ number (MAX_PATH characters). */
int specialFolder(int csidl, WCHAR *path);

/* ---- files and folders ---- */
HANDLE openFile(const WCHAR *path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
int copyFile(const WCHAR *from, const WCHAR *to, BOOL failIfExists);
int deleteFile(const WCHAR *path);
int makeFolder(const WCHAR *path);
int removeFolder(const WCHAR *path);
int enterFolder(const WCHAR *path);
DWORD attributesOf(const WCHAR *path);
int setAttributes(const WCHAR *path, DWORD attributes);
int fileData(const WCHAR *path, WIN32_FILE_ATTRIBUTE_DATA *data);
/* The first name a search finds (while *search is INVALID_HANDLE_VALUE),
   then the next; the caller closes the search with FindClose. */
int findName(HANDLE *search, const WCHAR *pattern, WCHAR *name, int size);
int fullPath(const WCHAR *path, WCHAR *full, int size);
/* In place; a path that cannot be made long is left as it is. */
void makeLong(WCHAR *path, int size);
int volumeLabel(const WCHAR *root, WCHAR *label, int size);
UINT driveType(const WCHAR *root);
HMODULE loadLibrary(const WCHAR *path, DWORD flags);
int writeProfileText(const WCHAR *section, const WCHAR *key, const WCHAR *value,
                     const WCHAR *file);

/* ---- paths kept in the registry (REG_SZ, stored with their NUL) ---- */
int setPathValue(HKEY key, const WCHAR *name, const WCHAR *text);
int readPathValue(HKEY key, const WCHAR *name, WCHAR *text, int size);
/* A command line, which may also be stored as REG_EXPAND_SZ: then with its
   %variables% put in, as the system runs it. */
int readCommandValue(HKEY key, const WCHAR *name, WCHAR *text, int size);

/* ---- paths shown in controls ---- */
int setWindowText(HWND window, const WCHAR *text);
int windowText(HWND window, WCHAR *text, int size);
int setItemText(HWND dialog, int id, const WCHAR *text);
int itemText(HWND dialog, int id, WCHAR *text, int size);
/* A row of a list box, or of a combo box's list. */
int rowText(HWND list, int index, int combo, WCHAR *text, int size);
/* The system's directory listing into a list box, or into a combo box
   for DDL_DRIVES; it rewrites the pattern (MAX_PATH characters). */
int listDirectory(HWND dialog, WCHAR *pattern, int list, int label, UINT kind);

/* ---- the shell ---- */
int openWithShell(HWND owner, const WCHAR *file, const WCHAR *parameters, const WCHAR *folder);

/* A name onto a folder's path with one backslash between them (a drive's
   root keeps its own); 0, and the path as it was, when it does not fit. */
int appendName(WCHAR *path, int size, const WCHAR *name);
/* Two names or paths alike but for case, compared in the running
   system's own form; 0 when either cannot be had in it. */
int sameText(const WCHAR *one, const WCHAR *other);
/* One of the program's own ANSI texts as a wide one. */
int toWide(const char *text, WCHAR *wide, int size);

/* Shell links (setup's alone: they bring COM in).  The link object is
   made with the interface the running system's shell takes; the ANSI and
   the wide one share one layout, so it is held as the wide one and given
   texts in its own form.  The fields left NULL are not set; an existing
   link file is overwritten. */
struct LinkFields {
    const WCHAR *target, *arguments, *iconFile, *workingDirectory;
    int iconIndex;
};
const IID *shellLinkInterface(void);
HRESULT saveShellLink(IShellLinkW *link, const LinkFields *fields, const WCHAR *linkFile);

/* A text in the form the running system's calls take (for the layer's
   own parts): as it is, or converted into `scratch`; NULL when it cannot
   be converted whole. */
const WCHAR *callText(const WCHAR *text, char *scratch, int size);

#endif
