/* Measures how soon the saver is up with the wallpaper laid out, and what
   memory it takes for it: each saver given is started on a desktop of its
   own (where the wallpaper takes the photograph's place) with no
   wallpaper and with each picture given, `rounds` times in turn, and the
   medians are printed.  Then the system's decoder alone is measured on
   each picture in this process.
       kelp_firstframe rounds label=saver.scr ... : label=picture ...
   "first frame": from the start of the process until its window is shown
   and has painted (it answers a message only once its first paint is
   done); "picture": until the screen shows something other than the
   desktop colour; peak memory: the process's peak working set; "key to
   end": in a start of its own, from a key sent 0.3 s after the window is
   shown (while a large picture still decodes) to the process's end. */
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_ITEMS 8
#define MAX_ROUNDS 15
#define DESKTOP_NAME "Screen-saver"
#define DESKTOP_KEY "Control Panel\\Desktop"

struct Item {
    char label[64];
    char path[MAX_PATH];
};

struct Measure {
    double firstFrame, picture;     /* ms; picture < 0: never seen */
    double workingSet;              /* MiB */
    double keyToEnd;                /* ms; < 0: did not end by itself */
};

static LARGE_INTEGER frequency;
static HDESK desktop;

static double nowMs(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static int splitItem(const char *text, Item *item)
{
    const char *equals = strchr(text, '=');
    if (equals == NULL || equals - text >= (int)sizeof item->label)
        return 0;
    memset(item, 0, sizeof *item);
    memcpy(item->label, text, equals - text);
    lstrcpynA(item->path, equals + 1, sizeof item->path);
    return 1;
}

static void setWallpaper(const char *path)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL)
        != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Wallpaper", 0, REG_SZ, (const BYTE *)path, (DWORD)strlen(path) + 1);
    RegSetValueExA(key, "WallpaperStyle", 0, REG_SZ, (const BYTE *)"10", 3);   /* fill */
    RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, (const BYTE *)"0", 2);
    RegCloseKey(key);
}

struct Search {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK matchSaver(HWND window, LPARAM data)
{
    Search *search = (Search *)data;
    DWORD owner = 0;
    char name[32];

