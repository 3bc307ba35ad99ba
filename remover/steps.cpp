/* The removal's steps in order, each reported: the saver file, the three
   keys, the start-menu folder; then the system told, and the user's own
   remover sent after its folder. */
#include "remover/remover.h"

#define MENU_PARENT L"\\" RECORD_MENU_FOLDER L"\\"

/* One of the record's keys: the parent opened, the record's subkey
   deleted, and the lines reported when either fails: each line's text,
   then the root and `shown` (then the record name, but after a failed
   open).  The shown names ("App Paths", "zub_kram") are the report's
   wording, which matters to no registry call.  No root: the record's own,
   the machine's or the user's. */
struct RecordKey {
    HKEY root;
    const char *parent;
    const char *shown;
    const char *deleteFailed;
    const char *openFailed;
};

static const RecordKey recordKeys[3] = {
    { NULL, RECORD_UNINSTALL_KEY, RECORD_UNINSTALL_KEY "\\", "\ncan't delete key:", "\nerror can't open key:" },
    { NULL, RECORD_APP_PATHS_KEY, "software\\microsoft\\windows\\currentversion\\App Paths\\",
      "\ncan't delete key:", "\ncan't open key:" },
    { HKEY_CURRENT_USER, RECORD_SETTINGS_KEY, "software\\zub_kram\\", "\nno saver inifile found:",
      "\ncan't open key:" },
};

/* The saver file's folder, from its path ("<folder>\<record>.scr"); a
   drive's root keeps its backslash, not to mean the drive's current folder. */
static void saverFolderOf(const WCHAR *saverFile, WCHAR *folder)
{
    copyText(folder, PATH_ROOM, saverFile);
    folder[textLength(folder) - textLength(remover.record) - 5] = 0;
    if (folder[textLength(folder) - 1] == ':')
        appendText(folder, PATH_ROOM, L"\\");
}

