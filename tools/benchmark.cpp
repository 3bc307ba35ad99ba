/* Measures the animation engine: the cost of a tick against a plain memory
   copy of the pixels it moves, the cost of building the surfaces, and
   whether anything grows over a long run with the fish swimming.
   Run it under Wine on a display at least as large as the largest size:
       kelp_benchmark [ticks] [long-run ticks]                          */
#include "saver/saver.h"
#include "settings/settings.h"

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static LARGE_INTEGER frequency;

static double nowMicroseconds(void)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart * 1e6 / (double)frequency.QuadPart;
}

/* ---- a counting pass: pixels written and time spent per kind of call ---- */

enum { KIND_BITBLT, KIND_STRETCH, KIND_ELLIPSE, KIND_SELECT, KIND_CURSOR, KINDS };
static const char *const kindNames[KINDS] = {
    "BitBlt", "StretchBlt", "Ellipse", "SelectObject", "cursor calls"
};
static double kindTime[KINDS];
static long long kindCalls[KINDS];
static long long pixelsCopied;

static void charge(int kind, double start)
{
    kindTime[kind] += nowMicroseconds() - start;
    kindCalls[kind]++;
}

static BOOL WINAPI countBitBlt(HDC d, int x, int y, int w, int h, HDC s, int sx, int sy, DWORD rop)
{
    double t = nowMicroseconds();
    BOOL ok = BitBlt(d, x, y, w, h, s, sx, sy, rop);
    charge(KIND_BITBLT, t);
    pixelsCopied += (long long)w * h;
    return ok;
}

static BOOL WINAPI countStretchBlt(HDC d, int x, int y, int w, int h, HDC s, int sx, int sy,
                                   int sw, int sh, DWORD rop)
{
    double t = nowMicroseconds();
    BOOL ok = StretchBlt(d, x, y, w, h, s, sx, sy, sw, sh, rop);
    charge(KIND_STRETCH, t);
    pixelsCopied += (long long)w * h;
    return ok;
}

static BOOL WINAPI countEllipse(HDC d, int l, int t0, int r, int b)
{
    double t = nowMicroseconds();
    BOOL ok = Ellipse(d, l, t0, r, b);
    charge(KIND_ELLIPSE, t);
    return ok;
}

static HGDIOBJ WINAPI countSelect(HDC d, HGDIOBJ o)
{
    double t = nowMicroseconds();
    HGDIOBJ old = SelectObject(d, o);
    charge(KIND_SELECT, t);
    return old;
}

static BOOL WINAPI countGetCursorPos(LPPOINT p)
{
    double t = nowMicroseconds();
    BOOL ok = GetCursorPos(p);
    charge(KIND_CURSOR, t);
    return ok;
}

static BOOL WINAPI countSetCursorPos(int x, int y)
{
    double t = nowMicroseconds();
    BOOL ok = SetCursorPos(x, y);
    charge(KIND_CURSOR, t);
    return ok;
}

static HCURSOR WINAPI countSetCursor(HCURSOR c)
{
    double t = nowMicroseconds();
    HCURSOR old = SetCursor(c);
    charge(KIND_CURSOR, t);
    return old;
}

static const AnimationCalls countingCalls = {
    countBitBlt, countStretchBlt, countEllipse, countSelect, countGetCursorPos,
    countSetCursorPos, countSetCursor
};

/* ---- the saver's state, made as runSaver makes it ---- */

static HWND makeSaverWindow(int w, int h)
{
    static int registered;
    if (!registered) {
        registerSaverClass(GetModuleHandleA(NULL), DefWindowProcA);
        registered = 1;
    }
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ssaverzub", "ssave", WS_POPUP,
                           0, 0, w, h, NULL, NULL, GetModuleHandleA(NULL), NULL);
}

static void resetEngine(int w, int h)
{
    launchContext.screenWidth = w;
    launchContext.screenHeight = h;
    startWater();
}

/* Water rising with the fish under it: the busiest kind of tick. */
static void runTicks(int count, int w, int h)
{
    int i;
    for (i = 0; i < count; i++) {
        if (waterState.level <= targetLevel() + 1)
            waterState.level = h;           /* keep the surface moving */
        animationTick();
        saverWindowState.mouseY = h - 40;
    }
    GdiFlush();
}

