/* Stand-in for the system's desk.cpl, which Wine does not have.  The
   screen-saver page's entry, which rundll32 calls with the text after the
   entry name, appends that text to deskcalls.txt beside this library. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static HMODULE self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) void CALLBACK InstallScreenSaver(HWND, HINSTANCE,
                                                                  LPSTR arguments, int)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, sizeof path);
    char *slash = n > 0 && n < sizeof path ? strrchr(path, '\\') : NULL;
    FILE *file;

    if (slash == NULL || (size_t)(slash - path) + sizeof "\\deskcalls.txt" > sizeof path)
        return;
    strcpy(slash + 1, "deskcalls.txt");
    if ((file = fopen(path, "ab")) != NULL) {
        fprintf(file, "%s\n", arguments);
        fclose(file);
    }
}
