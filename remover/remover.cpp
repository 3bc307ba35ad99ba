/* The remover: undoes one installation of a zUb saver.  Setup writes this
   program into the Windows directory and registers it, with the record name
   as its one argument, as the uninstall command and as a start-menu link;
   an installation for one user alone puts it beside the saver file in the
   user's own programs folder and the record under HKEY_CURRENT_USER.  Such
   a record, whose uninstall command is this very program, is removed in the
   user's scope and with the user's rights, and the program and its folder
   go after it; any other name is looked for in the machine's.  The
   start-menu folder is one for both scopes: while the other scope's record
   names it, it stays.

   "/S" before the record name is the quiet uninstall command's: no dialog
   and no pauses, the report written to "zUbSavRemov.log" in the user's
   temporary folder, and the outcome told by the exit code: 0 removed, 1
   something kept, 2 nothing to remove, 5 the administrator rights needed
   and not given.  The dialog's run ends with 0, as it always has: its
   report has told the user.

   It deletes only what a saver's setup made, and only where the install
   record and the record name agree with what setup writes: a record name
   that could lead out of the folders and keys built from it is refused
   outright; the saver file only as "<record>.scr" in the record's install
   folder (named whole, and no link put in its place since), by the name
   the file system knows it under (a short 8.3 alias of some other file
   does not count); the application-path key only when it
   names that file; the uninstall key only when its command is this program
   with the record; the start-menu folder only when it is the user's own
   "zub_Savers\<record>" and no link to some other folder.  The settings key
   is below the saver's own "zub_Kram".

   The start-menu folder belongs to the user, who may rename it or put a
   link in its place while the remover (perhaps with rights the user lacks)
   pauses between its steps.  So wherever the system has the calls for it,
   the folder is opened once, checked through that handle, and emptied and
   removed through it: whatever its name comes to mean meanwhile, nothing
   outside it is touched.  Systems without them (XP and older, the 9x line)
   get the checks by name, asked again just before each delete.  The
   user's own registry keys are opened as themselves: a link some hand put
   in a key's place is reported and left, never followed.

   A saver file that is there but cannot be deleted keeps the uninstall and
   application-path keys, so that the system still offers the removal; so
   does a record that cannot be read whole, or whose uninstall command is
   not this program's: the record is kept as it is, for a run after the
   user has mended it.  Links are told from what they lead to by what the
   system opens, not by path texts: a user's Start Menu may itself be
   reached through a link.

   Kept small and free of any C or C++ runtime: plain Win32 calls only,
   and an entry point of its own. */
#include <windows.h>
#include <winternl.h>
#include "resource.h"
#include "common/record.h"
#include "common/rights.h"
#include "common/files.h"
#include "common/syslib.h"

/* The report keeps its newest lines; a line longer than LINE_ROOM keeps
   its start and its end around a mark. */
#define PROGRESS_SIZE 1000
#define LINE_ROOM 400
/* The longest command line there is, so that the record name is whole. */
#define RECORD_ROOM 32768

#define APP_PATHS_KEY RECORD_APP_PATHS_KEY "\\"
#define MENU_PARENT L"\\" RECORD_MENU_FOLDER L"\\"
#define MISSING_TEXT "ERROR: command line is missing !\n"
/* What the copy that removes the user's remover after it is started with:
   the remover's process, file and folder, as handles it inherits. */
#define AFTER_MARK "/after"

struct RemoverState {
    const char *recordName;     /* verbatim from the command line, for the keys */
    WCHAR record[RECORD_ROOM];  /* the same, for paths and the report */
    int refused;                /* a name no setup writes: treated as never installed */
    int command;                /* the uninstall key's command: COMMAND_... */
    int recordIsSetups;         /* it names "<record>.scr" in its own folder, or a file gone */
    const WCHAR *keptFor;       /* why the uninstall and application-path keys stay, or NULL */
    HKEY root;                  /* where the record lies: the machine's, or the user's own */
    int quiet;                  /* no dialog and no pauses, the report into the log */
    int found;                  /* the application-path key opened: there was a record */
    int kept;                   /* something the record names stays */
    int saverGone, recordGone;  /* the saver file, the uninstall key */
    WCHAR installFolder[PATH_ROOM];
    int ran;                    /* once per dialog, whatever comes in during its closing box */
    int finished;
    HWND dialog;
    WCHAR progress[PROGRESS_SIZE];
    WCHAR menuFolder[PATH_ROOM];        /* as read, then as resolved */
    WCHAR menuFinal[PATH_ROOM + 8];     /* the system's own path of the opened folder */
};
static RemoverState remover;

/* Calls of Vista and later, looked up when there. */
struct HandleCalls {
    decltype(&GetFileInformationByHandleEx) getInfoByHandle;
    decltype(&SetFileInformationByHandle) setInfoByHandle;
    decltype(&GetFinalPathNameByHandleW) finalPathOf;
    decltype(&NtOpenFile) openRelative;     /* relative to a folder's handle */
    decltype(&CreateProcessW) start;
};
static HandleCalls handleCalls;

static void lookUpHandleCalls(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HandleCalls *c = &handleCalls;

    LOOK_UP(c->getInfoByHandle, kernel, "GetFileInformationByHandleEx");
    LOOK_UP(c->setInfoByHandle, kernel, "SetFileInformationByHandle");
    LOOK_UP(c->finalPathOf, kernel, "GetFinalPathNameByHandleW");
    LOOK_UP(c->openRelative, GetModuleHandleA("ntdll.dll"), "NtOpenFile");     /* none on the 9x line */
    LOOK_UP(c->start, kernel, "CreateProcessW");
}

/* By the calls the system has, not by the version it reports: a user can
   have the remover told it runs on XP (a compatibility mode of their own),
   and the route by name is the weaker one. */
static int canWorkThroughHandles(void)
{
    return handleCalls.getInfoByHandle && handleCalls.setInfoByHandle && handleCalls.finalPathOf
        && handleCalls.openRelative;
}

