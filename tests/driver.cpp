#include "tests/driver.h"

#include <stdio.h>
#include <string.h>

static int scratchFolder(char *folder, int size)
{
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        return 0;
    if (_snprintf(folder, size, "%skelptest%lu", temp, GetCurrentProcessId()) >= size)
        return 0;
    folder[size - 1] = 0;
    CreateDirectoryA(folder, NULL);
    return 1;
}

int scratchPath(const char *name, char *path, int size)
{
    char folder[MAX_PATH];
    if (!scratchFolder(folder, sizeof folder))
        return 0;
    if (_snprintf(path, size, "%s\\%s", folder, name) < 0)
        return 0;
    path[size - 1] = 0;
    return 1;
}

/* Files built beside the test program itself. */
static int builtPath(const char *name, char *path, int size)
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, self, sizeof self);
    char *slash;

    if (n == 0 || n >= sizeof self)
        return 0;
    slash = strrchr(self, '\\');
    if (slash == NULL)
        return 0;
    *slash = 0;
    if (_snprintf(path, size, "%s\\%s", self, name) < 0)
        return 0;
    path[size - 1] = 0;
    return 1;
}

static int copyBuilt(const char *built, const char *name, char *path, int size)
{
    char from[MAX_PATH];
    return builtPath(built, from, sizeof from) && scratchPath(name, path, size)
        && CopyFileA(from, path, FALSE) != 0;
}

int copyBesideProgram(const char *built, const char *name)
{
    char to[MAX_PATH];
    return copyBuilt(built, name, to, sizeof to);
}

int copyProgram(const char *name, char *path, int size)
{
    return copyBuilt("kelpVole99.exe", name, path, size);
}

int startProgram(const char *name, const char *arguments, ProgramRun *run)
{
    return startBuilt("kelpVole99.exe", name, arguments, run);
}

int startBuilt(const char *built, const char *name, const char *arguments, ProgramRun *run)
{
    char commandLine[2 * MAX_PATH];
    STARTUPINFOA startup;

    memset(run, 0, sizeof *run);
    if (!copyBuilt(built, name, run->path, sizeof run->path))
        return 0;
    _snprintf(commandLine, sizeof commandLine, "\"%s\"%s%s", run->path,
              *arguments ? " " : "", arguments);
    commandLine[sizeof commandLine - 1] = 0;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(run->path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL,
                        &startup, &run->process))
        return 0;
    run->started = 1;
    return 1;
}

struct WindowSearch {
    DWORD processId;
    const char *className;
    HWND found;
};

static BOOL CALLBACK matchWindow(HWND window, LPARAM data)
{
    WindowSearch *search = (WindowSearch *)data;
    DWORD owner = 0;
    char className[64];

    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window))
        return TRUE;
    GetClassNameA(window, className, sizeof className);
    if (search->className != NULL && lstrcmpA(className, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND waitForWindow(const ProgramRun *run, const char *className, int timeoutMs)
{
    DWORD start = GetTickCount();
    WindowSearch search = { run->process.dwProcessId, className, NULL };

    do {
        EnumWindows(matchWindow, (LPARAM)&search);
        if (search.found != NULL)
            return search.found;
        if (!stillRunning(run))
            return NULL;
        Sleep(20);
    } while ((int)(GetTickCount() - start) < timeoutMs);
    return NULL;
}

int stillRunning(const ProgramRun *run)
{
    return run->started && WaitForSingleObject(run->process.hProcess, 0) == WAIT_TIMEOUT;
}

int waitForExit(ProgramRun *run, int timeoutMs, DWORD *exitCode)
{
    if (!run->started || WaitForSingleObject(run->process.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return 0;
    GetExitCodeProcess(run->process.hProcess, exitCode);
    return 1;
}

void finishRun(ProgramRun *run)
{
    if (run->started) {
        if (stillRunning(run)) {
            TerminateProcess(run->process.hProcess, 99);
            WaitForSingleObject(run->process.hProcess, 5000);
        }
        CloseHandle(run->process.hProcess);
        CloseHandle(run->process.hThread);
        run->started = 0;
    }
    if (run->path[0])
        DeleteFileA(run->path);
}

void pressKey(WORD virtualKey)
{
    INPUT input[2];
    memset(input, 0, sizeof input);
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = virtualKey;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
}

void clickMouse(DWORD downFlag, DWORD upFlag)
{
    INPUT input[2];
    memset(input, 0, sizeof input);
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = downFlag;
    input[1].mi.dwFlags = upFlag;
    SendInput(2, input, sizeof input[0]);
}
