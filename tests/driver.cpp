#include "tests/driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void removeTree(const char *folder)
{
    char pattern[MAX_PATH], path[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE search;

    if (_snprintf(pattern, sizeof pattern, "%s\\*", folder) < 0)
        return;
    pattern[sizeof pattern - 1] = 0;
    search = FindFirstFileA(pattern, &found);
    while (search != INVALID_HANDLE_VALUE) {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0
            && _snprintf(path, sizeof path, "%s\\%s", folder, found.cFileName) > 0) {
            path[sizeof path - 1] = 0;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileA(path);
        }
        if (!FindNextFileA(search, &found))
            break;
    }
    FindClose(search);
    RemoveDirectoryA(folder);
}

static char scratch[MAX_PATH];

static void removeScratch(void)
{
    removeTree(scratch);
}

/* One folder for this test process alone: Wine hands out process ids again
   soon, and a copy that another test's program still runs from could not
   be replaced.  The folder is made here, so a name already taken is never
   shared; it goes when the process ends. */
static int scratchFolder(char *folder, int size)
{
    if (!scratch[0]) {
        char temp[MAX_PATH];
        DWORD n = GetTempPathA(sizeof temp, temp);
        if (n == 0 || n >= sizeof temp)
            return 0;
        for (int attempt = 0; ; attempt++) {
            if (attempt == 100
                || _snprintf(scratch, sizeof scratch, "%skelptest%lu-%lu-%d", temp,
                             GetCurrentProcessId(), GetTickCount(), attempt) < 0) {
                fprintf(stderr, "driver: no scratch folder in %s\n", temp);
                scratch[0] = 0;
                return 0;
            }
            scratch[sizeof scratch - 1] = 0;
            if (CreateDirectoryA(scratch, NULL))
                break;
        }
        atexit(removeScratch);
    }
    if (lstrlenA(scratch) >= size)
        return 0;
    lstrcpyA(folder, scratch);
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

/* A program that has just been ended may hold its file for a moment. */
static int copyBuilt(const char *built, const char *name, char *path, int size)
{
    char from[MAX_PATH];
    DWORD start = GetTickCount();

    if (!builtPath(built, from, sizeof from) || !scratchPath(name, path, size)) {
        fprintf(stderr, "driver: no path for %s\n", name);
        return 0;
    }
    while (!CopyFileA(from, path, FALSE)) {
        DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            || GetTickCount() - start > 2000) {
            fprintf(stderr, "driver: CopyFileA %s to %s failed, error %lu\n", from, path, error);
            return 0;
        }
        Sleep(20);
    }
    return 1;
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

    memset(run, 0, sizeof *run);
    if (!copyBuilt(built, name, run->path, sizeof run->path))
        return 0;
    _snprintf(commandLine, sizeof commandLine, "\"%s\"%s%s", run->path,
              *arguments ? " " : "", arguments);
    commandLine[sizeof commandLine - 1] = 0;
    run->started = startProcess(run->path, commandLine, &run->process);
    return run->started;
}

int startProcess(const char *application, char *commandLine, PROCESS_INFORMATION *process)
{
    STARTUPINFOA startup;

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    for (int attempt = 1; ; attempt++) {
        if (CreateProcessA(application, commandLine, NULL, NULL, FALSE, 0, NULL, NULL,
                           &startup, process))
            return 1;
        DWORD error = GetLastError();
        fprintf(stderr, "driver: CreateProcessA %s failed, error %lu\n",
                application ? application : commandLine, error);
        /* Wine's answer when the new process died in its own start-up,
           before any of the program ran: seen now and then on a busy machine */
        if (error != ERROR_INTERNAL_ERROR || attempt == 3)
            return 0;
    }
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

int finishRun(ProgramRun *run)
{
    int deleted = 1;
    if (run->started) {
        if (stillRunning(run)) {
            TerminateProcess(run->process.hProcess, 99);
            WaitForSingleObject(run->process.hProcess, 5000);
        }
        CloseHandle(run->process.hProcess);
        CloseHandle(run->process.hThread);
        run->started = 0;
    }
    if (run->path[0]) {
        DWORD start = GetTickCount();
        while (!DeleteFileA(run->path) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            if (GetTickCount() - start > 2000) {
                fprintf(stderr, "driver: cannot delete %s, error %lu\n", run->path, GetLastError());
                deleted = 0;
                break;
            }
            Sleep(20);
        }
        run->path[0] = 0;
    }
    return deleted;
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
