/* A program of the suite's own that faults in its second thread while
   the first waits for it: the suite must see it end with the fault. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

static DWORD WINAPI writeToNothing(LPVOID)
{
    *(volatile int *)0 = 1;
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HANDLE thread = CreateThread(NULL, 0, writeToNothing, NULL, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return 0;
}
