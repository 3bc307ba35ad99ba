/* The route through handles, wherever the system has the calls (Vista and
   later): a folder opened once as itself, checked through that handle, and
   emptied and removed through it; each entry opened relative to it and
   known, by the system's own final path, to lie in it. */
#include "remover/remover.h"

/* Calls of Vista and later, looked up when there. */
struct HandleCalls {
    decltype(&GetFileInformationByHandleEx) getInfoByHandle;
    decltype(&SetFileInformationByHandle) setInfoByHandle;
    decltype(&GetFinalPathNameByHandleW) finalPathOf;
    decltype(&NtOpenFile) openRelative;     /* relative to a folder's handle */
    decltype(&CreateProcessW) start;
};
static HandleCalls handleCalls;

void lookUpHandleCalls(void)
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
int canWorkThroughHandles(void)
{
    return handleCalls.getInfoByHandle && handleCalls.setInfoByHandle && handleCalls.finalPathOf
        && handleCalls.openRelative;
}

int startHandingDown(const WCHAR *program, WCHAR *line)
{
    STARTUPINFOW startup;
    PROCESS_INFORMATION started;

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (handleCalls.start == NULL
        || !handleCalls.start(program, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &started))
        return 0;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return 1;
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
int isEntry(HANDLE entry, const WCHAR *folderFinal, const WCHAR *name)
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
int markGone(HANDLE file)
{
    FILE_DISPOSITION_INFO gone;

    gone.DeleteFile = TRUE;
    return handleCalls.setInfoByHandle(file, FileDispositionInfo, &gone, sizeof gone);
}

static int removeOpened(const void *file)
{
    return markGone((HANDLE)file);
}

static DWORD attributesOfOpened(const void *file)
{
    FILE_BASIC_INFO basic;

    return handleCalls.getInfoByHandle((HANDLE)file, FileBasicInfo, &basic, sizeof basic)
        ? basic.FileAttributes : INVALID_FILE_ATTRIBUTES;
}

static int setAttributesOfOpened(const void *file, DWORD attributes)
{
    FILE_BASIC_INFO basic;

    ZeroMemory(&basic, sizeof basic);   /* times of 0 are left as they are */
    basic.FileAttributes = attributes;
    return handleCalls.setInfoByHandle((HANDLE)file, FileBasicInfo, &basic, sizeof basic);
}

static const FileAccess throughHandle = { removeOpened, attributesOfOpened, setAttributesOfOpened };

/* The handle needs FILE_WRITE_ATTRIBUTES besides DELETE. */
int markGoneEvenReadOnly(HANDLE file)
{
    return deleteEvenReadOnly(&throughHandle, file);
}

HANDLE openFileOrFolder(const WCHAR *path, DWORD access, DWORD flags)
{
    return openFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | flags);
}

static void dropClosingSeparator(WCHAR *path)
{
    int length = textLength(path);

    if (length > 0 && path[length - 1] == '\\')
        path[length - 1] = 0;
}

/* Whether the opened `folder`, named `name` in `parent`, lies in the
   parent's own final path; with `parentItself` the parent is no link
   either. */
static int liesInParent(HANDLE folder, WCHAR *parent, int parentItself, const WCHAR *name)
{
    WCHAR parentFinal[PATH_ROOM + 8];
    HANDLE above = openFileOrFolder(parent, FILE_READ_ATTRIBUTES, parentItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    int ours = above != INVALID_HANDLE_VALUE && (!parentItself || isFolderItself(above, parent))
        && finalPathOf(above, parentFinal);

    if (above != INVALID_HANDLE_VALUE)
        CloseHandle(above);
    if (!ours)
        return 0;
    dropClosingSeparator(parentFinal);
    return isEntry(folder, parentFinal, name);
}

/* A folder opened as itself and known to be what its name leads to, no
   link; with `parentItself`, the folder above it too.  Its final path
   (into `final`, no closing backslash) must lie in its parent's, as each
   entry's must: a folder swapped the moment it was opened is caught so,
   whatever the system makes of the flags.  INVALID_HANDLE_VALUE when it
   is not the folder. */
HANDLE openFolderItself(const WCHAR *path, DWORD access, int parentItself, WCHAR *final)
{
    WCHAR parent[PATH_ROOM];
    HANDLE folder = openFileOrFolder(path, access, FILE_FLAG_OPEN_REPARSE_POINT);
    int name = textLength(path), ours;

    while (name > 0 && path[name - 1] != '\\')
        name--;
    ours = folder != INVALID_HANDLE_VALUE && isFolderItself(folder, path) && finalPathOf(folder, final);
    if (ours && path[name] != 0) {      /* not a drive's root */
        copyText(parent, PATH_ROOM, path);
        parent[name > 1 && path[name - 2] == ':' ? name : name - 1] = 0;
        ours = liesInParent(folder, parent, parentItself, path + name);
    }
    if (ours) {
        dropClosingSeparator(final);
        return folder;
    }
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    return INVALID_HANDLE_VALUE;
}

/* The saver file opened as itself and deleted through its handle, when it
   is a file in `folder`, which is no link put in the folder's place since. */
int deleteSaverThroughHandle(const WCHAR *folder, const WCHAR *saverFile)
{
    WCHAR folderFinal[PATH_ROOM + 8];
    HANDLE file, above;
    BY_HANDLE_FILE_INFORMATION info;
    int result = NOT_DELETED, name = textLength(saverFile);

    while (name > 0 && saverFile[name - 1] != '\\')
        name--;
    file = openFileOrFolder(saverFile, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                            FILE_FLAG_OPEN_REPARSE_POINT);     /* a folder too, to be told apart */
    if (file == INVALID_HANDLE_VALUE)
        return NOT_DELETED;
    above = openFolderItself(folder, FILE_READ_ATTRIBUTES, 0, folderFinal);
    if (above == INVALID_HANDLE_VALUE || !isEntry(file, folderFinal, saverFile + name)
        || !GetFileInformationByHandle(file, &info)
        || (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        result = NOT_THE_SAVER;
    else if (deleteEvenReadOnly(&throughHandle, file))
        result = DELETED;
    if (above != INVALID_HANDLE_VALUE)
        CloseHandle(above);
    CloseHandle(file);
    return result;
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
    if (handleCalls.openRelative(&opened, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                                 &where, &io,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT
                                 | FILE_SYNCHRONOUS_IO_NONALERT) < 0)
        return ENTRY_KEPT;
    if (!isEntry(opened, remover.menuFinal, name))
        result = ENTRY_LEADS_OUT;
    else
        result = markGoneEvenReadOnly(opened) ? ENTRY_DELETED : ENTRY_KEPT;
    CloseHandle(opened);
    return result;
}

static int isDotName(const WCHAR *name, ULONG bytes)
{
    return name[0] == '.' && (bytes == 2 || (bytes == 4 && name[1] == '.'));
}

/* Through the folder's handle: the entries listed are its own, whatever
   its name has come to lead to. */
void clearThroughHandle(HANDLE folder, EntryReport report)
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
                report(name, deleteRelative(folder, name, info->FileName, info->FileNameLength));
            if (info->NextEntryOffset == 0)
                break;
            info = (FILE_ID_BOTH_DIR_INFO *)((BYTE *)info + info->NextEntryOffset);
        }
        kind = FileIdBothDirectoryInfo;
    }
}
