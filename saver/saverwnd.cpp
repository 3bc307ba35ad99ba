/* The full-screen saver window and its message loop (the S role). */
#include "saver/saver.h"
#include "settings/settings.h"
#include "password/password.h"
#include "saver/sound.h"
#include "common/form.h"
#include "resource.h"

#include <mmsystem.h>
#include <string.h>

#define SAVER_CLASS "ssaverzub"
#define SAVER_TITLE "ssave"
#define SAVER_TICK_MS 30

SaverWindowState saverWindowState;

/* Display power reports: Vista and later send them to a window that asks. */
#ifndef PBT_POWERSETTINGCHANGE
#define PBT_POWERSETTINGCHANGE 0x8013
#endif
typedef HANDLE (WINAPI *RegisterPowerNotifyProc)(HANDLE, const GUID *, DWORD);
typedef BOOL (WINAPI *UnregisterPowerNotifyProc)(HANDLE);

/* GUID_CONSOLE_DISPLAY_STATE: 0 off, 1 on, 2 dimmed. */
static const GUID displayStateSetting =
    { 0x6fe69556, 0x704a, 0x47a0, { 0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47 } };

/* The head of the system's POWERBROADCAST_SETTING. */
struct PowerSettingReport {
    GUID setting;
    DWORD length;
    BYTE data[1];
};

int registerSaverClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSA windowClass;

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_PARENTDC | CS_BYTEALIGNCLIENT;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    /* No cursor: the animation's fish cursor must stay.  No brush: the
       window shows the desktop photograph and the animation only. */
    windowClass.lpszClassName = SAVER_CLASS;
    return RegisterClassA(&windowClass) != 0;
}

/* Older systems have no such reports: the saver then draws on regardless. */
static void watchDisplay(HWND window)
{
    RegisterPowerNotifyProc watch;

    saverWindowState.displayOff = 0;
    saverWindowState.displayNotify =
        LOOK_UP(watch, GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification") != NULL
        ? watch(window, &displayStateSetting, DEVICE_NOTIFY_WINDOW_HANDLE) : NULL;
}

static void unwatchDisplay(void)
{
    UnregisterPowerNotifyProc unwatch;

    if (saverWindowState.displayNotify != NULL
        && LOOK_UP(unwatch, GetModuleHandleA("user32.dll"), "UnregisterPowerSettingNotification") != NULL)
        unwatch(saverWindowState.displayNotify);
    saverWindowState.displayNotify = NULL;
}

/* Shows the window, starts the timer and the sound, runs the loop. */
static void animateUntilClosed(void)
{
    HWND window = saverWindowState.saverWindow;
    POINT cursor;
    MSG message;

    ShowWindow(window, SW_SHOWMAXIMIZED);
    /* Maximized fills the primary monitor only; the others would go on
       showing the live desktop, readable past a saver password. */
    SetWindowPos(window, HWND_TOPMOST, launchContext.screenLeft, launchContext.screenTop,
                 launchContext.screenWidth, launchContext.screenHeight, SWP_NOOWNERZORDER);
    UpdateWindow(window);
    GetCursorPos(&cursor);
    saverWindowState.mouseX = cursor.x - launchContext.screenLeft;
    saverWindowState.mouseY = cursor.y - launchContext.screenTop;
    startWater();
    watchDisplay(window);
    SetTimer(window, KELP_TIMER_ID, SAVER_TICK_MS, NULL);
    if (saverSettings.sound != 0)
        playBubbles(SND_ASYNC | SND_LOOP);

    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    stopSound();
    unwatchDisplay();
}

void runSaver(void)
{
    HINSTANCE instance = launchContext.instance;
    BOOL wasRunning = FALSE;
    BOOL replaced;

    /* The state found is put back at the end: a saver started while
       another runs must not declare none running.  Asked for first, as not
       every system reports the state it replaces. */
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &wasRunning, 0);
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, &wasRunning, 0);
    saverWindowState.fishRightCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_FISHRIGHT));
    saverWindowState.fishLeftCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_FISHLEFT));

    saverWindowState.saverWindow = CreateWindowExA(WS_EX_TOOLWINDOW, SAVER_CLASS, SAVER_TITLE,
        WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
        NULL, NULL, instance, NULL);
    if (saverWindowState.saverWindow == NULL) {
        warn(NULL, "ERROR: can't create window");
    } else {
        loadSettings();
        /* The photograph is taken while the window is still hidden. */
        if (!createSurfaces())
            warn(NULL, "ERROR: cant't create DC");    /* the words its users know, typo and all */
        else
            animateUntilClosed();
    }
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, wasRunning, &replaced, 0);
}

