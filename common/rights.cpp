#include "common/rights.h"
#include "common/files.h"
#include "common/cmdline.h"

#include <shellapi.h>

int asksForRights(int marked, int canWrite, int elevation)
{
    /* The copy started for the rights never asks again.  Only a token known
       to be limited is worth a new start: an elevated one that still cannot
       write would ask again and again, and before Vista there is no asking. */
    return !marked && !canWrite && elevation == ELEVATION_LIMITED;
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

/* Only the limited half of a split token can be raised by asking: a token
   of its own (no consent prompt, or a user without the rights) would start
   the same limited program again and again. */
int processElevation(void)
{
    HANDLE token;
    DWORD type = 0, size = 0;
    int answer = ELEVATION_UNKNOWN;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return ELEVATION_UNKNOWN;
    if (GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size))
        answer = type == TokenElevationTypeLimited ? ELEVATION_LIMITED
               : type == TokenElevationTypeFull ? ELEVATION_FULL : ELEVATION_UNKNOWN;
    CloseHandle(token);
    return answer;
}

/* Started again by the path the system knows: its letters may lie beyond
   the ANSI code page, as may the arguments', which go over whole.  Only a
   limited token comes here, so Vista or later; the call is looked up all
   the same, so that Windows 95 still loads a program that never makes it. */
int startWithRights(const WCHAR *program, const WCHAR *arguments, DWORD *exitCode)
{
    static BOOL (WINAPI *execute)(SHELLEXECUTEINFOW *);
    /* the system's line holds the quoted program, a blank and these */
    static WCHAR marked[COMMAND_ROOM];
    SHELLEXECUTEINFOW start;

    LOOK_UP_ONCE(execute, "shell32.dll", "ShellExecuteExW");
    if (execute == NULL || !copyText(marked, COMMAND_ROOM - textLength(program) - 3, L"" RIGHTS_MARK " ")
        || !appendText(marked, COMMAND_ROOM - textLength(program) - 3, arguments))
        return RIGHTS_NOT_STARTED;
    ZeroMemory(&start, sizeof start);
    start.cbSize = sizeof start;
    /* waited for: a package manager reads the outcome from this process */
    start.fMask = SEE_MASK_NOASYNC | SEE_MASK_NOCLOSEPROCESS;
    start.lpVerb = L"runas";
    start.lpFile = program;
    start.lpParameters = marked;
    start.nShow = SW_SHOWNORMAL;
    /* the user's No to the prompt is the one refusal; anything else
       started nothing */
    if (!execute(&start))
        return GetLastError() == ERROR_CANCELLED ? RIGHTS_REFUSED : RIGHTS_NOT_STARTED;
    if (start.hProcess == NULL)
        return RIGHTS_NOT_STARTED;
    WaitForSingleObject(start.hProcess, INFINITE);
    if (!GetExitCodeProcess(start.hProcess, exitCode))
        *exitCode = 1;
    CloseHandle(start.hProcess);
    return RIGHTS_HANDED_OVER;
}

int handedOverForRights(const WCHAR **arguments, DWORD *exitCode)
{
    WCHAR self[MAX_PATH];

    if (!asksForRights(takeRightsMark(arguments), canWriteWindowsFolder(), processElevation()))
        return RIGHTS_HELD;
    return modulePath(self, MAX_PATH) ? startWithRights(self, *arguments, exitCode) : RIGHTS_NOT_STARTED;
}

