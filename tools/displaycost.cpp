/* What the saver holds across display changes: starts it, switches the
   screen between 1024 x 768 and 1280 x 1024 ten times, tells the saver
   each time as the system would, and prints its GDI objects and working
   set after each change.  Run by tools/displaycost.sh on a display that
   tools/displaychange.sh lays out.
   Usage: kelp_displaycost <saver.scr> */
#include <windows.h>
#include <psapi.h>
#include <winternl.h>
#include <stdio.h>

#define CHANGES 10
#define DEADLINE_MS 10000

/* GetGuiResources answers 0 under Wine.  Wine's 64-bit processes keep
   their objects in a table that the PEB points to (at 0xF8), 24 bytes an
   entry, whose type byte (14) is 0 when free and whose first type byte
   (12) has the stock flag; -1 when neither can be read. */
static long gdiObjects(HANDLE process)
{
    static BYTE table[65536 * 24];
    PROCESS_BASIC_INFORMATION info;
    BYTE *where = NULL;
    long live = (long)GetGuiResources(process, GR_GDIOBJECTS);
    int i;

    if (live != 0)
        return live;
    if (sizeof(void *) != 8
        || NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, NULL) != 0
        || !ReadProcessMemory(process, (BYTE *)info.PebBaseAddress + 0xF8, &where, sizeof where, NULL)
        || where == NULL || !ReadProcessMemory(process, where, table, sizeof table, NULL))
        return -1;
    for (i = 0; i < 65536; i++)
        live += table[i * 24 + 14] != 0 && (table[i * 24 + 12] & 0x80) == 0;
    return live;
}

static int runXrandr(int w, int h)
{
    char line[80];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD begun = GetTickCount();

    _snprintf(line, sizeof line, "/usr/bin/xrandr --output screen --mode %dx%d", w, h);
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    WaitForSingleObject(process.hProcess, DEADLINE_MS);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    /* Wine may report the end of a Unix program before it has run */
    while (GetSystemMetrics(SM_CXVIRTUALSCREEN) != w && GetTickCount() - begun < DEADLINE_MS)
        Sleep(20);
    return GetSystemMetrics(SM_CXVIRTUALSCREEN) == w;
}

static HWND waitForSaver(void)
{
    DWORD begun = GetTickCount();
    HWND window;

    while ((window = FindWindowA("ssaverzub", NULL)) == NULL && GetTickCount() - begun < DEADLINE_MS)
        Sleep(20);
    return window;
}

static int placedOver(HWND window, int w, int h)
{
    DWORD begun = GetTickCount();
    RECT rect;

    while (GetTickCount() - begun < DEADLINE_MS) {
        if (GetWindowRect(window, &rect) && rect.right - rect.left == w && rect.bottom - rect.top == h)
            return 1;
        Sleep(20);
    }
    return 0;
}

static void printUse(const char *when, HANDLE process)
{
    PROCESS_MEMORY_COUNTERS memory;

    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process, &memory, sizeof memory);
    printf("%-22s %4ld GDI objects   working set %6lu KB\n", when, gdiObjects(process),
           (unsigned long)(memory.WorkingSetSize / 1024));
    fflush(stdout);
}

int main(int argc, char **argv)
{
    static const int sizes[2][2] = { { 1280, 1024 }, { 1024, 768 } };
    char line[MAX_PATH + 8], when[32];
    STARTUPINFOA startup;
    PROCESS_INFORMATION saver;
    HWND window;
    int i, ok = 1;

    if (argc != 2) {
        fprintf(stderr, "usage: kelp_displaycost <saver.scr>\n");
        return 2;
    }
    _snprintf(line, sizeof line, "\"%s\" /s", argv[1]);
    line[sizeof line - 1] = 0;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &saver)) {
        fprintf(stderr, "cannot start %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    window = waitForSaver();
    ok = window != NULL && placedOver(window, 1024, 768);
    Sleep(1000);    /* a measurement, not a test: the saver settles into its ticks */
    if (ok)
        printUse("started, 1024x768", saver.hProcess);
    for (i = 0; ok && i < CHANGES; i++) {
        const int *size = sizes[i % 2];
        ok = runXrandr(size[0], size[1]);
        PostMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(size[0], size[1]));
        ok = ok && placedOver(window, size[0], size[1]);
        Sleep(500);
        _snprintf(when, sizeof when, "change %d, %dx%d", i + 1, size[0], size[1]);
        if (ok)
            printUse(when, saver.hProcess);
    }
    if (!ok)
        fprintf(stderr, "the display or the saver did not follow\n");
    if (window != NULL)
        PostMessageA(window, WM_CHAR, 'q', 0);
    if (WaitForSingleObject(saver.hProcess, DEADLINE_MS) != WAIT_OBJECT_0)
        TerminateProcess(saver.hProcess, 1);
    CloseHandle(saver.hProcess);
    CloseHandle(saver.hThread);
    return ok ? 0 : 1;
}