/* One of the record's keys: the parent opened, the record's subkey
   deleted, and the lines reported when either fails: each line's text,
   then the root and `shown` (then the record name, but after a failed
   open).  The key names are spelled as the first versions spelled them
   ("App Paths", "zub_kram"), which matters to no registry call.  No root:
   the record's own, the machine's or the user's. */
struct RecordKey {
    HKEY root;
    const char *parent;
    const WCHAR *shown;
    const WCHAR *deleteFailed;
    const WCHAR *openFailed;
};

static const RecordKey recordKeys[3] = {
    { NULL, RECORD_UNINSTALL_KEY, L"" RECORD_UNINSTALL_KEY "\\", L"\ncan't delete key:", L"\nerror can't open key:" },
    { NULL, RECORD_APP_PATHS_KEY, L"software\\microsoft\\windows\\currentversion\\App Paths\\",
      L"\ncan't delete key:", L"\ncan't open key:" },
    { HKEY_CURRENT_USER, RECORD_SETTINGS_KEY, L"software\\zub_kram\\", L"\nno saver inifile found:",
      L"\ncan't open key:" },
};

enum { COMMAND_NONE, COMMAND_OURS, COMMAND_UNREADABLE, COMMAND_FOREIGN };

/* A key opened as itself: a link put in its place is not followed.  The
   9x line knows no links, and may refuse the option. */
static LONG openKey(HKEY root, const char *path, REGSAM access, HKEY *key)
{
    LONG status = RegOpenKeyExA(root, path, REG_OPTION_OPEN_LINK, access, key);

    return status == ERROR_INVALID_PARAMETER ? RegOpenKeyExA(root, path, 0, access, key) : status;
}

static int isLinkKey(HKEY key)
{
    DWORD type = REG_NONE;

    return RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL) == ERROR_SUCCESS
        && type == REG_LINK;
}

/* The record's own key below one of setup's. */
static LONG openRecordKey(HKEY root, const char *parent, HKEY *key)
{
    char path[MAX_PATH];

    if (remover.refused || !copyText(path, MAX_PATH, parent) || !appendText(path, MAX_PATH, "\\")
        || !appendText(path, MAX_PATH, remover.recordName))
        return ERROR_FILE_NOT_FOUND;
    return openKey(root, path, KEY_READ, key);
}

/* Every line fitted to LINE_ROOM, and whole lines dropped from the front
   until the report fits its storage: the newest line is always there. */
static void append(const WCHAR *text)
{
    static WCHAR joined[PROGRESS_SIZE + RECORD_ROOM + 64], fitted[PROGRESS_SIZE + RECORD_ROOM + 64];
    static const WCHAR mark[] = L" [...] ";
    const int head = LINE_ROOM / 2, tail = LINE_ROOM - head - (ARRAYSIZE(mark) - 1);
    const WCHAR *line = joined;
    WCHAR *to = fitted, *start = fitted;

    if (!copyText(joined, ARRAYSIZE(joined), remover.progress)
        || !appendText(joined, ARRAYSIZE(joined), text))
        return;
    while (*line) {
        const WCHAR *end = line;
        while (*end && *end != '\n')
            end++;
        if (end - line > LINE_ROOM) {   /* its start, the mark, its newest end */
            CopyMemory(to, line, head * sizeof *to);
            CopyMemory(to + head, mark, sizeof mark - sizeof *mark);
            to += head + ARRAYSIZE(mark) - 1;
            line = end - tail;
        }
        CopyMemory(to, line, (end - line) * sizeof *to);
        to += end - line;
        if (*end)
            *to++ = *end++;
        line = end;
    }
    *to = 0;
    while (to - start > PROGRESS_SIZE - 1) {
        while (*start != '\n')
            start++;
        start++;
    }
    copyText(remover.progress, PROGRESS_SIZE, start);
}

/* A key the report names: "\n   ", its root's name, its path. */
static void appendKey(HKEY root, const WCHAR *path)
{
    append(root == HKEY_CURRENT_USER ? L"\n   HKEY_CURRENT_USER\\" : L"\n   HKEY_LOCAL_MACHINE\\");
    append(path);
}

/* The report with each line ended by CR LF (2 * PROGRESS_SIZE). */
static void withReturns(WCHAR *lines)
{
    const WCHAR *from = remover.progress;

    for (; *from; from++) {
        if (*from == '\n')
            *lines++ = '\r';
        *lines++ = *from;
    }
    *lines = 0;
}

/* The view is an edit control, which starts a line at CR LF and wraps
   one too wide to be seen whole; it is scrolled to the end (a position past
   it is taken as the end) so that the newest line is always in sight. */