static double plainCopyMicroseconds(long long bytes, int repeats)
{
    char *from = (char *)malloc((size_t)bytes), *to = (char *)malloc((size_t)bytes);
    double start, spent;
    int i;
    memset(from, 0x5A, (size_t)bytes);
    memset(to, 0, (size_t)bytes);
    start = nowMicroseconds();
    for (i = 0; i < repeats; i++) {
        from[i % bytes] = (char)i;
        memcpy(to, from, (size_t)bytes);
    }
    spent = (nowMicroseconds() - start) / repeats;
    if (to[bytes / 2] != 0x5A)
        printf("(copy check failed)\n");
    free(from);
    free(to);
    return spent;
}

static void benchmarkSize(int w, int h, int ticks)
{
    HWND window = makeSaverWindow(w, h);
    HDC memoryDC, windowDC;
    HBITMAP memoryBitmap, oldBitmap;
    HGDIOBJ oldPen, oldBrush;
    double start, surfaceTime, windowTick, memoryTick, copyTime;
    long long pixelsPerTick;
    int k;

    saverWindowState.saverWindow = window;
    resetEngine(w, h);
    defaultSettings();
    start = nowMicroseconds();
    if (!createSurfaces()) {
        printf("%dx%d: createSurfaces failed\n", w, h);
        DestroyWindow(window);
        return;
    }
    surfaceTime = nowMicroseconds() - start;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetCursorPos(w / 3, h - 40);
    saverWindowState.mouseY = h - 40;

    /* counting pass */
    animationCalls = countingCalls;
    memset(kindTime, 0, sizeof kindTime);
    memset(kindCalls, 0, sizeof kindCalls);
    pixelsCopied = 0;
    runTicks(ticks, w, h);
    pixelsPerTick = pixelsCopied / ticks;
    animationCalls = systemAnimationCalls;

    /* on the window DC, as the saver draws */
    resetEngine(w, h);
    start = nowMicroseconds();
    runTicks(ticks, w, h);
    windowTick = (nowMicroseconds() - start) / ticks;

    /* on a memory DC of the same size */
    windowDC = drawingSurfaces.windowDC;
    memoryDC = CreateCompatibleDC(windowDC);
    memoryBitmap = CreateCompatibleBitmap(windowDC, w, h);
    oldBitmap = (HBITMAP)SelectObject(memoryDC, memoryBitmap);
    oldPen = SelectObject(memoryDC, drawingSurfaces.bubblePen);
    oldBrush = SelectObject(memoryDC, drawingSurfaces.nullBrush);
    drawingSurfaces.windowDC = memoryDC;
    resetEngine(w, h);
    start = nowMicroseconds();
    runTicks(ticks, w, h);
    memoryTick = (nowMicroseconds() - start) / ticks;
    drawingSurfaces.windowDC = windowDC;
    SelectObject(memoryDC, oldBrush);
    SelectObject(memoryDC, oldPen);
    SelectObject(memoryDC, oldBitmap);
    DeleteObject(memoryBitmap);
    DeleteDC(memoryDC);

    {
        /* the two image switches of a tick, on their own */
        double t = nowMicroseconds();
        for (k = 0; k < 100; k++) {
            SelectObject(drawingSurfaces.imageDC, drawingSurfaces.screenImage);
            SelectObject(drawingSurfaces.imageDC, drawingSurfaces.waterImage);
        }
        printf("             image switch alone: %.1f us per SelectObject\n",
               (nowMicroseconds() - t) / 200);
        t = nowMicroseconds();
        for (k = 0; k < 100; k++) {
            POINT p;
            GetCursorPos(&p);
            SetCursorPos(p.x, p.y);
        }
        printf("             cursor read and move alone: %.1f us per pair\n",
               (nowMicroseconds() - t) / 100);
    }
    copyTime = plainCopyMicroseconds(pixelsPerTick * 4, 200);
    printf("%4d x %4d  tick: memory DC %8.1f us (%4.1f %% of 30 ms), window DC %8.1f us\n",
           w, h, memoryTick, memoryTick / 300.0, windowTick);
    printf("             pixels copied per tick %lld (%lld bytes at 32 bpp); plain memcpy %.1f us;"
           " ratio memory DC / memcpy %.1f\n",
           pixelsPerTick, pixelsPerTick * 4, copyTime, memoryTick / copyTime);
    printf("             createSurfaces %.1f ms\n", surfaceTime / 1000.0);
    printf("             where a window-DC tick goes:");
    for (k = 0; k < KINDS; k++)
        if (kindCalls[k])
            printf("%s %s %.0f us (%.1f calls of %.2f us)", k ? "," : "", kindNames[k],
                   kindTime[k] / ticks, (double)kindCalls[k] / ticks, kindTime[k] / kindCalls[k]);
    printf("\n");

    destroySurfaces();
    DestroyWindow(window);
}

