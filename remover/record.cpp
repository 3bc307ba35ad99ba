/* The install record read and checked: the record name, the uninstall
   command, the saver file and the folders it names. */
#include "remover/remover.h"

/* The 9x line knows no links, and may refuse the option. */
static LONG openKeyAsItself(HKEY root, const char *name, REGSAM access, HKEY *key)
{
    LONG status = RegOpenKeyExA(root, name, REG_OPTION_OPEN_LINK, access, key);

    return status == ERROR_INVALID_PARAMETER ? RegOpenKeyExA(root, name, 0, access, key) : status;
}

int isLinkKey(HKEY key)
{
    DWORD type = REG_NONE;

    return RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL) == ERROR_SUCCESS
        && type == REG_LINK;
}

/* The user's keys, which every program the user runs may make links (to
   some key of the machine's), key by key from the root, each opened as
   itself and checked on its own handle: a link anywhere on the way is
   never followed, but told by KEY_IS_LINK.  The machine's keys are the
   system's and its administrators' to link (the system links keys the two
   registry views share): only the last is opened as itself. */
LONG openKey(HKEY root, const char *path, REGSAM access, HKEY *key)
{
    char name[MAX_PATH];
    HKEY above = root, next;
    LONG status = ERROR_SUCCESS;
    int length, last;

    if (root != HKEY_CURRENT_USER)
        return openKeyAsItself(root, path, access, key);
    for (;;) {
        for (length = 0; path[length] != 0 && path[length] != '\\'; length++)
            ;
        last = path[length] == 0;
        if (length >= MAX_PATH)
            status = ERROR_FILE_NOT_FOUND;
        CopyMemory(name, path, length < MAX_PATH ? length : 0);
        name[length < MAX_PATH ? length : 0] = 0;
        if (status == ERROR_SUCCESS)
            status = openKeyAsItself(above, name, last ? access | KEY_QUERY_VALUE : KEY_QUERY_VALUE, &next);
        if (status == ERROR_SUCCESS && isLinkKey(next)) {
            RegCloseKey(next);
            status = KEY_IS_LINK;
        }
        if (above != root)
            RegCloseKey(above);
        if (status != ERROR_SUCCESS || last)
            break;
        above = next;
        path += length + 1;
    }
    *key = status == ERROR_SUCCESS ? next : NULL;
    return status;
}

/* The record's own key below one of setup's, for reading: every reading
   of the record opens it so. */
static LONG openRecordKey(HKEY root, const char *parent, HKEY *key)
{
    char path[MAX_PATH];

    if (remover.nameRefused || !copyText(path, MAX_PATH, parent) || !appendText(path, MAX_PATH, "\\")
        || !appendText(path, MAX_PATH, remover.recordName))
        return ERROR_FILE_NOT_FOUND;
    return openKey(root, path, KEY_READ, key);
}

/* Only a name such as setup writes: one without a folder separator or a
   drive, and no dot name.  Any other would lead the folder and key paths
   built from it out of the installation's own.  Nor one with a tilde,
   the mark of the short 8.3 aliases, by which "<record>.scr" could name
   some "report.scrap". */
int isPlainName(const char *name)
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
int isKnownAs(const WCHAR *path, const WCHAR *name)
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
static int isRecordSaver(const WCHAR *folder, const WCHAR *saverFile)
{
    WCHAR name[PATH_ROOM], own[PATH_ROOM];

    return folder[0] != 0 && copyText(name, PATH_ROOM, remover.record) && appendText(name, PATH_ROOM, L".scr")
        && copyText(own, PATH_ROOM, folder) && appendName(own, PATH_ROOM, name) && sameText(own, saverFile)
        && isKnownAs(saverFile, name);
}

/* Setup writes the folder whole (a drive's root perhaps as "c:"); one
   relative would lead to wherever the remover happens to stand. */