static void onEndingInput(HWND window)
{
    saverWindowState.closeRequested = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static void onClose(HWND window)
{
    /* Alt+F4 or another program's close must not end the saver. */
    if (!saverWindowState.closeRequested)
        return;
    if (verifyPassword()) {
        KillTimer(window, KELP_TIMER_ID);
        destroySurfaces();
        DestroyWindow(window);
    } else {
        saverWindowState.closeRequested = 0;
    }
}

/* A window that never paints shows black under Wine and on composited
   desktops, not the desktop beneath it.  So the first paint puts the
   photograph on the screen itself, and only then is the banner written
   into the screen image, where the animation alone brings it to light. */
static void onFirstPaint(HWND window)
{
    PAINTSTRUCT paint;
    DrawingSurfaces *s = &drawingSurfaces;

    BeginPaint(window, &paint);
    if (s->imageDC != NULL && s->screenImage != NULL) {
        SelectObject(s->imageDC, s->screenImage);
        BitBlt(s->windowDC, 0, 0, launchContext.screenWidth, launchContext.screenHeight,
               s->imageDC, 0, 0, SRCCOPY);
        writeBanner();
        SelectObject(s->imageDC, s->waterImage);
    }
    EndPaint(window, &paint);
    saverWindowState.desktopShown = 1;
}

/* The screen grew, shrank or moved: the window goes over the whole new
   virtual screen, its images are made again at the new size, and the
   water and the fish go on in them.  Nothing is left for the first paint
   to do when it has not come yet: it shows the new images. */
static void followDisplay(HWND window)
{
    LaunchContext *c = &launchContext;
    LaunchContext before = *c;
    RECT old;

    SetRect(&old, c->screenLeft, c->screenTop, c->screenLeft + c->screenWidth,
            c->screenTop + c->screenHeight);
    readScreenLayout();
    if (!rebuildSurfaces(&old)) {
        *c = before;    /* the engine goes on with the images it has */
        return;
    }
    followScreen(old.left - c->screenLeft, old.top - c->screenTop, old.bottom - old.top);
    SetWindowPos(window, HWND_TOPMOST, c->screenLeft, c->screenTop, c->screenWidth,
                 c->screenHeight, SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    if (saverWindowState.desktopShown)
        showSurfaces();
}

/* A monitor that sleeps may leave the desktop and rejoin it as it wakes:
   while the display is off nobody sees the saver, so the layout is read
   once it is on again, and only the one it settled on is followed. */
static void onDisplayChange(HWND window)
{
    if (saverWindowState.displayOff)
        saverWindowState.layoutChanged = 1;
    else
        followDisplay(window);
}

/* Nobody sees a switched-off display: the ticks then rest, cursor and
   all, and go on from where they stood once it is on or dimmed again. */
static void onPowerBroadcast(WPARAM event, LPARAM lParam)
{
    const PowerSettingReport *report = (const PowerSettingReport *)lParam;
    DWORD state;

    if (event != PBT_POWERSETTINGCHANGE || report == NULL
        || !IsEqualGUID(report->setting, displayStateSetting) || report->length < sizeof state)
        return;
    memcpy(&state, report->data, sizeof state);
    saverWindowState.displayOff = state == 0;
    if (!saverWindowState.displayOff && saverWindowState.layoutChanged) {
        saverWindowState.layoutChanged = 0;
        followDisplay(saverWindowState.saverWindow);
    }
}

static LRESULT onSysCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (wParam == SC_SCREENSAVE)
        return 0;       /* one saver is enough */
    return DefWindowProcA(window, WM_SYSCOMMAND, wParam, lParam);
}

LRESULT CALLBACK saverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        onEndingInput(window);
        return 0;
    case WM_CLOSE:
        onClose(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        animationTick();
        return 0;
    case WM_MOUSEMOVE:
        saverWindowState.mouseX = (short)LOWORD(lParam);
        saverWindowState.mouseY = (short)HIWORD(lParam);
        return 0;
    case WM_PAINT:
        if (saverWindowState.desktopShown)
            break;
        onFirstPaint(window);
        return 0;
    case WM_DISPLAYCHANGE:
        onDisplayChange(window);
        return 0;
    case KELP_WALLPAPER_READY:
        showWallpaper(wParam);
        return 0;
    case WM_SYSCOMMAND:
        return onSysCommand(window, wParam, lParam);
    case WM_POWERBROADCAST:
        onPowerBroadcast(wParam, lParam);
        return TRUE;        /* what the default handling answers too */
    case WM_ACTIVATE:
        if (wParam != 0 && HIWORD(lParam) == 0) {
            SetFocus(window);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