/* The system count of GDI objects is not kept by every system (Wine
   answers 0), so this looks at the handle table instead: the highest slot
   that 256 new objects need.  Objects leaked in between would push it up. */
static unsigned probeHandleSlots(void)
{
    HGDIOBJ pens[256];
    unsigned highest = 0;
    int i;
    for (i = 0; i < 256; i++) {
        pens[i] = CreatePen(PS_SOLID, 1, (COLORREF)i);
        if (((UINT_PTR)pens[i] & 0xFFFF) > highest)
            highest = (unsigned)((UINT_PTR)pens[i] & 0xFFFF);
    }
    for (i = 0; i < 256; i++)
        DeleteObject(pens[i]);
    return highest;
}

static void soak(int w, int h, int ticks)
{
    PROCESS_MEMORY_COUNTERS memory;
    HWND window = makeSaverWindow(w, h);
    int i, shown = 0;

    saverWindowState.saverWindow = window;
    resetEngine(w, h);
    defaultSettings();
    createSurfaces();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetCursorPos(w / 3, h - 40);
    saverWindowState.mouseY = h - 40;
    runTicks(200, w, h);        /* let the fish and its bubbles get going */

    printf("%d ticks at %d x %d with the fish swimming:\n", ticks, w, h);
    printf("  %6s %10s %14s %14s %16s\n", "ticks", "fish mode", "working set KB",
           "private KB", "GDI slots/count");
    for (i = 0; i <= ticks; i += ticks / 4) {
        MSG message;
        if (i > 0)
            runTicks(ticks / 4, w, h);
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        printf("  %6d %10d %14lu %14lu %10u/%lu\n", i, waterState.fishMode,
               (unsigned long)(memory.WorkingSetSize / 1024),
               (unsigned long)(memory.PagefileUsage / 1024), probeHandleSlots(),
               GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    }
    for (i = 0; i < KELP_BUBBLES; i++)
        shown += waterState.bubbles[i].active;
    printf("  bubbles shown at the end: %d\n", shown);
    destroySurfaces();
    DestroyWindow(window);
}

int main(int argc, char **argv)
{
    static const int sizes[3][2] = { { 1024, 768 }, { 1920, 1080 }, { 3840, 2160 } };
    int ticks = argc > 1 ? atoi(argv[1]) : 1000;
    int soakTicks = argc > 2 ? atoi(argv[2]) : 120000;     /* an hour at 30 ms */
    int i;

    QueryPerformanceFrequency(&frequency);
    launchContext.instance = GetModuleHandleA(NULL);
    printf("screen %d x %d, %d ticks per measurement\n", GetSystemMetrics(SM_CXSCREEN),
           GetSystemMetrics(SM_CYSCREEN), ticks);
    for (i = 0; i < 3; i++) {
        if (sizes[i][0] > GetSystemMetrics(SM_CXSCREEN) || sizes[i][1] > GetSystemMetrics(SM_CYSCREEN)) {
            printf("%d x %d: skipped, the screen is smaller\n", sizes[i][0], sizes[i][1]);
            continue;
        }
        benchmarkSize(sizes[i][0], sizes[i][1], ticks);
    }
    for (i = 1; i < 3; i++)
        if (sizes[i][0] <= GetSystemMetrics(SM_CXSCREEN) && sizes[i][1] <= GetSystemMetrics(SM_CYSCREEN))
            soak(sizes[i][0], sizes[i][1], soakTicks);
    return 0;
}
