/* A stand-in desktop for showing the saver where there is no real one:
   a wallpaper window and two application windows that the saver can
   photograph, then the saver itself.
   Usage: demodesk <saver.scr> [/letter]   (/s when no letter is given)
          demodesk -own <saver.scr>          the saver alone (/s) on a desktop
                                             of its own, as the system starts
                                             one that ends at the logon screen */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static LRESULT CALLBACK wallpaperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        RECT client, band;
        HDC dc = BeginPaint(window, &paint);
        int y, i;
        GetClientRect(window, &client);
        /* a calm gradient like a desktop picture */
        for (y = 0; y < client.bottom; y += 4) {
            HBRUSH brush = CreateSolidBrush(RGB(30 + y * 60 / client.bottom,
                                                110 + y * 80 / client.bottom, 130));
            SetRect(&band, 0, y, client.right, y + 4);
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
        /* desktop icons down the left edge */
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        for (i = 0; i < 5; i++) {
            static const char *names[5] = { "My Computer", "Recycle Bin", "Documents",
                                            "Network", "Readme.txt" };
            static const COLORREF colours[5] = { RGB(200, 200, 220), RGB(160, 200, 160),
                RGB(240, 210, 90), RGB(120, 160, 230), RGB(250, 250, 250) };
            /* the icons stay on the primary monitor, whatever lies left of it */
            int ox = -GetSystemMetrics(SM_XVIRTUALSCREEN), oy = -GetSystemMetrics(SM_YVIRTUALSCREEN);
            RECT icon = { ox + 28, oy + 20 + i * 80, ox + 60, oy + 52 + i * 80 };
            HBRUSH brush = CreateSolidBrush(colours[i]);
            FillRect(dc, &icon, brush);
            FrameRect(dc, &icon, (HBRUSH)GetStockObject(BLACK_BRUSH));
            DeleteObject(brush);
            TextOutA(dc, ox + 10, oy + 56 + i * 80, names[i], (int)strlen(names[i]));
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND makeAppWindow(const char *title, const char *text, int x, int y, int w, int h)
{
    HWND frame = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 x, y, w, h, NULL, NULL, GetModuleHandleA(NULL), NULL);
    RECT client;
    GetClientRect(frame, &client);
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", text,
                    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY,
                    0, 0, client.right, client.bottom, frame, NULL, GetModuleHandleA(NULL), NULL);
    return frame;
}

/* One more window on each monitor besides the primary. */
static BOOL CALLBACK furnishMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
        makeAppWindow("Mail", "From: a friend\r\nSubject: the aquarium\r\n\r\nFeed the fish!",
                      info.rcMonitor.left + 120, info.rcMonitor.top + 150, 360, 200);
    return TRUE;
}

static void pump(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    MSG message;
    for (;;) {
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if ((int)(end - GetTickCount()) <= 0)
            break;
        Sleep(15);
    }
}

/* Starts the command line on the desktop named (NULL: this one) and waits
   for it to end, keeping this thread's windows answered. */
static int runToEnd(char *line, char *desktop)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;

    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop;
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT)
           != WAIT_OBJECT_0)
        pump(0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

static int runOnOwnDesktop(const char *saver)
{
    char line[MAX_PATH + 16], name[] = "Screen-saver";
    HDESK desktop = CreateDesktopA(name, NULL, NULL, 0, GENERIC_ALL, NULL);
    int ran;

    if (desktop == NULL)
        return 1;
    _snprintf(line, sizeof line, "\"%s\" /s", saver);
    line[sizeof line - 1] = 0;
    ran = runToEnd(line, name);
    CloseDesktop(desktop);
    return ran ? 0 : 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    WNDCLASSA windowClass;
    char saverLine[MAX_PATH + 16];
    HWND wallpaper;
    char *letters;

    if (strncmp(commandLine, "-own ", 5) == 0)
        return runOnOwnDesktop(commandLine + 5);
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = wallpaperProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.lpszClassName = "kelpdemodesk";
    RegisterClassA(&windowClass);
    wallpaper = CreateWindowExA(WS_EX_TOOLWINDOW, "kelpdemodesk", "desktop", WS_POPUP | WS_VISIBLE,
                                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                                NULL, NULL, instance, NULL);
    makeAppWindow("Notes - Editor", "Shopping list:\r\n- kelp\r\n- fish food\r\n- bubbles",
                  180, 90, 380, 260);
    makeAppWindow("Calculator", "   12 + 30 = 42", 520, 300, 300, 180);
    EnumDisplayMonitors(NULL, NULL, furnishMonitor, 0);
    pump(1500);

    if (*commandLine == 0)
        return 0;
    letters = strrchr(commandLine, ' ');
    if (letters != NULL && letters[1] == '/')
        *letters++ = 0;
    else
        letters = (char *)"/s";
    _snprintf(saverLine, sizeof saverLine, "\"%s\" %s", commandLine, letters);
    saverLine[sizeof saverLine - 1] = 0;
    if (!runToEnd(saverLine, NULL))
        return 1;
    DestroyWindow(wallpaper);
    return 0;
}
