#include "tests/driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <fstream>
#include <iterator>

static void removeWideTree(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        std::wstring path = folder + L"\\" + found.cFileName;
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            removeWideTree(path);
        else
            DeleteFileW(path.c_str());
    }
    FindClose(search);
    RemoveDirectoryW(folder.c_str());
}

/* Wide inside: a name may lie beyond the code page, and a path under 260
   characters may pass 260 bytes in a double-byte one. */
void removeTree(const char *folder)
{
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, folder, -1, wide, MAX_PATH) > 0)
        removeWideTree(wide);
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
    DWORD error = 0;

    if (!builtPath(built, from, sizeof from) || !scratchPath(name, path, size)) {
        fprintf(stderr, "driver: no path for %s\n", name);
        return 0;
    }
    waitUntil([&] {
        error = CopyFileA(from, path, FALSE) ? 0 : GetLastError();
        return error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED;
    }, 2000);
    if (error != 0)
        fprintf(stderr, "driver: CopyFileA %s to %s failed, error %lu\n", from, path, error);
    return error == 0;
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

int startProgram(const char *name, const char *arguments, ProgramRun *run, const char *desktop)
{
    return startBuilt("kelpVole99.exe", name, arguments, run, desktop);
}

int startBuilt(const char *built, const char *name, const char *arguments, ProgramRun *run,
               const char *desktop)
{
    *run = ProgramRun();
    if (!copyBuilt(built, name, run->path, sizeof run->path))
        return 0;
    std::string commandLine = std::string("\"") + run->path + "\"" + (*arguments ? " " : "") + arguments;
    if (desktop != NULL)
        lstrcpynA(run->desktop, desktop, sizeof run->desktop);
    run->started = startProcess(run->path, &commandLine[0], &run->process, desktop);
    return run->started;
}

/* Every process a test starts, and every one those start, is in one job
   of the test process, ended with it: no test meets another's leftovers. */
