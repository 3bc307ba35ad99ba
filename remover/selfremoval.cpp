/* The user's own remover lives in the install folder it empties, and a
   running program cannot delete its file.  A copy of it in the temporary
   folder, opened here to be deleted as its last handle closes, takes over
   this process, this program's file and its folder, each opened here as
   itself and handed down, and lets the file and then the folder, when
   empty, go once this process has ended.  Nothing is looked up again by
   name, and this process does not wait for the copy: its exit code is the
   removal's. */
#include "remover/remover.h"

/* What the copy takes over: this process, its file, its folder, and the
   copy's own file. */
enum { HANDED_PROCESS, HANDED_FILE, HANDED_FOLDER, HANDED_COPY, HANDED_COUNT };

/* A handle the copy started below takes over, as it is. */
static HANDLE handedDown(HANDLE handle)
{
    HANDLE inherited = INVALID_HANDLE_VALUE;

    if (handle != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &inherited, 0, TRUE,
                        DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
    return inherited;
}

/* Whether the opened copy holds this program's bytes, and no more. */
static int holdsSelf(HANDLE copy, const WCHAR *self)
{
    static BYTE mine[4096], its[4096];
    HANDLE own = openFile(self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
    DWORD got = 1, read, i;
    int same = own != INVALID_HANDLE_VALUE;

    while (same && got != 0) {
        same = ReadFile(own, mine, sizeof mine, &got, NULL) && ReadFile(copy, its, sizeof its, &read, NULL)
            && read == got;
        for (i = 0; same && i < got; i++)
            same = mine[i] == its[i];
    }
    if (own != INVALID_HANDLE_VALUE)
        CloseHandle(own);
    return same;
}

/* The copy in the temporary folder, named after the process (a copy that
   another removal left may still be there), opened to go as its last
   handle closes.  That handle shares nothing but reading: from the moment
   the copy is found to hold this program until it has started, no other
   hand can write it, rename it or delete it, and so put a program of its
   own in its place. */
static HANDLE makeCopy(const WCHAR *self, const WCHAR *temp, WCHAR *copy)
{
    WCHAR name[32];
    char number[32];
    HANDLE made;
    DWORD tries;

    for (tries = 0; tries < 16; tries++) {
        wsprintfA(number, "zUbSavRemov%lu.exe", GetCurrentProcessId() + tries * 0x10000);
        if (toWide(number, name, 32) && copyText(copy, PATH_ROOM, temp) && appendName(copy, PATH_ROOM, name)
            && CopyFileW(self, copy, TRUE)) {
            setAttributes(copy, FILE_ATTRIBUTE_NORMAL);     /* a read-only remover's copy is read-only */
            made = handedDown(openFile(copy, DELETE | GENERIC_READ | SYNCHRONIZE, FILE_SHARE_READ, OPEN_EXISTING,
                                       FILE_FLAG_DELETE_ON_CLOSE));
            if (made != INVALID_HANDLE_VALUE && !holdsSelf(made, self)) {
                CloseHandle(made);      /* and with it whatever was put there */
                made = INVALID_HANDLE_VALUE;
            }
            if (made == INVALID_HANDLE_VALUE)
                DeleteFileW(copy);
            return made;
        }
    }
    return INVALID_HANDLE_VALUE;
}

/* Only a folder setup made goes, never one that was there before: the
   install folder itself, or one below the first folder setup made. */
static int isMadeBySetup(void)
{
    WCHAR above[PATH_ROOM];
    int length;

    makeLong(remover.madeFolder, PATH_ROOM);
    length = textLength(remover.madeFolder);
    copyText(above, PATH_ROOM, remover.installFolder);
    if (length == 0 || length > textLength(above) || (above[length] != 0 && above[length] != '\\'))
        return 0;
    above[length] = 0;
    return sameText(above, remover.madeFolder);
}

/* The copy started with the handles it takes over on its command line. */
static void startCopy(const WCHAR *copy, HANDLE *handed)
{
    WCHAR line[2 * PATH_ROOM];
    char number[80];

    wsprintfA(number, " " AFTER_MARK " %lu %lu %lu", (DWORD)(ULONG_PTR)handed[HANDED_PROCESS],
              (DWORD)(ULONG_PTR)handed[HANDED_FILE],
              isMadeBySetup() ? (DWORD)(ULONG_PTR)handed[HANDED_FOLDER] : 0);     /* 0: no folder to take */
    if (copyText(line, PATH_ROOM, L"\"") && appendText(line, PATH_ROOM, copy) && appendText(line, PATH_ROOM, L"\"")
        && toWide(number, line + textLength(line), PATH_ROOM))
        startHandingDown(copy, line);
}

/* The program's own long path, and the length of its folder's part, when
   that folder is the record's install folder. */
static int isInInstallFolder(WCHAR *self, int *name)
{
    WCHAR folder[PATH_ROOM];

    makeLong(remover.installFolder, PATH_ROOM);
    return programFolder(self, folder, name) && sameText(folder, remover.installFolder);
}

void leaveWithTheFolder(void)
{
    WCHAR self[PATH_ROOM], final[PATH_ROOM + 8], temp[PATH_ROOM], copy[PATH_ROOM];
    HANDLE handed[HANDED_COUNT];
    int name, i;

    if (!canWorkThroughHandles() || !tempFolder(temp, PATH_ROOM)
        || !SetCurrentDirectoryW(temp) || !isInInstallFolder(self, &name))     /* no hold on the folder */
        return;
    handed[HANDED_PROCESS] = NULL;
    handed[HANDED_FILE] = handed[HANDED_FOLDER] = handed[HANDED_COPY] = INVALID_HANDLE_VALUE;
    copyText(copy, PATH_ROOM, self);
    copy[name > 0 ? name - 1 : 0] = 0;
    handed[HANDED_FOLDER] = handedDown(openFolderItself(copy, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, final));
    handed[HANDED_FILE] = handedDown(openFileOrFolder(self, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES
                                                      | SYNCHRONIZE,
                                                      FILE_FLAG_OPEN_REPARSE_POINT));
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &handed[HANDED_PROCESS],
                    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0);     /* told apart by its id */
    handed[HANDED_COPY] = makeCopy(self, temp, copy);
    if (handed[HANDED_PROCESS] != NULL && handed[HANDED_FOLDER] != INVALID_HANDLE_VALUE
        && handed[HANDED_COPY] != INVALID_HANDLE_VALUE && isEntry(handed[HANDED_FILE], final, self + name))
        startCopy(copy, handed);
    for (i = 0; i < HANDED_COUNT; i++)
        if (handed[i] != NULL && handed[i] != INVALID_HANDLE_VALUE)
            CloseHandle(handed[i]);
}

static HANDLE takeHandle(const WCHAR **text)
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
int removeAfterwards(const WCHAR *handles)
{
    HANDLE process = takeHandle(&handles), file = takeHandle(&handles), folder = takeHandle(&handles);
    DWORD (WINAPI *processId)(HANDLE) = NULL;
    int tries;

    lookUpHandleCalls();
    LOOK_UP(processId, GetModuleHandleA("kernel32.dll"), "GetProcessId");
    /* only another process is waited for: a handle that is none (or this
       process's own) would be waited on for ever */
    if (canWorkThroughHandles() && processId != NULL && processId(process) != 0
        && processId(process) != GetCurrentProcessId() && WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0) {
        /* the system may hold a program's image a moment after its end */
        for (tries = 0; tries < 50 && !markGoneEvenReadOnly(file); tries++)
            Sleep(100);
        CloseHandle(file);
        markGone(folder);
    }
    CloseHandle(folder);
    CloseHandle(process);
    return 0;
}
