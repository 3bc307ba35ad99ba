/* What every role knows of the program's start, and its warning box. */
#ifndef KELP_LAUNCH_H
#define KELP_LAUNCH_H

#include <windows.h>

struct LaunchContext {
    HINSTANCE instance;
    /* The saver window and its images cover the virtual screen, every
       monitor at once; the engine draws in coordinates relative to its
       corner (screenLeft, screenTop), which lies left of or above the
       primary monitor's corner when a monitor sits there. */
    int screenLeft, screenTop;
    int screenWidth;            /* W of the saver window and its images */
    int screenHeight;           /* H */
    /* Dialogs are centred on the primary monitor alone. */
    int primaryWidth, primaryHeight;
    /* Own file, whole, for the role its name picks and for setup's copy;
       empty when it could not be read whole. */
    WCHAR modulePath[MAX_PATH];
    char modeLetter;            /* 'A', 'C', 'P', 'S' or 0 */
    DWORD targetWindow;         /* decimal window handle after the letter */
    HWND previousForeground;
};
extern LaunchContext launchContext;

/* The program's box for what went wrong, owned by the dialog it is shown
   over (NULL when none is open), so that nothing behind it takes a click. */
inline void warn(HWND owner, const char *text) { MessageBoxA(owner, text, "message", MB_ICONWARNING); }

#endif
