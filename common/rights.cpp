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
    WCHAR path[PATH_ROOM], name[32];
    HANDLE file;

    /* named after the process, so two setups at once do not collide */
    wsprintfW(name, L"kelp%lu.tmp", GetCurrentProcessId());
    if (!windowsFolder(path, MAX_PATH) || !appendName(path, PATH_ROOM, name))
        return 0;
    file = openFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
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
    typedef BOOL (WINAPI *ShellExecuteExWCall)(SHELLEXECUTEINFOW *);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    ShellExecuteExWCall execute = shell != NULL
        ? (ShellExecuteExWCall)(void (*)(void))GetProcAddress(shell, "ShellExecuteExW") : NULL;
    WCHAR self[MAX_PATH], wideArguments[MAX_PATH];
    SHELLEXECUTEINFOW start;

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
