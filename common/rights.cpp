#include "common/rights.h"
#include "common/files.h"

#include <shellapi.h>

int needsRights(int canWrite, int elevation)
{
    /* Only a token known to be limited is worth a new start: an elevated
       one that still cannot write would ask again and again, and before
       Vista there is no asking. */
    return !canWrite && elevation == ELEVATION_LIMITED;
}

int canWriteWindowsFolder(void)
{
    WCHAR folder[PATH_ROOM], path[PATH_ROOM], name[32];
    char number[32];
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD tries;

    if (!windowsFolder(folder, MAX_PATH))
        return 0;
    /* named after the process, so two setups at once do not collide; only
       a file made new is ours to drop: one already there under the name,
       or a link planted in its place, is left alone */
    for (tries = 0; tries < 16 && file == INVALID_HANDLE_VALUE; tries++) {
        /* the ANSI form: the 9x line has no wsprintfW */
        wsprintfA(number, "kelp%lu.tmp", GetCurrentProcessId() + tries * 0x10000);
        if (!toWide(number, name, 32) || !copyText(path, PATH_ROOM, folder)
            || !appendName(path, PATH_ROOM, name))
            return 0;
        file = openFile(path, GENERIC_WRITE, 0, CREATE_NEW,
                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS
            && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

int processElevation(void)
{
    /* TOKEN_ELEVATION and its class number, absent from older headers */
    const int tokenElevation = 20;
    HANDLE token;
    DWORD elevated = 0, size = 0;
    int answer = ELEVATION_UNKNOWN;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return ELEVATION_UNKNOWN;
    if (GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)tokenElevation, &elevated,
                            sizeof elevated, &size))
        answer = elevated ? ELEVATION_FULL : ELEVATION_LIMITED;
    CloseHandle(token);
    return answer;
}

/* Started again by the path the system knows: its letters may lie beyond
   the ANSI code page.  Only a limited token comes here, so Vista or later;
   the call is looked up all the same, so that Windows 95 still loads a
   program that never makes it. */
int restartWithRights(const char *arguments)
{
    static BOOL (WINAPI *execute)(SHELLEXECUTEINFOW *);
    WCHAR self[MAX_PATH], wideArguments[MAX_PATH];
    SHELLEXECUTEINFOW start;

    LOOK_UP_ONCE(execute, "shell32.dll", "ShellExecuteExW");
    if (execute == NULL || !modulePath(self, MAX_PATH) || !toWide(arguments, wideArguments, MAX_PATH))
        return 0;
    ZeroMemory(&start, sizeof start);
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOASYNC;
    start.lpVerb = L"runas";
    start.lpFile = self;
    start.lpParameters = wideArguments;
    start.nShow = SW_SHOWNORMAL;
    return execute(&start) != 0;
}

int handedOverForRights(const char *arguments)
{
    return needsRights(canWriteWindowsFolder(), processElevation())
        && restartWithRights(arguments);
}
