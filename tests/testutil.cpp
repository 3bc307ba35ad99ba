#include "tests/testutil.h"

#include <string.h>

static const COLORREF knownPalette[4] = {
    RGB(0x30, 0x90, 0xE0), RGB(0xC8, 0x64, 0x28), RGB(0x5A, 0xD2, 0x7D), RGB(0xA0, 0x3C, 0xB4)
};

/* 32-pixel blocks in four colours, none of them black or white, so that
   text drawn in black on white stands out from it. */
COLORREF knownColour(int x, int y)
{
    return knownPalette[((x / 32) + 2 * (y / 32)) & 3];
}

static LRESULT CALLBACK knownDesktopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        RECT client;
        HDC dc = BeginPaint(window, &paint);
        GetClientRect(window, &client);
        for (int y = 0; y < client.bottom; y += 32)
            for (int x = 0; x < client.right; x += 32) {
                RECT block = { x, y, x + 32, y + 32 };
                HBRUSH brush = CreateSolidBrush(knownColour(x, y));
                FillRect(dc, &block, brush);
                DeleteObject(brush);
            }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages(int milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    do {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    } while ((int)(end - GetTickCount()) > 0);
}

HWND showKnownDesktop(void)
{
    static int registered;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = knownDesktopProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "kelptestdesktop";
        registered = RegisterClassA(&windowClass) != 0;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "kelptestdesktop", "known desktop", WS_POPUP,
                                  0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    pumpMessages(200);
    return window;
}

void closeKnownDesktop(HWND window)
{
    DestroyWindow(window);
    pumpMessages(50);
}

void backupKey(HKEY root, const char *path, KeyBackup *backup)
{
    HKEY key;
    memset(backup, 0, sizeof *backup);
    backup->root = root;
    lstrcpynA(backup->path, path, sizeof backup->path);
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    backup->existed = 1;
    /* the count is also the index of the next value to read */
    for (; backup->count < BACKUP_VALUES; backup->count++) {
        auto &value = backup->values[backup->count];
        DWORD nameSize = sizeof value.name;
        value.size = sizeof value.data;
        if (RegEnumValueA(key, backup->count, value.name, &nameSize, NULL, &value.type, value.data,
                          &value.size) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
}

void restoreKey(const KeyBackup *backup)
{
    HKEY key;
    if (!backup->existed) {
        RegDeleteKeyA(backup->root, backup->path);
        return;
    }
    if (RegCreateKeyExA(backup->root, backup->path, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return;
    /* Drop what the test added, then put back what was there. */
    char name[64];
    DWORD nameSize = sizeof name;
    while (RegEnumValueA(key, 0, name, &nameSize, NULL, NULL, NULL, NULL) == ERROR_SUCCESS
           && RegDeleteValueA(key, name) == ERROR_SUCCESS)
        nameSize = sizeof name;
    for (int i = 0; i < backup->count; i++)
        RegSetValueExA(key, backup->values[i].name, 0, backup->values[i].type,
                       backup->values[i].data, backup->values[i].size);
    RegCloseKey(key);
}

void setRawValue(HKEY root, const char *path, const char *name, DWORD type,
                 const void *data, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE *)data, size);
    RegCloseKey(key);
}

DWORD *grabScreen(int *width, int *height)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    DWORD *pixels = new DWORD[(size_t)w * h];
    DWORD *bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = createDib32(w, h, &bits);
    HGDIOBJ old = SelectObject(memory, bitmap);

    BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(pixels, bits, sizeof(DWORD) * w * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    *width = w;
    *height = h;
    return pixels;
}

void backupValue(HKEY root, const char *path, const char *name, ValueBackup *backup)
{
    HKEY key;
    memset(backup, 0, sizeof *backup);
    backup->root = root;
    lstrcpynA(backup->path, path, sizeof backup->path);
    lstrcpynA(backup->name, name, sizeof backup->name);
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    backup->size = sizeof backup->data;
    backup->existed = RegQueryValueExA(key, name, NULL, &backup->type, backup->data,
                                       &backup->size) == ERROR_SUCCESS;
    RegCloseKey(key);
}

void restoreValue(const ValueBackup *backup)
{
    if (backup->existed)
        setRawValue(backup->root, backup->path, backup->name, backup->type, backup->data,
                    backup->size);
    else
        deleteValue(backup->root, backup->path, backup->name);
}

void deleteValue(HKEY root, const char *path, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void pointProgramsAt(const WCHAR *folder, ValueBackup saved[2])
{
    pointShellFolderAt("Programs", folder, saved);
}

void pointShellFolderAt(const char *name, const WCHAR *folder, ValueBackup saved[2])
{
    WCHAR wideName[64];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 64);
    const char *keys[2] = { "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders" };
    for (int i = 0; i < 2; i++) {
        HKEY key;
        backupValue(HKEY_CURRENT_USER, keys[i], name, &saved[i]);
        RegOpenKeyExA(HKEY_CURRENT_USER, keys[i], 0, KEY_SET_VALUE, &key);
        RegSetValueExW(key, wideName, 0, i ? REG_SZ : REG_EXPAND_SZ, (const BYTE *)folder,
                       (DWORD)(lstrlenW(folder) + 1) * 2);
        RegCloseKey(key);
    }
}

const char removerFullReport[] =
    "Reading uninstall info...  Done\n\nDeleting saver files...\nOK\n\n"
    "Deleting registry entries...\nOK\nOK\nOK\n\nDeleting start menu entries...\nOK\nOK\nOK\n\n"
    "Removing start menu Folder...\nOK\n\n... FINISHED";