/* The record could have been made to name any file. */
static void removeSaverFile(const WCHAR *saverFile)
{
    WCHAR folder[PATH_ROOM];
    int deleted = NOT_DELETED;

    if (remover.recordIsSetups) {
        saverFolderOf(saverFile, folder);
        deleted = canWorkThroughHandles() ? deleteSaverThroughHandle(folder, saverFile)
                                          : deleteSaverByName(folder, saverFile);
    }
    remover.saverGone = deleted == DELETED;
    if (deleted == DELETED) {
        append("\nOK");
    } else if (deleted == NOT_THE_SAVER) {
        remover.kept = 1;
        /* a folder or a link some other hand put there: left, and it does
           not hold the record */
        append("\nnot the saver file, left:\n   ");
    } else if (remover.recordIsSetups && attributesOf(saverFile) != INVALID_FILE_ATTRIBUTES) {
        /* in use, or guarded: the record stays, for another run to finish */
        remover.keptFor = "\nkey kept, saver file still there:";
        append("\ncan't delete file:\n   ");
    } else {
        append("\ncan't find file to remove:\n   ");
    }
    if (deleted != DELETED)
        append(saverFile);
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
    LONG status = remover.nameRefused ? ERROR_FILE_NOT_FOUND
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
static int deleteRecordKey(const RecordKey *k, int ours, const char *keptFor)
{
    HKEY parent, root = k->root != NULL ? k->root : remover.root;
    int result = KEY_KEPT;
    LONG status = ERROR_SUCCESS;

    if (keptFor != NULL) {
        append(keptFor);
    } else if ((status = openKey(root, k->parent, KEY_READ, &parent)) == ERROR_SUCCESS) {
        result = deleteKeyItself(parent, ours);
        RegCloseKey(parent);
        append(result == KEY_DELETED ? "\nOK" : result == KEY_LINK ? "\nkey left, it is a link:" : k->deleteFailed);
    } else if (status == KEY_IS_LINK) {
        result = KEY_LINK;
        append("\nkey left, a key above it is a link:");
        appendKey(root, k->shown);
        append(remover.record);
    } else {
        append(k->openFailed);
        appendKey(root, k->shown);
        if (status == ERROR_FILE_NOT_FOUND)
            result = KEY_ABSENT;
    }
    if (status == ERROR_SUCCESS && result != KEY_DELETED) {
        appendKey(root, k->shown);
        append(remover.record);
    }
    remover.kept |= result == KEY_KEPT || result == KEY_LINK;
    showAndPause(200);
    return result;
}

/* A record kept (its saver file still there, or the record unreadable or
   another program's) keeps the keys that offer its removal. */
static void deleteRecordKeys(void)
{
    int kept = remover.keptFor != NULL;
    int ours[2] = { remover.command == COMMAND_OURS || (kept && remover.command != COMMAND_NONE),
                    remover.recordIsSetups || kept };
    int i, other;

    append("\n\nDeleting registry entries...");
    showAndPause(400);
    remover.kept |= kept;
    for (i = 0; i < 2; i++)
        if (deleteRecordKey(&recordKeys[i], ours[i] && !remover.nameRefused, ours[i] ? remover.keptFor : NULL)
            == KEY_DELETED && i == 0)
            remover.recordGone = 1;
    /* the settings are the user's for every installation: they go with the last */
    other = isOtherScopeInstalled();
    kept = remover.kept;
    remover.touched = deleteRecordKey(&recordKeys[2], !remover.nameRefused,
                                      other ? "\nkey kept, another installation uses it:" : NULL) == KEY_DELETED;
    if (other)
        remover.kept = kept;
}

/* Reported by its real name, even when too long to be deleted. */
static void reportEntry(const WCHAR *name, int deleted)
{
    if (deleted == ENTRY_DELETED) {
        append("\nOK");
    } else {
        remover.kept = 1;
        append(deleted == ENTRY_LEADS_OUT ? "\nentry left, it leads out of the folder: " : "\ncan't delete entry: ");
        append(remover.menuFolder);
        append("\\");
        append(name);
    }
    showAndPause(200);
}

/* "zub_Savers" above the record's start-menu folder (XP has junctions:
   neither may be a link, as emptying a link empties the folder linked to). */
static void menuParentOf(WCHAR *parent)
{
    copyText(parent, PATH_ROOM, remover.menuFolder);
    parent[textLength(parent) - textLength(remover.record) - 1] = 0;
}

/* Only the user's "<Programs>\zub_Savers\<record name>", where "smPath"
   leads once resolved, is the record's start-menu folder.  The resolved
   path is the one worked on from then on, whole. */
static int isRecordMenuFolder(void)
{
    WCHAR programs[MAX_PATH], own[PATH_ROOM], full[PATH_ROOM];

    if (remover.nameRefused || !fullPath(remover.menuFolder, full, PATH_ROOM)
        || !specialFolder(CSIDL_PROGRAMS, programs) || !copyText(own, PATH_ROOM, programs)
        || !appendText(own, PATH_ROOM, MENU_PARENT) || !appendText(own, PATH_ROOM, remover.record)
        || !sameText(full, own))
        return 0;
    copyText(remover.menuFolder, PATH_ROOM, full);
    menuParentOf(own);
    return isPlainFolder(full) && isPlainFolder(own) && isKnownAs(full, remover.record);
}

/* Subfolders are not entered: deleting one fails and is reported.  The
   folder is checked and opened before the pause and worked on through that
   handle after it; by name, each check is asked again before each delete. */
static void clearStartMenu(void)
{
    WCHAR parent[PATH_ROOM];
    int byHandle = canWorkThroughHandles(), ours = isRecordMenuFolder(), removed = 0;
    HANDLE folder = ours && byHandle ? openFolderItself(remover.menuFolder, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES
                                                        | DELETE | SYNCHRONIZE, 1, remover.menuFinal)
                                     : INVALID_HANDLE_VALUE;

    if (ours)
        menuParentOf(parent);
    append("\n\nDeleting start menu entries...");
    showAndPause(500);
    if (folder != INVALID_HANDLE_VALUE)
        clearThroughHandle(folder, reportEntry);
    else if (ours && !byHandle)
        clearFolderByName(remover.menuFolder, parent, reportEntry);
    append("\n\nRemoving start menu Folder...");
    showAndPause(300);
    if (folder != INVALID_HANDLE_VALUE) {
        removed = markGone(folder);
        CloseHandle(folder);
    } else if (ours && !byHandle) {
        removed = removeFolderByName(remover.menuFolder, parent);
    }
    if (removed) {
        append("\nOK");
    } else {
        append("\ncant't delete folder: ");     /* "cant't": the report's known wording */
        append(remover.menuFolder);
        remover.kept |= attributesOf(remover.menuFolder) != INVALID_FILE_ATTRIBUTES;
    }
}

static void removeMenuFolder(void)
{
    if (remover.menuFolder[0] != 0 && isMenuFolderShared()) {
        append("\n\nstart menu folder kept, another installation uses it: ");
        append(remover.menuFolder);
    } else if (remover.menuFolder[0] != 0) {
        clearStartMenu();
    }
}

void removeInstallation(void)
{
    WCHAR saverFile[PATH_ROOM];

    remover.ran = 1;
    remover.progress[0] = 0;
    remover.recordIsSetups = 0;
    remover.keptFor = NULL;
    remover.command = readUninstallCommand();
    if (readRecord(saverFile))
        removeSaverFile(saverFile);
    showAndPause(200);
    deleteRecordKeys();
    removeMenuFolder();
    showAndPause(300);
    append("\n\n... FINISHED");
    showAndPause(0);
    /* action 0 names no setting: only the stored settings are written out,
       and every window told that they changed */
    SystemParametersInfoA(0, 0, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(0, 0, NULL, SPIF_SENDWININICHANGE);
    /* a record that no longer offers the removal needs no remover */
    if (remover.root == HKEY_CURRENT_USER && remover.saverGone && remover.recordGone)
        leaveWithTheFolder();
}

/* 2 when there was nothing to remove (no record, and no settings), 1 when
   something the record names stays, else 0. */
int outcome(void)
{
    return !remover.found && remover.command == COMMAND_NONE && !remover.touched ? 2 : remover.kept ? 1 : 0;
}