static int isFullFolder(const WCHAR *folder)
{
    WCHAR root[4] = { folder[0], ':', '\\', 0 }, full[PATH_ROOM];
    const WCHAR *asked = folder[0] != 0 && folder[1] == ':' && folder[2] == 0 ? root : folder;

    return folder[0] != 0 && fullPath(asked, full, PATH_ROOM) && sameText(full, asked);
}

int isBlank(WCHAR c)
{
    return c == ' ' || c == '\t';
}

/* Whether `command` starts this very program with the record name, as the
   system runs it: the program quoted or not, compared by its long path
   (the system may have started this one by the short one), any blanks
   between. */
static int isOwnCommand(WCHAR *command)
{
    WCHAR self[PATH_ROOM];
    WCHAR *program = command;
    int length = textLength(command) - textLength(remover.record);

    if (length < 2 || !isBlank(command[length - 1]) || !sameText(command + length, remover.record))
        return 0;
    while (length > 0 && isBlank(command[length - 1]))
        length--;
    command[length] = 0;
    if (length > 2 && command[0] == '"' && command[length - 1] == '"') {
        command[length - 1] = 0;
        program++;
    }
    if (!modulePath(self, PATH_ROOM))
        return 0;
    makeLong(program, PATH_ROOM - 1);
    makeLong(self, PATH_ROOM);
    return sameText(program, self);
}

/* A record's install folder, long and whole, for comparing; empty when
   it cannot be read. */
