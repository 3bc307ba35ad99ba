#include "setup/rights.h"
#include "setup/paths.h"

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
    char path[MAX_PATH + 32];
    UINT n = GetWindowsDirectoryA(path, MAX_PATH);
    HANDLE file;

    if (n == 0 || n >= MAX_PATH)
        return 0;
    /* named after the process, so two setups at once do not collide */
    wsprintfA(path + n, "%skelp%lu.tmp", endsInSeparator(path) ? "" : "\\", GetCurrentProcessId());
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
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
    DWORD n = GetModuleFileNameW(NULL, self, MAX_PATH);

    if (execute == NULL || n == 0 || n >= MAX_PATH || !toWide(arguments, wideArguments, MAX_PATH))
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
