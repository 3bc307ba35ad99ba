/* A library planted where the programs must never take one from: beside
   them.  Copied under each name they import or load, it appends its own
   path to planted.txt beside itself as soon as any process loads it, and
   answers the calls the programs would make of it harmlessly. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    char path[MAX_PATH + 1], marks[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(instance, path, MAX_PATH), written;
    char *end;
    HANDLE file;

    if (reason != DLL_PROCESS_ATTACH || n == 0 || n >= MAX_PATH)
        return TRUE;
    lstrcpyA(marks, path);
    for (end = marks + n; end > marks && end[-1] != '\\'; end--)
        ;
    lstrcpyA(end, "planted.txt");
    path[n] = '\n';
    file = CreateFileA(marks, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_ALWAYS, 0, NULL);
    WriteFile(file, path, n + 1, &written, NULL);
    CloseHandle(file);
    return TRUE;
}

extern "C" {
__declspec(dllexport) BOOL WINAPI PlaySoundA(LPCSTR, HMODULE, DWORD) { return TRUE; }
__declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void *) { return TRUE; }
__declspec(dllexport) void WINAPI InitCommonControls(void) {}
__declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR, HWND, DWORD, DWORD) { return 0; }
__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND) { return TRUE; }
}