static void readInstallFolder(HKEY root, WCHAR *folder)
{
    HKEY key;

    folder[0] = 0;
    if (openRecordKey(root, RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS)
        return;
    if (!readPathValue(key, L"" RECORD_INSTALL_FOLDER, folder, PATH_ROOM))
        folder[0] = 0;
    RegCloseKey(key);
    makeLong(folder, PATH_ROOM);
}

/* This program's own long path, and its folder's (the length of the
   folder's part in *name). */
int programFolder(WCHAR *self, WCHAR *folder, int *name)
{
    if (!modulePath(self, PATH_ROOM))
        return 0;
    makeLong(self, PATH_ROOM);
    copyText(folder, PATH_ROOM, self);
    for (*name = textLength(folder); *name > 0 && folder[*name - 1] != '\\'; (*name)--)
        ;
    folder[*name > 0 ? *name - 1 : 0] = 0;
    return 1;
}

/* The user's own record is one whose remover is this program standing in
   that record's own install folder, which is not a folder of the
   machine's: the Windows folder, or the machine record's.  A user's key is
   written by every program the user runs, elevated or not; only a record
   that leads nowhere but into the user's own folder may steer a removal. */
static int isUsersOwnRecord(void)
{
    WCHAR self[PATH_ROOM], own[PATH_ROOM], folder[PATH_ROOM], machine[PATH_ROOM];
    int name;

    readInstallFolder(HKEY_CURRENT_USER, folder);
    readInstallFolder(HKEY_LOCAL_MACHINE, machine);
    if (folder[0] == 0 || !programFolder(self, own, &name) || !sameText(own, folder)
        || sameText(folder, machine) || !windowsFolder(machine, PATH_ROOM))
        return 0;
    makeLong(machine, PATH_ROOM);
    return !sameText(folder, machine);
}

/* The user's scope only for the user's own record, and only when its
   uninstall command is this program. */
int isUsersScope(void)
{
    remover.root = HKEY_CURRENT_USER;
    if (readUninstallCommand() == COMMAND_OURS && isUsersOwnRecord())
        return 1;
    remover.root = HKEY_LOCAL_MACHINE;
    return 0;
}

int readUninstallCommand(void)
{
    WCHAR command[PATH_ROOM];
    int read;
    HKEY key;

    if (openRecordKey(remover.root, RECORD_UNINSTALL_KEY, &key) != ERROR_SUCCESS)
        return COMMAND_NONE;
    read = readCommandValue(key, L"" RECORD_UNINSTALL_COMMAND, command, PATH_ROOM);
    RegCloseKey(key);
    if (!read)
        return COMMAND_UNREADABLE;
    return isOwnCommand(command) ? COMMAND_OURS : COMMAND_FOREIGN;
}

/* One rule for the whole record: a value the saver file is told by that
   cannot be read whole (of another type, empty, too long, a folder not
   whole), or an uninstall command that cannot be read or is another
   program's, keeps the record as it stands, saver file and both keys, so
   that a run after the user has mended it finishes the removal; a record
   removed in part could be removed by no later run. */
static void checkRecordValues(int hasSaver, const WCHAR *folder, WCHAR *saverFile)
{
    int readable = hasSaver && isFullFolder(folder);
    const char *value = readable ? NULL : !hasSaver ? "(Default)" : RECORD_INSTALL_FOLDER;

    if (value == NULL && remover.command == COMMAND_UNREADABLE) {
        value = RECORD_UNINSTALL_COMMAND;
    } else if (value == NULL && remover.command != COMMAND_FOREIGN) {
        remover.recordIsSetups = isRecordSaver(folder, saverFile);
        return;
    }
    saverFile[0] = 0;
    if (value == NULL) {
        remover.keptFor = "\nkey kept, record of another program:";
        append("\nuninstall command of another program, record kept:");
    } else {
        remover.keptFor = "\nkey kept, record unreadable:";
        append("\ncan't read value ");
        append(value);
        append(", record kept:");
    }
    appendKey(remover.root, readable ? RECORD_UNINSTALL_KEY "\\" : APP_PATHS_KEY);
    append(remover.record);
}

/* The saver file and the start-menu folder from the record.  Returns 0
   when there is no saver file to delete: the record cannot be opened, or
   it is kept. */
int readRecord(WCHAR *saverFile)
{
    HKEY key;
    int hasSaver;
    WCHAR folder[PATH_ROOM];

    append("Reading uninstall info...");
    showAndPause(400);
    remover.menuFolder[0] = saverFile[0] = 0;
    if (openRecordKey(remover.root, RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS) {
        /* "cant't": the wording the users of the report know */
        append("\nerror cant't read uninstall registry entry:");
        appendKey(remover.root, APP_PATHS_KEY);
        append(remover.record);
        return 0;
    }
    remover.found = 1;
    hasSaver = readPathValue(key, NULL, saverFile, PATH_ROOM) && saverFile[0] != 0;
    readPathValue(key, L"" RECORD_INSTALL_FOLDER, folder, PATH_ROOM);
    copyText(remover.installFolder, PATH_ROOM, folder);
    readPathValue(key, L"" RECORD_MENU_PATH, remover.menuFolder, PATH_ROOM);
    if (!readPathValue(key, L"" RECORD_MADE_FOLDER, remover.madeFolder, PATH_ROOM))
        remover.madeFolder[0] = 0;
    RegCloseKey(key);
    append("  Done");
    append("\n\nDeleting saver files...");
    checkRecordValues(hasSaver, folder, saverFile);
    showAndPause(200);
    return saverFile[0] != 0;
}

static HKEY otherScope(void)
{
    return remover.root == HKEY_CURRENT_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

int isOtherScopeInstalled(void)
{
    HKEY key;

    if (openRecordKey(otherScope(), RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

/* Both scopes' records name the one "zub_Savers\<record>" of the user's
   start menu: while the other still names it, it holds that installation's
   links, and stays. */
int isMenuFolderShared(void)
{
    HKEY key;
    WCHAR other[PATH_ROOM], full[PATH_ROOM], mine[PATH_ROOM];
    int named;

    if (openRecordKey(otherScope(), RECORD_APP_PATHS_KEY, &key) != ERROR_SUCCESS)
        return 0;
    named = readPathValue(key, L"" RECORD_MENU_PATH, other, PATH_ROOM);
    RegCloseKey(key);
    return named && fullPath(other, full, PATH_ROOM) && fullPath(remover.menuFolder, mine, PATH_ROOM)
        && sameText(full, mine);
}