static HANDLE testJob(void)
{
    static HANDLE job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;

    if (job != NULL)
        return job;
    job = CreateJobObjectA(NULL, NULL);
    memset(&limits, 0, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job == NULL || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        fprintf(stderr, "driver: no job for the test's processes, error %lu\n", GetLastError());
    return job;
}

/* The job tells of each process started in it through a port, which a
   thread of the driver's own waits on, so that the process is held before
   it has done much; its first thread gets nowhere while suspended. */
static struct {
    HANDLE port, thread;
    HANDLE volatile held;
    DWORD except;
} hold;

static DWORD WINAPI holdFirstStarted(LPVOID)
{
    LONG (NTAPI *suspend)(HANDLE) =
        (LONG (NTAPI *)(HANDLE))(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSuspendProcess");
    DWORD message;
    ULONG_PTR key;
    LPOVERLAPPED id;

    while (GetQueuedCompletionStatus(hold.port, &message, &key, &id, INFINITE) && key == 0) {
        if (message != JOB_OBJECT_MSG_NEW_PROCESS || (DWORD)(ULONG_PTR)id == hold.except)
            continue;
        HANDLE process = OpenProcess(PROCESS_SUSPEND_RESUME, FALSE, (DWORD)(ULONG_PTR)id);
        if (process != NULL && suspend != NULL && suspend(process) == 0) {
            hold.held = process;
            return 0;
        }
        if (process != NULL)
            CloseHandle(process);
    }
    return 0;
}

int holdNextStarted(DWORD except)
{
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT link = {};
    ULONG_PTR key;
    LPOVERLAPPED id;

    if (hold.port == NULL) {
        link.CompletionPort = hold.port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, NULL, 0, 1);
        if (hold.port == NULL || !SetInformationJobObject(testJob(), JobObjectAssociateCompletionPortInformation,
                                                          &link, sizeof link)) {
            fprintf(stderr, "driver: the job tells of no new process, error %lu\n", GetLastError());
            return 0;
        }
    }
    /* what it told before now, and a stop meant for an earlier look, go */
    for (DWORD message; GetQueuedCompletionStatus(hold.port, &message, &key, &id, 0);)
        ;
    hold.except = except;
    hold.thread = CreateThread(NULL, 0, holdFirstStarted, NULL, 0, NULL);
    return hold.thread != NULL;
}

HANDLE heldProcess(void)
{
    return hold.held;
}

void letHeldGo(void)
{
    LONG (NTAPI *resume)(HANDLE) =
        (LONG (NTAPI *)(HANDLE))(void (*)(void))GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtResumeProcess");

    if (hold.thread != NULL) {
        PostQueuedCompletionStatus(hold.port, 0, 1, NULL);     /* key 1: stop looking */
        WaitForSingleObject(hold.thread, INFINITE);
        CloseHandle(hold.thread);
        hold.thread = NULL;
    }
    if (hold.held != NULL) {
        if (resume != NULL)
            resume(hold.held);
        CloseHandle(hold.held);
        hold.held = NULL;
    }
}

int startProcess(const char *application, char *commandLine, PROCESS_INFORMATION *process,
                 const char *desktop, UINT codePage)
{
    STARTUPINFOW startup;
    /* as long a line as CreateProcess takes; a longer one is refused, never cut */
    WCHAR wideApplication[MAX_PATH], wideDesktop[64];
    std::wstring line(32767, 0);

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (desktop != NULL && MultiByteToWideChar(CP_ACP, 0, desktop, -1, wideDesktop, 64) > 0)
        startup.lpDesktop = wideDesktop;
    if ((application != NULL && !MultiByteToWideChar(codePage, 0, application, -1, wideApplication, MAX_PATH))
        || !MultiByteToWideChar(codePage, 0, commandLine, -1, &line[0], (int)line.size())) {
        fprintf(stderr, "driver: no start, a path or the command line of %d bytes does not fit: %.80s\n",
                lstrlenA(commandLine), commandLine);
        return 0;
    }
    for (int attempt = 1; ; attempt++) {
        if (CreateProcessW(application != NULL ? wideApplication : NULL, &line[0], NULL, NULL, FALSE,
                           CREATE_SUSPENDED, NULL, NULL, &startup, process)) {
            if (!AssignProcessToJobObject(testJob(), process->hProcess))
                fprintf(stderr, "driver: %s outside the test's job, error %lu\n",
                        application ? application : commandLine, GetLastError());
            ResumeThread(process->hThread);
            return 1;
        }
        DWORD error = GetLastError();
        fprintf(stderr, "driver: CreateProcessW %s failed, error %lu\n",
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
    /* the style, not IsWindowVisible: Wine keeps another desktop's own window hidden */
    if (owner != search->processId || !(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE))
        return TRUE;
    GetClassNameA(window, className, sizeof className);
    if (search->className != NULL && lstrcmpA(className, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND waitForWindow(const ProgramRun *run, const char *className, int timeoutMs)
{
    WindowSearch search = { run->process.dwProcessId, className, NULL };
    HDESK desktop = run->desktop[0] ? OpenDesktopA(run->desktop, 0, FALSE, DESKTOP_ENUMERATE) : NULL;
    waitUntil([&] {
        if (desktop != NULL)
            EnumDesktopWindows(desktop, matchWindow, (LPARAM)&search);
        else
            EnumWindows(matchWindow, (LPARAM)&search);
        return search.found != NULL || !stillRunning(run);
    }, timeoutMs);
    if (desktop != NULL)
        CloseDesktop(desktop);
    return search.found;
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

::testing::AssertionResult endsWith(ProgramRun *run, DWORD code, int timeoutMs)
{
    DWORD ended = 1234;
    if (!waitUntil([&] { return !stillRunning(run); }, timeoutMs) || !waitForExit(run, 0, &ended))
        return ::testing::AssertionFailure() << "the program did not end";
    if (ended != code)
        return ::testing::AssertionFailure() << "the program ended with " << ended;
    return ::testing::AssertionSuccess();
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
        /* gone already, perhaps with its folder */
        deleted = waitUntil([&] {
            return DeleteFileA(run->path) || GetLastError() == ERROR_FILE_NOT_FOUND
                || GetLastError() == ERROR_PATH_NOT_FOUND;
        }, 2000);
        if (!deleted)
            fprintf(stderr, "driver: cannot delete %s, error %lu\n", run->path, GetLastError());
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

HWND findBox(const ProgramRun *run, const char *caption, HWND besides)
{
    DWORD processId = run != NULL ? run->process.dwProcessId : GetCurrentProcessId();
    for (HWND box = NULL; (box = FindWindowExA(NULL, box, "#32770", caption)) != NULL;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner == processId && box != besides && IsWindowVisible(box))
            return box;
    }
    return NULL;
}

HWND waitForBox(const ProgramRun *run, const char *caption, HWND besides, int timeoutMs)
{
    HWND box = NULL;
    waitUntil([&] {
        return (box = findBox(run, caption, besides)) != NULL || (run != NULL && !stillRunning(run));
    }, timeoutMs);
    return box;
}

std::string boxText(HWND box)
{
    return itemText(box, 0xFFFF);
}

void answerBox(HWND box, int button)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    waitUntil([&] { return !IsWindowVisible(box); });
}

std::string closeBox(const ProgramRun *run, const char *caption, int button)
{
    HWND box = waitForBox(run, caption);
    if (box == NULL)
        return none;
    std::string text = boxText(box);
    answerBox(box, button);
    return text;
}

int runCommand(std::string line, const std::string &path, int present)
{
    PROCESS_INFORMATION process;
    if (!startProcess(NULL, &line[0], &process))
        return 0;
    WaitForSingleObject(process.hProcess, waitMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return path.empty()
        || waitUntil([&] { return (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present; });
}

std::string unixPath(const std::string &path)
{
    typedef char *(CDECL *UnixName)(LPCWSTR);
    WCHAR wide[MAX_PATH];
    UnixName unixName = (UnixName)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char *name = unixName != NULL ? unixName(wide) : NULL;
    std::string out = name != NULL ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

std::string fileBytes(const std::string &path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())
                : none;
}

std::string resourceBytes(const char *program, const char *type, int id)
{
    HMODULE image = LoadLibraryExA(program, NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = image != NULL ? FindResourceA(image, MAKEINTRESOURCEA(id), type) : NULL;
    std::string bytes = found == NULL ? none
        : std::string((const char *)LockResource(LoadResource(image, found)), SizeofResource(image, found));
    if (image != NULL)
        FreeLibrary(image);
    return bytes;
}

std::string itemText(HWND dialog, int id)
{
    return utf8(itemTextW(dialog, id));
}

std::string utf8(const std::wstring &text)
{
    char out[4 * MAX_PATH + 2400];
    return WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out, NULL, NULL) > 0 ? out : none;
}

std::wstring widen(const std::string &text)
{
    WCHAR out[2400];
    return MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out, 2400) > 0 ? out : L"";
}

std::wstring itemTextW(HWND dialog, int id)
{
    WCHAR text[2400] = L"";
    GetDlgItemTextW(dialog, id, text, 2400);
    return text;
}