    GetWindowThreadProcessId(window, &owner);
    GetClassNameA(window, name, sizeof name);
    /* another desktop's windows never count as visible: the style tells */
    if (owner == search->processId && lstrcmpA(name, "ssaverzub") == 0
        && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

/* Anything but the desktop colour at a few points well apart, in the top
   quarter: the water, another colour too, takes over 20 s to get there. */
static int pictureShown(HDC screen, int w, int h)
{
    COLORREF colour = GetSysColor(COLOR_DESKTOP);
    static const int at[5][2] = { { 1, 1 }, { 2, 1 }, { 3, 1 }, { 1, 2 }, { 3, 2 } };
    int i;
    for (i = 0; i < 5; i++)
        if (GetPixel(screen, w * at[i][0] / 4, h * at[i][1] / 8) != colour)
            return 1;
    return 0;
}

/* Starts the saver on its desktop; its shown window, or NULL after a minute. */
static HWND startSaver(const char *saver, PROCESS_INFORMATION *process, double *start)
{
    char commandLine[2 * MAX_PATH];
    STARTUPINFOA startup;
    Search search = { 0, NULL };
    double deadline;

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpDesktop = (char *)DESKTOP_NAME;
    _snprintf(commandLine, sizeof commandLine, "\"%s\" /s", saver);
    commandLine[sizeof commandLine - 1] = 0;
    *start = nowMs();
    if (!CreateProcessA(saver, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, process)) {
        fprintf(stderr, "cannot start %s: error %lu\n", saver, GetLastError());
        return NULL;
    }
    search.processId = process->dwProcessId;
    deadline = *start + 60000;
    while (search.found == NULL && nowMs() < deadline
           && WaitForSingleObject(process->hProcess, 1) == WAIT_TIMEOUT)
        EnumDesktopWindows(desktop, matchSaver, (LPARAM)&search);
    return search.found;
}

static void endSaver(const char *saver, PROCESS_INFORMATION *process)
{
    if (WaitForSingleObject(process->hProcess, 10000) != WAIT_OBJECT_0) {
        fprintf(stderr, "%s did not end: ended by force\n", saver);
        TerminateProcess(process->hProcess, 1);
        WaitForSingleObject(process->hProcess, 5000);
    }
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
}

/* A key 0.3 s after the window is shown, and how long the process takes
   to end after it. */
static void keyOnce(const char *saver, Measure *m)
{
    PROCESS_INFORMATION process;
    double start, shown, sent;
    HWND window;

    m->keyToEnd = -1;
    memset(&process, 0, sizeof process);
    window = startSaver(saver, &process, &start);
    if (window == NULL) {
        if (process.hProcess != NULL)
            endSaver(saver, &process);
        return;
    }
    shown = nowMs();
    while (nowMs() < shown + 300)
        Sleep(1);
    sent = nowMs();
    PostMessageA(window, WM_CHAR, 'q', 0);
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0)
        m->keyToEnd = nowMs() - sent;
    endSaver(saver, &process);
}

static int runOnce(const char *saver, int withPicture, Measure *m)
{
    PROCESS_INFORMATION process;
    PROCESS_MEMORY_COUNTERS counters;
    HDC screen = GetDC(NULL);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    DWORD_PTR answer;
    double start, deadline;
    HWND window;

    m->firstFrame = m->picture = -1;
    m->workingSet = 0;
    memset(&process, 0, sizeof process);
    window = startSaver(saver, &process, &start);
    if (process.hProcess == NULL) {
        ReleaseDC(NULL, screen);
        return 0;
    }
    deadline = start + 60000;
    if (window != NULL
        && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &answer)) {
        m->firstFrame = nowMs() - start;
        if (withPicture)
            while (m->picture < 0 && nowMs() < deadline) {
                if (pictureShown(screen, w, h))
                    m->picture = nowMs() - start;
                else
                    Sleep(1);
            }
    }
    memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    /* Wine counts another process's private memory as it was at its
       start; its working set is read from the system */
    if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
        m->workingSet = counters.PeakWorkingSetSize / 1048576.0;
    if (window != NULL)
        PostMessageA(window, WM_CHAR, 'q', 0);
    endSaver(saver, &process);
    ReleaseDC(NULL, screen);
    return m->firstFrame >= 0;
}

static int compareDoubles(const void *a, const void *b)
{
    double x = *(const double *)a, y = *(const double *)b;
    return x < y ? -1 : x > y;
}

static double median(double *values, int count)
{
    qsort(values, count, sizeof *values, compareDoubles);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

/* What the system's decoder keeps of a picture: this process's peak of
   private memory over opening it and reading one pixel, less what it
   had before.  Called from the smallest picture up, so each peak is its
   own. */
static double decoderMiB(const char *path)
{
    WCHAR wide[MAX_PATH];
    IWICImagingFactory *factory = NULL;
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    PROCESS_MEMORY_COUNTERS before, after;
    BYTE pixel[4];
    WICRect one = { 0, 0, 1, 1 };

    before.cb = after.cb = sizeof before;
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void **)&factory))
        && SUCCEEDED(factory->CreateDecoderFromFilename(wide, NULL, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, &decoder))
        && SUCCEEDED(decoder->GetFrame(0, &frame)))
        frame->CopyPixels(&one, 4, 4, pixel);
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    if (frame != NULL)
        frame->Release();
    if (decoder != NULL)
        decoder->Release();
    if (factory != NULL)
        factory->Release();
    return (after.PeakPagefileUsage - (double)before.PagefileUsage) / 1048576.0;
}

