/* Stand-in for the system's PASSWORD.CPL, which Wine does not have.
   VerifyScreenSavePwd answers what pwdanswer.txt beside this library says
   ("1" lets the saver go, anything else or no file keeps it running) and
   appends the window it was asked about to pwdcalls.txt. */
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

static int besideMe(const char *name, char *path, int size)
{
    DWORD n = GetModuleFileNameA(self, path, size);
    char *slash;
    if (n == 0 || n >= (DWORD)size || (slash = strrchr(path, '\\')) == NULL)
        return 0;
    if ((int)(slash - path) + 1 + (int)strlen(name) + 1 > size)
        return 0;
    strcpy(slash + 1, name);
    return 1;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    char path[MAX_PATH];
    int answer = 0;
    FILE *file;

    if (besideMe("pwdanswer.txt", path, sizeof path) && (file = fopen(path, "r")) != NULL) {
        answer = fgetc(file) == '1';
        fclose(file);
    }
    if (besideMe("pwdcalls.txt", path, sizeof path) && (file = fopen(path, "a")) != NULL) {
        fprintf(file, "%lu\n", (unsigned long)(UINT_PTR)window);
        fclose(file);
    }
    return answer;
}