static void show(void)
{
    WCHAR shown[2 * PROGRESS_SIZE];
    HWND view = GetDlgItem(remover.dialog, IDC_PROGRESS);

    withReturns(shown);
    setWindowText(view, shown);
    SendMessageA(view, EM_SETSEL, 0x7FFFFFFE, 0x7FFFFFFE);
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

/* The pauses are for a user watching the dialog: a quiet run has none. */
static void showAndPause(DWORD milliseconds)
{
    if (remover.quiet)
        return;
    show();
    Sleep(milliseconds);
}

/* Only a name such as setup writes: one without a folder separator or a
   drive, and no dot name.  Any other would lead the folder and key paths
   built from it out of the installation's own.  Nor one with a tilde,
   the mark of the short 8.3 aliases, by which "<record>.scr" could name
   some "report.scrap". */
static int isPlainName(const char *name)
{
    const char *p;

    if (name[0] == 0 || lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0)
        return 0;
    for (p = name; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':' || *p == '~')
            return 0;
    return 1;
}

/* Whether a file or folder that is there has `name` as its own (long) name,
   rather than as the short alias of another.  One that is not there has
   nothing to be mistaken for. */
static int isKnownAs(const WCHAR *path, const WCHAR *name)
{
    WCHAR found[MAX_PATH];
    HANDLE search = INVALID_HANDLE_VALUE;

    if (!findName(&search, path, found, MAX_PATH))
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    FindClose(search);
    return sameText(found, name);
}

/* "<record>.scr" in the install folder that the record's "Path" names (a
   drive root keeps its backslash): where setup writes the saver file. */
static int saverPathIn(const WCHAR *folder, WCHAR *path)
{
    WCHAR name[PATH_ROOM];

    return folder[0] != 0 && copyText(name, PATH_ROOM, remover.record)
        && appendText(name, PATH_ROOM, L".scr") && copyText(path, PATH_ROOM, folder)
        && appendName(path, PATH_ROOM, name);
}

static int isRecordSaver(const WCHAR *folder, const WCHAR *saverFile)
{
    WCHAR own[PATH_ROOM];

    return saverPathIn(folder, own) && sameText(own, saverFile)
        && isKnownAs(saverFile, own + textLength(own) - textLength(remover.record) - 4);
}

/* Setup writes the folder whole (a drive's root perhaps as "c:"); one
   relative would lead to wherever the remover happens to stand. */
static int isFullFolder(const WCHAR *folder)
{
    WCHAR root[4] = { folder[0], ':', '\\', 0 }, full[PATH_ROOM];
    const WCHAR *asked = folder[0] != 0 && folder[1] == ':' && folder[2] == 0 ? root : folder;

    return folder[0] != 0 && fullPath(asked, full, PATH_ROOM) && sameText(full, asked);
}

static int isBlank(WCHAR c)
{
    return c == ' ' || c == '\t';
}

/* The uninstall command is setup's only when it starts this very program
   with the record name, as the system runs it: the program quoted or not,
   compared by its long path (the system may have started this one by the
   short one), any blanks between. */
static int readUninstallCommand(void)
{
    WCHAR self[PATH_ROOM], command[PATH_ROOM];
    WCHAR *program = command;
    int length, read;
    HKEY key;

    if (openRecordKey(remover.root, RECORD_UNINSTALL_KEY, &key) != ERROR_SUCCESS)
        return COMMAND_NONE;
    read = readCommandValue(key, L"" RECORD_UNINSTALL_COMMAND, command, PATH_ROOM);
    RegCloseKey(key);
    if (!read)
        return COMMAND_UNREADABLE;
    length = textLength(command) - textLength(remover.record);
    if (length < 2 || !isBlank(command[length - 1]) || !sameText(command + length, remover.record))
        return COMMAND_FOREIGN;
    while (length > 0 && isBlank(command[length - 1]))
        length--;
    command[length] = 0;
    if (length > 2 && command[0] == '"' && command[length - 1] == '"') {
        command[length - 1] = 0;
        program++;
    }
    if (!modulePath(self, PATH_ROOM))
        return COMMAND_FOREIGN;
    makeLong(program, PATH_ROOM - 1);
    makeLong(self, PATH_ROOM);
    return sameText(program, self) ? COMMAND_OURS : COMMAND_FOREIGN;
}

/* One rule for the whole record: a value the saver file is told by that
   cannot be read whole (of another type, empty, too long, a folder not
   whole), or an uninstall command that cannot be read or is another
   program's, keeps the record as it stands, saver file and both keys, so
   that a run after the user has mended it finishes the removal; a record
   removed in part could be removed by no later run. */
static void checkRecordValues(int hasSaver, const WCHAR *folder, WCHAR *saverFile)
{
    const WCHAR *value = !hasSaver ? L"(Default)" : !isFullFolder(folder) ? L"" RECORD_INSTALL_FOLDER : NULL;
    const WCHAR *key = value != NULL ? L"" APP_PATHS_KEY : recordKeys[0].shown;

    if (value == NULL && remover.command == COMMAND_UNREADABLE) {
        value = L"" RECORD_UNINSTALL_COMMAND;
    } else if (value == NULL && remover.command != COMMAND_FOREIGN) {
        remover.recordIsSetups = isRecordSaver(folder, saverFile);
        return;
    }
    saverFile[0] = 0;
    if (value == NULL) {
        remover.keptFor = L"\nkey kept, record of another program:";
        append(L"\nuninstall command of another program, record kept:");
    } else {
        remover.keptFor = L"\nkey kept, record unreadable:";
        append(L"\ncan't read value ");
        append(value);
        append(L", record kept:");
    }
    appendKey(remover.root, key);
    append(remover.record);
}

/* The saver file and the start-menu folder from the record.  Returns 0
   when there is no saver file to delete: the record cannot be opened, or
   it is kept. */
static int readRecord(WCHAR *saverFile)
{
    HKEY key;
    int hasSaver;
    WCHAR folder[PATH_ROOM];

    append(L"Reading uninstall info...");
    showAndPause(400);
    remover.menuFolder[0] = saverFile[0] = 0;
    if (openRecordKey(remover.root, RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS) {
        /* "cant't", as the first versions wrote it */
        append(L"\nerror cant't read uninstall registry entry:");
        appendKey(remover.root, L"" APP_PATHS_KEY);
        append(remover.record);
        return 0;
    }
    remover.found = 1;
    hasSaver = readPathValue(key, NULL, saverFile, PATH_ROOM) && saverFile[0] != 0;
    readPathValue(key, L"" RECORD_INSTALL_FOLDER, folder, PATH_ROOM);
    copyText(remover.installFolder, PATH_ROOM, folder);
    readPathValue(key, L"" RECORD_MENU_PATH, remover.menuFolder, PATH_ROOM);
    RegCloseKey(key);
    append(L"  Done");
    append(L"\n\nDeleting saver files...");
    checkRecordValues(hasSaver, folder, saverFile);
    showAndPause(200);
    return saverFile[0] != 0;
}

/* The system's own path of an opened file, in `final` (size PATH_ROOM + 8). */
static int finalPathOf(HANDLE file, WCHAR *final)
{
    DWORD n = handleCalls.finalPathOf(file, final, PATH_ROOM + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    return n > 0 && n < PATH_ROOM + 8;
}

/* Whether an opened entry is `name` in the folder whose own path is
   `folderFinal`, as the system resolved both: a link that the system
   followed after all leads elsewhere (Wine follows Unix links whatever the
   flags say), and deleting it would delete what it leads to. */
static int isEntry(HANDLE entry, const WCHAR *folderFinal, const WCHAR *name)
{
    WCHAR final[PATH_ROOM + 8];
    int length = textLength(folderFinal);

    if (!finalPathOf(entry, final) || textLength(final) <= length + 1 || final[length] != '\\'
        || !sameText(final + length + 1, name))
        return 0;
    final[length] = 0;
    return sameText(final, folderFinal);
}

/* Gone as its handle closes. */
static int markGone(HANDLE file)
{
    FILE_DISPOSITION_INFO gone;

    gone.DeleteFile = TRUE;
    return handleCalls.setInfoByHandle(file, FileDispositionInfo, &gone, sizeof gone);
}

/* A copy from a read-only medium is read-only itself.  A file that still
   cannot go (a saver running) gets its attribute back: what is left is
   left as it was. */
static int markWritableAndGone(HANDLE file)
{
    FILE_BASIC_INFO basic;
    DWORD attributes;

    if (markGone(file))
        return 1;
    if (!handleCalls.getInfoByHandle(file, FileBasicInfo, &basic, sizeof basic)
        || !(basic.FileAttributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    attributes = basic.FileAttributes;
    basic.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!handleCalls.setInfoByHandle(file, FileBasicInfo, &basic, sizeof basic))
        return 0;
    if (markGone(file))
        return 1;
    basic.FileAttributes = attributes;
    handleCalls.setInfoByHandle(file, FileBasicInfo, &basic, sizeof basic);
    return 0;
}

static int deleteWritable(const WCHAR *path)
{
    DWORD attributes;

    if (deleteFile(path))
        return 1;
    attributes = attributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)
        || !setAttributes(path, attributes & ~FILE_ATTRIBUTE_READONLY))
        return 0;
    if (deleteFile(path))
        return 1;
    setAttributes(path, attributes);
    return 0;
}

static HANDLE openFileOrFolder(const WCHAR *path, DWORD access, DWORD flags)
{
    return openFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | flags);
}

static int isPlainFolder(const WCHAR *path)
{
    DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

static void dropClosingSeparator(WCHAR *path)
{
    int length = textLength(path);

    if (length > 0 && path[length - 1] == '\\')
        path[length - 1] = 0;
}

/* A folder opened as itself and known to be what its name leads to, no
   link; with `parentItself`, the folder above it too.  Its final path
   (into `final`, no closing backslash) must lie in its parent's, as each
   entry's must: a folder swapped the moment it was opened is caught so,
   whatever the system makes of the flags.  INVALID_HANDLE_VALUE when it
   is not the folder. */
static HANDLE openFolderItself(const WCHAR *path, DWORD access, int parentItself, WCHAR *final)
{
    WCHAR parent[PATH_ROOM], parentFinal[PATH_ROOM + 8];
    HANDLE folder = openFileOrFolder(path, access, FILE_FLAG_OPEN_REPARSE_POINT), above;
    int name = textLength(path), ours;

    while (name > 0 && path[name - 1] != '\\')
        name--;
    ours = folder != INVALID_HANDLE_VALUE && isFolderItself(folder, path) && finalPathOf(folder, final);
    if (ours && path[name] != 0) {      /* not a drive's root */
        copyText(parent, PATH_ROOM, path);
        parent[name > 1 && path[name - 2] == ':' ? name : name - 1] = 0;
        above = openFileOrFolder(parent, FILE_READ_ATTRIBUTES, parentItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
        ours = above != INVALID_HANDLE_VALUE && (!parentItself || isFolderItself(above, parent))
            && finalPathOf(above, parentFinal);
        if (above != INVALID_HANDLE_VALUE)
            CloseHandle(above);
        dropClosingSeparator(parentFinal);
        ours = ours && isEntry(folder, parentFinal, path + name);
    }
    if (!ours && folder != INVALID_HANDLE_VALUE) {
        CloseHandle(folder);
        folder = INVALID_HANDLE_VALUE;
    }
    dropClosingSeparator(final);
    return folder;
}

enum { NOT_DELETED, DELETED, NOT_THE_SAVER };

/* The saver file opened as itself and deleted through its handle, when it
   is a file in the install folder, which is no link put in the folder's
   place since; by name where the system lacks the calls, the same asked
   just before the delete. */
static int deleteSaver(const WCHAR *saverFile)
{
    WCHAR folder[PATH_ROOM], folderFinal[PATH_ROOM + 8];
    HANDLE file, above;
    BY_HANDLE_FILE_INFORMATION info;
    DWORD attributes;
    int result = NOT_DELETED;

    copyText(folder, PATH_ROOM, saverFile);
    folder[textLength(folder) - textLength(remover.record) - 5] = 0;
    if (folder[textLength(folder) - 1] == ':')
        appendText(folder, PATH_ROOM, L"\\");   /* the root, not the drive's current folder */
    if (!canWorkThroughHandles()) {
        attributes = attributesOf(saverFile);
        if (!isPlainFolder(folder) || (attributes != INVALID_FILE_ATTRIBUTES
                                       && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))))
            return NOT_THE_SAVER;
        return deleteWritable(saverFile) ? DELETED : NOT_DELETED;
    }
    file = openFileOrFolder(saverFile, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                            FILE_FLAG_OPEN_REPARSE_POINT);     /* a folder too, to be told apart */
    if (file == INVALID_HANDLE_VALUE)
        return NOT_DELETED;
    above = openFolderItself(folder, FILE_READ_ATTRIBUTES, 0, folderFinal);
    if (above == INVALID_HANDLE_VALUE
        || !isEntry(file, folderFinal, saverFile + textLength(saverFile) - textLength(remover.record) - 4)
        || !GetFileInformationByHandle(file, &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        result = NOT_THE_SAVER;
    else if (markWritableAndGone(file))
        result = DELETED;
    if (above != INVALID_HANDLE_VALUE)
        CloseHandle(above);
    CloseHandle(file);
    return result;
}

/* The record could have been made to name any file. */
static void deleteSaverFile(const WCHAR *saverFile)
{
    int deleted = remover.recordIsSetups ? deleteSaver(saverFile) : NOT_DELETED;

    remover.saverGone = deleted == DELETED;
    if (deleted == DELETED) {
        append(L"\nOK");
    } else if (deleted == NOT_THE_SAVER) {
        remover.kept = 1;
        /* a folder or a link some other hand put there: left, and it does
           not hold the record */
        append(L"\nnot the saver file, left:\n   ");
        append(saverFile);
    } else if (remover.recordIsSetups && attributesOf(saverFile) != INVALID_FILE_ATTRIBUTES) {
        /* in use, or guarded: the record stays, for another run to finish */
        remover.keptFor = L"\nkey kept, saver file still there:";
        append(L"\ncan't delete file:\n   ");
        append(saverFile);
    } else {
        append(L"\ncan't find file to remove:\n   ");
        append(saverFile);
    }
    showAndPause(300);
}

enum { KEY_KEPT, KEY_DELETED, KEY_LINK, KEY_ABSENT };

/* The record's key opened as itself below its parent, opened so too, and
   deleted through its own handle: a link in its place (to some other key
   of the user's, or of the machine) is left as it is, and no link made
   after the check is followed by a delete by name.  One not the record's
   is only looked for. */
static int deleteKeyItself(HKEY parent, int ours)
{
    HKEY key;
    int result = KEY_KEPT;
    LONG status = remover.refused ? ERROR_FILE_NOT_FOUND
                : openKey(parent, remover.recordName, ours ? KEY_QUERY_VALUE | DELETE : KEY_QUERY_VALUE, &key);

    if (status != ERROR_SUCCESS)
        return status == ERROR_FILE_NOT_FOUND ? KEY_ABSENT : KEY_KEPT;
    if (ours && isLinkKey(key))
        result = KEY_LINK;
    else if (ours && RegDeleteKeyA(key, "") == ERROR_SUCCESS)      /* the very key opened */
        result = KEY_DELETED;
    RegCloseKey(key);
    return result;
}

/* A key that is not the record's is reported as not found; one kept with
   the record says why, by the same name. */
static int deleteRecordKey(const RecordKey *k, int ours, const WCHAR *keptFor)
{
    HKEY parent, root = k->root != NULL ? k->root : remover.root;
    int result = KEY_KEPT;
    LONG status;

    if (keptFor != NULL) {
        append(keptFor);
        appendKey(root, k->shown);
        append(remover.record);
    } else if ((status = openKey(root, k->parent, KEY_READ, &parent)) == ERROR_SUCCESS) {
        result = deleteKeyItself(parent, ours);
        RegCloseKey(parent);
        append(result == KEY_DELETED ? L"\nOK" : result == KEY_LINK ? L"\nkey left, it is a link:" : k->deleteFailed);
        if (result != KEY_DELETED) {
            appendKey(root, k->shown);
            append(remover.record);
        }
    } else {
        append(k->openFailed);
        appendKey(root, k->shown);
        if (status == ERROR_FILE_NOT_FOUND)
            result = KEY_ABSENT;
    }
    remover.kept |= result == KEY_KEPT || result == KEY_LINK;
    showAndPause(200);
    return result;
}

enum { ENTRY_KEPT, ENTRY_DELETED, ENTRY_LEADS_OUT };

/* Reported by its real name, even when too long to be deleted. */
static void reportEntry(const WCHAR *name, int deleted)
{
    if (deleted == ENTRY_DELETED) {
        append(L"\nOK");
    } else {
        remover.kept = 1;
        append(deleted == ENTRY_LEADS_OUT ? L"\nentry left, it leads out of the folder: "
                                          : L"\ncan't delete entry: ");
        append(remover.menuFolder);
        append(L"\\");
        append(name);
    }
    showAndPause(200);
}

/* Neither the record's folder nor "zub_Savers" above it a link (XP has
   junctions): emptying a link would empty the folder linked to.  Asked
   again just before each delete by name, as either may be swapped
   meanwhile. */
static int menuFolderIsPlain(void)
{
    WCHAR parent[PATH_ROOM];

    copyText(parent, PATH_ROOM, remover.menuFolder);
    parent[textLength(parent) - textLength(remover.record) - 1] = 0;
    return isPlainFolder(remover.menuFolder) && isPlainFolder(parent);
}

/* Only the user's "<Programs>\zub_Savers\<record name>", where "smPath"
   leads once resolved, is the record's start-menu folder.  The resolved
   path is the one worked on from then on, whole. */
static int isRecordMenuFolder(void)
{
    WCHAR programs[MAX_PATH], own[PATH_ROOM], full[PATH_ROOM];

    if (!fullPath(remover.menuFolder, full, PATH_ROOM) || !specialFolder(CSIDL_PROGRAMS, programs)
        || !copyText(own, PATH_ROOM, programs) || !appendText(own, PATH_ROOM, MENU_PARENT)
        || !appendText(own, PATH_ROOM, remover.record) || !sameText(full, own))
        return 0;
    copyText(remover.menuFolder, PATH_ROOM, full);
    return menuFolderIsPlain() && isKnownAs(full, remover.record);
}

/* An entry of the opened folder, opened relative to it (a link as itself,
   not followed; a subfolder not at all), and deleted when it lies in it. */
static int deleteRelative(HANDLE folder, const WCHAR *name, WCHAR *listed, ULONG bytes)
{
    UNICODE_STRING entry;
    OBJECT_ATTRIBUTES where;
    IO_STATUS_BLOCK io;
    HANDLE opened;
    int result;

    entry.Length = entry.MaximumLength = (USHORT)bytes;
    entry.Buffer = listed;
    InitializeObjectAttributes(&where, &entry, OBJ_CASE_INSENSITIVE, folder, NULL);
    if (handleCalls.openRelative(&opened, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &where, &io,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT
                                 | FILE_SYNCHRONOUS_IO_NONALERT) < 0)
        return ENTRY_KEPT;
    if (!isEntry(opened, remover.menuFinal, name))
        result = ENTRY_LEADS_OUT;
    else
        result = markGone(opened) ? ENTRY_DELETED : ENTRY_KEPT;
    CloseHandle(opened);
    return result;
}

static int isDotName(const WCHAR *name, ULONG bytes)
{
    return name[0] == '.' && (bytes == 2 || (bytes == 4 && name[1] == '.'));
}

/* Through the folder's handle: the entries listed are its own, whatever
   its name has come to lead to. */
static void clearThroughHandle(HANDLE folder)
{
    static LONGLONG batch[512];     /* records of FILE_ID_BOTH_DIR_INFO, 8-byte aligned */
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;

    while (handleCalls.getInfoByHandle(folder, kind, batch, sizeof batch)) {
        FILE_ID_BOTH_DIR_INFO *info = (FILE_ID_BOTH_DIR_INFO *)batch;
        for (;;) {
            WCHAR name[MAX_PATH];
            int n = info->FileNameLength / 2 < MAX_PATH ? info->FileNameLength / 2 : MAX_PATH - 1;
            CopyMemory(name, info->FileName, n * sizeof *name);
            name[n] = 0;
            if (!isDotName(info->FileName, info->FileNameLength))
                reportEntry(name, deleteRelative(folder, name, info->FileName, info->FileNameLength));
            if (info->NextEntryOffset == 0)
                break;
            info = (FILE_ID_BOTH_DIR_INFO *)((BYTE *)info + info->NextEntryOffset);
        }
        kind = FileIdBothDirectoryInfo;
    }
}

static int deleteByName(const WCHAR *entry)
{
    DWORD attributes = attributesOf(entry);

    if (!menuFolderIsPlain()
        || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        return ENTRY_LEADS_OUT;
    return deleteFile(entry) ? ENTRY_DELETED : ENTRY_KEPT;
}

/* Where the handle calls are missing (XP and older): by name, checked by
   name, on the whole path. */
static void clearByName(void)
{
    WCHAR pattern[PATH_ROOM], entry[PATH_ROOM], name[MAX_PATH];
    HANDLE search = INVALID_HANDLE_VALUE;

    if (!copyText(pattern, PATH_ROOM, remover.menuFolder) || !appendName(pattern, PATH_ROOM, L"*.*"))
        return;
    while (findName(&search, pattern, name, MAX_PATH)) {
        if (sameText(name, L".") || sameText(name, L".."))
            continue;
        reportEntry(name, copyText(entry, PATH_ROOM, remover.menuFolder) && appendName(entry, PATH_ROOM, name)
                          ? deleteByName(entry) : ENTRY_KEPT);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

/* Subfolders are not entered: deleting one fails and is reported.  The
   folder is checked and opened before the pause and worked on through that
   handle after it. */
static void clearStartMenu(void)
{
    int byHandle = canWorkThroughHandles();
    int ours = !remover.refused && isRecordMenuFolder();
    HANDLE folder = ours && byHandle ? openFolderItself(remover.menuFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES
                                                        | DELETE | SYNCHRONIZE, 1, remover.menuFinal)
                                     : INVALID_HANDLE_VALUE;
    int removed = 0;

    append(L"\n\nDeleting start menu entries...");
    showAndPause(500);
    if (folder != INVALID_HANDLE_VALUE)
        clearThroughHandle(folder);
    else if (ours && !byHandle)
        clearByName();
    append(L"\n\nRemoving start menu Folder...");
    showAndPause(300);
    if (folder != INVALID_HANDLE_VALUE) {
        removed = markGone(folder);
        CloseHandle(folder);
    } else if (ours && !byHandle) {
        removed = menuFolderIsPlain() && removeFolder(remover.menuFolder);
    }
    if (removed) {
        append(L"\nOK");
    } else {
        append(L"\ncant't delete folder: ");    /* "cant't", as the first versions wrote it */
        append(remover.menuFolder);
        remover.kept |= attributesOf(remover.menuFolder) != INVALID_FILE_ATTRIBUTES;
    }
}

/* Both scopes' records name the one "zub_Savers\<record>" of the user's
   start menu: while the other still names it, it holds that installation's
   links, and stays. */
static int isMenuFolderShared(void)
{
    HKEY key;
    WCHAR other[PATH_ROOM], full[PATH_ROOM], mine[PATH_ROOM];
    int named;

    if (openRecordKey(remover.root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                      RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS)
        return 0;
    named = readPathValue(key, L"" RECORD_MENU_PATH, other, PATH_ROOM);
    RegCloseKey(key);
    return named && fullPath(other, full, PATH_ROOM) && fullPath(remover.menuFolder, mine, PATH_ROOM)
        && sameText(full, mine);
}

/* Keys and clicks given while the removal ran, when nothing answered them,
   are not taken for answers to the box that ends it. */
static void dropTypedAhead(void)
{
    MSG pending;

    while (PeekMessageA(&pending, NULL, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)
           || PeekMessageA(&pending, NULL, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
        ;
}

/* A handle the copy started below takes over, as it is. */
static HANDLE handedDown(HANDLE handle)
{
    HANDLE inherited = INVALID_HANDLE_VALUE;

    if (handle != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &inherited, 0, TRUE,
                        DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
    return inherited;
}

/* The user's own remover lives in the install folder it empties, and a
   running program cannot delete its file.  A copy of it in the temporary
   folder, opened here to be deleted as its last handle closes, takes over
   this process, this program's file and its folder, each opened here as
   itself and handed down, and lets the file and then the folder, when
   empty, go once this process has ended.  Nothing is looked up again by
   name, and this process does not wait for the copy: its exit code is the
   removal's. */
static void leaveWithTheFolder(void)
{
    WCHAR self[PATH_ROOM], folder[PATH_ROOM], final[PATH_ROOM + 8], temp[PATH_ROOM], copy[PATH_ROOM],
        line[2 * PATH_ROOM];
    char number[80];
    HANDLE handed[4];   /* this process, its file, its folder, the copy */
    STARTUPINFOW startup;
    PROCESS_INFORMATION started;
    int name, i;
    DWORD tries;

    if (!canWorkThroughHandles() || handleCalls.start == NULL || !modulePath(self, PATH_ROOM)
        || !tempFolder(temp, PATH_ROOM) || !SetCurrentDirectoryW(temp))     /* no hold on the folder */
        return;
    handed[0] = NULL;
    handed[1] = handed[2] = handed[3] = INVALID_HANDLE_VALUE;
    makeLong(self, PATH_ROOM);
    makeLong(remover.installFolder, PATH_ROOM);
    copyText(folder, PATH_ROOM, self);
    for (name = textLength(folder); name > 0 && folder[name - 1] != '\\'; name--)
        ;
    folder[name > 0 ? name - 1 : 0] = 0;
    if (!sameText(folder, remover.installFolder))
        return;
    handed[2] = handedDown(openFolderItself(folder, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, final));
    handed[1] = handedDown(openFileOrFolder(self, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                            FILE_FLAG_OPEN_REPARSE_POINT));
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &handed[0], SYNCHRONIZE,
                    TRUE, 0);
    /* named after the process: a copy an earlier removal left may still be there */
    for (tries = 0; tries < 16; tries++) {
        wsprintfA(number, "zUbSavRemov%lu.exe", GetCurrentProcessId() + tries * 0x10000);
        if (toWide(number, line, PATH_ROOM) && copyText(copy, PATH_ROOM, temp) && appendName(copy, PATH_ROOM, line)
            && CopyFileW(self, copy, TRUE)) {
            handed[3] = handedDown(openFile(copy, DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                            OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE));
            if (handed[3] == INVALID_HANDLE_VALUE)
                DeleteFileW(copy);
            break;
        }
    }
    wsprintfA(number, " " AFTER_MARK " %lu %lu %lu", (DWORD)(ULONG_PTR)handed[0], (DWORD)(ULONG_PTR)handed[1],
              (DWORD)(ULONG_PTR)handed[2]);
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (handed[0] != NULL && handed[2] != INVALID_HANDLE_VALUE && handed[3] != INVALID_HANDLE_VALUE
        && isEntry(handed[1], final, self + name) && copyText(line, PATH_ROOM, L"\"") && appendText(line, PATH_ROOM, copy)
        && appendText(line, PATH_ROOM, L"\"") && toWide(number, line + textLength(line), PATH_ROOM)
        && handleCalls.start(copy, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    for (i = 0; i < 4; i++)
        if (handed[i] != NULL && handed[i] != INVALID_HANDLE_VALUE)
            CloseHandle(handed[i]);
}

static HANDLE takeHandle(const char **text)
{
    ULONG_PTR value = 0;

    for (; **text >= '0' && **text <= '9'; (*text)++)
        value = value * 10 + (**text - '0');
    while (**text == ' ')
        (*text)++;
    return (HANDLE)value;
}

/* The copy's part: the file, and then the folder, which the system
   refuses to remove while anything is left in it. */
static int removeAfterwards(const char *handles)
{
    HANDLE process = takeHandle(&handles), file = takeHandle(&handles), folder = takeHandle(&handles);
    int tries;

    lookUpHandleCalls();
    if (canWorkThroughHandles() && WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0) {
        /* the system may hold a program's image a moment after its end */
        for (tries = 0; tries < 50 && !markGone(file); tries++)
            Sleep(100);
        CloseHandle(file);
        markGone(folder);
    }
    CloseHandle(folder);
    CloseHandle(process);
    return 0;
}

static void removeInstallation(void)
{
    WCHAR saverFile[PATH_ROOM];
    int ours[3];
    int i;

    remover.ran = 1;
    remover.progress[0] = 0;
    remover.recordIsSetups = 0;
    remover.keptFor = NULL;
    remover.command = readUninstallCommand();
    if (readRecord(saverFile))
        deleteSaverFile(saverFile);
    showAndPause(200);
    append(L"\n\nDeleting registry entries...");
    showAndPause(400);
    ours[0] = remover.command != COMMAND_NONE && (remover.command == COMMAND_OURS || remover.keptFor != NULL);
    ours[1] = remover.recordIsSetups || remover.keptFor != NULL;
    ours[2] = 1;
    remover.kept |= remover.keptFor != NULL;
    /* a record kept (its saver file still there, or the record unreadable or
       another program's) keeps the keys that offer its removal */
    for (i = 0; i < 3; i++)
        if (deleteRecordKey(&recordKeys[i], ours[i] && !remover.refused, ours[i] && i < 2 ? remover.keptFor : NULL)
            == KEY_DELETED && i == 0)
            remover.recordGone = 1;
    if (remover.menuFolder[0] != 0 && isMenuFolderShared()) {
        append(L"\n\nstart menu folder kept, another installation uses it: ");
        append(remover.menuFolder);
    } else if (remover.menuFolder[0] != 0) {
        clearStartMenu();
    }
    showAndPause(300);
    append(L"\n\n... FINISHED");
    showAndPause(0);
    /* action 0 names no setting: only the stored settings are written out,
       and every window told that they changed */
    SystemParametersInfoA(0, 0, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(0, 0, NULL, SPIF_SENDWININICHANGE);
    /* a record that no longer offers the removal needs no remover */
    if (remover.root == HKEY_CURRENT_USER && remover.saverGone && remover.recordGone)
        leaveWithTheFolder();
}

/* What a package manager reads: 2 when there was no record to remove, 1
   when something the record names stays, else 0. */
static int outcome(void)
{
    return !remover.found && remover.command == COMMAND_NONE ? 2 : remover.kept ? 1 : 0;
}

static void removeInDialog(void)
{
    removeInstallation();
    SetDlgItemTextA(remover.dialog, IDOK, "Exit");
    dropTypedAhead();
    MessageBoxA(remover.dialog, "Uninstall complete !\nClick Exit to finish.", "info", MB_ICONINFORMATION);
    remover.finished = 1;
}

static void pressOk(HWND dialog)
{
    if (remover.finished) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (remover.ran) {
        ;       /* an OK that reached the dialog through its closing box */
    } else if (remover.recordName[0] == 0) {
        copyText(remover.progress, PROGRESS_SIZE, L"" MISSING_TEXT);
        show();
        remover.finished = 1;
    } else {
        removeInDialog();
    }
}

/* While the removal runs (its closing box too) a close or a cancel, from
   Task Manager or any other program, is dropped like the keys and clicks:
   the run has one ending, its own. */
static int isRunning(void)
{
    return remover.ran && !remover.finished;
}

static void closeDialog(HWND dialog)
{
    if (!isRunning())
        EndDialog(dialog, 1);
}

static void cancel(HWND dialog)
{
    if (isRunning())
        return;
    /* owned, so that the dialog behind it takes no OK meanwhile */
    MessageBoxA(dialog, "Uninstall canceled !", "message", MB_ICONWARNING);
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK removerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        remover.dialog = dialog;
        SetDlgItemTextA(dialog, IDC_TITLE, "zUb's ScreenSaver Remover [v1.51]");
        break;
    case WM_CLOSE:
        closeDialog(dialog);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            pressOk(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            cancel(dialog);
        break;
    }
    return FALSE;
}

/* The report of a quiet run, for whoever started it, in the user's
   temporary folder in the code page's letters, each line ended by CR LF.
   Made new, not written through: whatever a hand put there by the name
   (a link, perhaps to some file of the machine's, when the remover runs
   with rights) is taken away, and the file not written when that fails. */
static void writeLog(void)
{
    static WCHAR lines[2 * PROGRESS_SIZE];
    static char text[4 * PROGRESS_SIZE];
    WCHAR path[PATH_ROOM];
    HANDLE file;
    DWORD written;
    int length;

    withReturns(lines);
    length = WideCharToMultiByte(CP_ACP, 0, lines, -1, text, sizeof text, NULL, NULL) - 1;
    if (length < 0 || !tempFolder(path, PATH_ROOM) || !appendName(path, PATH_ROOM, L"zUbSavRemov.log"))
        return;
    deleteFile(path);
    file = openFile(path, GENERIC_WRITE, 0, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | (narrowForm() ? 0 : FILE_FLAG_OPEN_REPARSE_POINT));
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteFile(file, text, length, &written, NULL);
    CloseHandle(file);
}

/* No dialog, no box and no pauses: the removal at once, its report into
   the log, its outcome the exit code (5: rights needed and not given). */
static int removeQuietly(int rights)
{
    int result = 2;

    if (rights == RIGHTS_REFUSED) {
        copyText(remover.progress, PROGRESS_SIZE, L"ERROR: administrator rights refused, nothing removed !\n");
        result = 5;
    } else if (remover.recordName[0] == 0) {
        copyText(remover.progress, PROGRESS_SIZE, L"" MISSING_TEXT);
    } else {
        removeInstallation();
        result = outcome();
    }
    writeLog();
    return result;
}

/* A switch first on the line (`name`, of ASCII letters in any case), ended
   by a blank or the line's end, taken off with the blanks after it. */
static int takeSwitch(const char **arguments, const char *name)
{
    const char *text = *arguments;

    for (; *name; name++, text++)
        if ((*text | 0x20) != (*name | 0x20))
            return 0;
    if (*text != 0 && !isBlank(*text))
        return 0;
    while (isBlank(*text))
        text++;
    *arguments = text;
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    DWORD exitCode = 0;
    const char *arguments = commandArguments(GetCommandLineA()), *rest = arguments;
    int marked, rights = RIGHTS_HELD;

    (void)previous;
    (void)commandLine;      /* read whole above, program name and all */
    (void)showCommand;      /* the dialog shows itself */
    if (takeSwitch(&rest, AFTER_MARK))
        return removeAfterwards(rest);
    marked = takeRightsMark(&rest);
    remover.quiet = takeSwitch(&rest, "/S");
    remover.recordName = rest;
    if (!toWide(remover.recordName, remover.record, RECORD_ROOM))
        remover.record[0] = 0;
    remover.refused = !isPlainName(remover.recordName) || remover.record[0] == 0;
    lookUpHandleCalls();
    /* The user's own record, when its uninstall command is this program,
       is removed with the user's own rights: rights asked for could bring
       another account, and with it another HKEY_CURRENT_USER. */
    remover.root = HKEY_CURRENT_USER;
    if (readUninstallCommand() != COMMAND_OURS) {
        remover.root = HKEY_LOCAL_MACHINE;
        if (!marked)
            rights = handedOverForRights(&arguments, &exitCode);
    }
    if (rights == RIGHTS_HANDED_OVER)
        return (int)exitCode;
    if (remover.quiet)
        return removeQuietly(rights);
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REMOVER), NULL, removerDialogProc, 0) < 0)
        MessageBoxA(NULL, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    /* the outcome is told only by a quiet run: the dialog has told the user */
    return 0;
}

/* The program's entry: no C runtime to start, as nothing of it is used
   (the command line is read whole above). */
extern "C" void WINAPI removerStart(void)
{
    restrictLibrarySearch();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, NULL, SW_SHOWDEFAULT));
}