int main(int argc, char **argv)
{
    static Measure results[MAX_ITEMS + 1][MAX_ITEMS][MAX_ROUNDS];
    Item savers[MAX_ITEMS], pictures[MAX_ITEMS + 1];
    int saverCount = 0, pictureCount = 1, rounds, i, p, s, r, k;
    char oldWallpaper[MAX_PATH] = "";

    QueryPerformanceFrequency(&frequency);
    rounds = argc > 1 ? atoi(argv[1]) : 5;
    if (rounds < 1 || rounds > MAX_ROUNDS)
        rounds = 5;
    strcpy(pictures[0].label, "no wallpaper");
    pictures[0].path[0] = 0;
    for (i = 2, k = 0; i < argc; i++) {
        if (strcmp(argv[i], ":") == 0)
            k = 1;
        else if (!k && saverCount < MAX_ITEMS && splitItem(argv[i], &savers[saverCount]))
            saverCount++;
        else if (k && pictureCount <= MAX_ITEMS && splitItem(argv[i], &pictures[pictureCount]))
            pictureCount++;
    }
    if (saverCount == 0) {
        fprintf(stderr, "usage: kelp_firstframe rounds label=saver.scr ... : label=picture ...\n");
        return 2;
    }
    desktop = CreateDesktopA(DESKTOP_NAME, NULL, NULL, 0, GENERIC_ALL, NULL);
    if (desktop == NULL) {
        fprintf(stderr, "no desktop: error %lu\n", GetLastError());
        return 1;
    }
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof oldWallpaper, oldWallpaper, 0);
    printf("screen %d x %d, %d rounds, each saver on the desktop \"%s\"\n",
           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), rounds, DESKTOP_NAME);
    fflush(stdout);
    /* round by round, the savers in turn, so that a busy spell of the
       machine weighs on all alike */
    for (r = 0; r < rounds; r++)
        for (p = 0; p < pictureCount; p++) {
            setWallpaper(pictures[p].path);
            for (s = 0; s < saverCount; s++) {
                if (!runOnce(savers[s].path, p > 0, &results[p][s][r]))
                    fprintf(stderr, "%s, %s: no first frame\n", savers[s].label, pictures[p].label);
                keyOnce(savers[s].path, &results[p][s][r]);
            }
        }
    setWallpaper(oldWallpaper);

    printf("\n%-22s %-10s %12s %12s %18s %12s\n", "wallpaper", "saver", "first frame",
           "picture in", "peak working set", "key to end");
    for (p = 0; p < pictureCount; p++)
        for (s = 0; s < saverCount; s++) {
            double v[4][MAX_ROUNDS];
            int missing = 0, unended = 0;
            for (r = 0; r < rounds; r++) {
                const Measure *m = &results[p][s][r];
                v[0][r] = m->firstFrame;
                v[1][r] = m->picture;
                v[2][r] = m->workingSet;
                v[3][r] = m->keyToEnd;
                missing += p > 0 && m->picture < 0;
                unended += m->keyToEnd < 0;
            }
            printf("%-22s %-10s %9.0f ms ", pictures[p].label, savers[s].label, median(v[0], rounds));
            if (p == 0)
                printf("%12s ", "-");
            else
                printf("%9.0f ms%s", median(v[1], rounds), missing ? "*" : " ");
            printf("%14.0f MiB ", median(v[2], rounds));
            printf("%9.0f ms%s\n", median(v[3], rounds), unended ? "*" : "");
        }
    printf("(medians of %d; * a picture not seen within 60 s, or a saver not ended by a key\n"
           " within 10 s, in some round)\n", rounds);

    CoInitialize(NULL);
    printf("\nthe system's decoder alone, per picture (this process's peak private memory):\n");
    for (p = 1; p < pictureCount; p++)
        printf("%-22s %6.0f MiB\n", pictures[p].label, decoderMiB(pictures[p].path));
    CoUninitialize();
    CloseDesktop(desktop);
    return 0;
}
