/* The path layer: files, registry path values, controls and the shell,
   with wide signatures, as a user's folders may hold letters beyond the
   ANSI code page.  Non-zero is success; a path that does not fit the
   buffer given, or cannot be converted, is a failure and nothing is
   written.  A library per concern, split where the remover needs a part. */
#ifndef KELP_FILES_H
#define KELP_FILES_H

#include "common/form.h"

#include <shlobj.h>

/* ---- files.cpp: the program's places, files and folders read and removed ---- */
int modulePath(WCHAR *path, int size);
int windowsFolder(WCHAR *path, int size);
/* The user's temporary folder, with its closing backslash. */
int tempFolder(WCHAR *path, int size);
HANDLE openFile(const WCHAR *path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
int deleteFile(const WCHAR *path);
int removeFolder(const WCHAR *path);
DWORD attributesOf(const WCHAR *path);
int setAttributes(const WCHAR *path, DWORD attributes);
/* The first name a search finds (while *search is INVALID_HANDLE_VALUE),
   then the next; the caller closes the search with FindClose. */
int findName(HANDLE *search, const WCHAR *pattern, WCHAR *name, int size);
int fullPath(const WCHAR *path, WCHAR *full, int size);
int fileData(const WCHAR *path, WIN32_FILE_ATTRIBUTE_DATA *data);
/* In place; a path that cannot be made long is left as it is. */
void makeLong(WCHAR *path, int size);
int sameIdentity(const BY_HANDLE_FILE_INFORMATION *one, const BY_HANDLE_FILE_INFORMATION *other);
/* Whether a folder opened as itself (a link not followed) is the very
   folder its name leads to: then it is no link. */
int isFolderItself(HANDLE itself, const WCHAR *path);

/* ---- folders.cpp: files and folders made, drives ---- */
int copyFile(const WCHAR *from, const WCHAR *to, BOOL failIfExists);
int makeFolder(const WCHAR *path);
int enterFolder(const WCHAR *path);
int volumeLabel(const WCHAR *root, WCHAR *label, int size);
UINT driveType(const WCHAR *root);
int writeProfileText(const WCHAR *section, const WCHAR *key, const WCHAR *value,
                     const WCHAR *file);

/* ---- regread.cpp, regwrite.cpp: paths kept as REG_SZ, with their NUL ---- */
int readPathValue(HKEY key, const WCHAR *name, WCHAR *text, int size);
/* A command line, which may also be stored as REG_EXPAND_SZ: then with its
   %variables% put in, as the system runs it. */
int readCommandValue(HKEY key, const WCHAR *name, WCHAR *text, int size);
int setPathValue(HKEY key, const WCHAR *name, const WCHAR *text);

/* ---- windowtext.cpp, listings.cpp: paths and reports in controls ---- */
int setWindowText(HWND window, const WCHAR *text);
int readWindowText(HWND window, WCHAR *text, int size);
int readItemText(HWND dialog, int id, WCHAR *text, int size);
/* A row of a list box, or of a combo box's list. */
int rowText(HWND list, int index, int combo, WCHAR *text, int size);
/* The system's directory listing into a list box, or into a combo box
   for DDL_DRIVES; it rewrites the pattern (MAX_PATH characters). */
int listDirectory(HWND dialog, WCHAR *pattern, int list, int label, UINT kind);

/* ---- shell.cpp, links.cpp: the shell's folders, opening, links ---- */
/* A folder the shell names by its CSIDL_ number (MAX_PATH characters). */
int specialFolder(int csidl, WCHAR *path);
int openWithShell(HWND owner, const WCHAR *file, const WCHAR *parameters, const WCHAR *folder);
/* Setup's alone (COM).  The link object has the running form's interface,
   held as the wide one (both share one layout) and given texts in its
   form; fields left NULL are not set; an existing link is overwritten. */
struct LinkFields {
    const WCHAR *target, *arguments, *iconFile, *workingDirectory;
    int iconIndex;
};
const IID *shellLinkInterface(void);
HRESULT saveShellLink(IShellLinkW *link, const LinkFields *fields, const WCHAR *linkFile);

#endif
