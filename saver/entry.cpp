/* Entry: the file name picks saver or installer, the command line picks
   the saver's role. */
#include "saver/saver.h"
#include "common/files.h"
#include "settings/settings.h"
#include "password/password.h"
#include "preview/preview.h"
#include "setup/setup.h"
#include "common/syslib.h"

#include <ctype.h>
#include <string.h>

/* How the foreground is handed back at the end: a look every 25 ms, done
   once it has held for four looks, given up after twenty. */
#define FOREGROUND_LOOK_MS 25
#define FOREGROUND_LOOKS 20
#define FOREGROUND_HELD 4

LaunchContext launchContext;

static void upperCase(char *text)
{
    for (; *text; text++)
        *text = (char)toupper((unsigned char)*text);
}

/* Only the last three characters count, with no dot required, so "xscr"
   is a saver too.  A path that could not be read whole (empty) names
   nothing; it is taken for a saver then, because the installer could not
   copy a file it cannot name, while the system only ever starts savers
   with a letter. */
int isSaverFileName(const WCHAR *path)
{
    int length = textLength(path);

    if (length == 0)
        return 1;
    return length >= 3 && (path[length - 3] | 0x20) == 's' && (path[length - 2] | 0x20) == 'c'
        && (path[length - 1] | 0x20) == 'r';
}

/* Started with any command line, the program gives the foreground back
   to the window in front of it now when the role ends; an empty one
   leaves the remembered window alone. */
void rememberForeground(const char *commandLine)
{
    if (commandLine[0] != 0)
        launchContext.previousForeground = GetForegroundWindow();
}

/* The mode letter and the target window; upper-cases the text in place. */
void parseCommandLine(char *text)
{
    char digits[KELP_DIGITS_MAX + 1];
    int count = 0;
    DWORD value = 0;
    char *p;

    upperCase(text);
    if (*text == 0)
        launchContext.modeLetter = 'C';

    for (p = text; *p; p++) {
        if (*p == 'C' || *p == 'S' || *p == 'P' || *p == 'A') {
            launchContext.modeLetter = *p++;
            break;
        }
    }
    for (; *p && count < KELP_DIGITS_MAX; p++)
        if (*p >= '0' && *p <= '9')
            digits[count++] = *p;
    digits[count] = 0;

    /* Unsigned 32-bit arithmetic: more than ten digits simply wrap. */
    for (p = digits; *p; p++)
        value = value * 10 + (DWORD)(*p - '0');
    launchContext.targetWindow = value;
}

/* Systems that know of one monitor only answer 0 for the virtual screen;
   the primary screen is all there is then. */
void readScreenLayout(void)
{
    LaunchContext *c = &launchContext;

    c->primaryWidth = GetSystemMetrics(SM_CXSCREEN);
    c->primaryHeight = GetSystemMetrics(SM_CYSCREEN);
    c->screenLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    c->screenTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    c->screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    c->screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (c->screenWidth <= 0 || c->screenHeight <= 0) {
        c->screenLeft = 0;
        c->screenTop = 0;
        c->screenWidth = c->primaryWidth;
        c->screenHeight = c->primaryHeight;
    }
}

static void runSaverRole(void)
{
    if (registerSaverClass(launchContext.instance, saverWndProc))
        runSaver();
    else
        warn(NULL, "ERROR: can't init instance");
}

static void dispatchRole(void)
{
    HWND target = (HWND)(UINT_PTR)launchContext.targetWindow;

    switch (launchContext.modeLetter) {
    case 'A':
        changePassword(target);
        break;
    case 'C':
        runConfigDialog(target);
        break;
    case 'P':
        if (launchContext.targetWindow != 0)
            runPreview(target);
        break;
    case 'S':
        runSaverRole();
        break;
    default:
        break;
    }
}

/* The window that was in front comes back in front.  The system may pass
   the foreground on a moment after the saver's window has gone (with no
   window manager to settle it, to its desktop window): it is handed back
   until it has held for a few looks in a row, for half a second at most. */
static void handBackForeground(HWND previous)
{
    int looks, held = 0;

    for (looks = 0; looks < FOREGROUND_LOOKS && held < FOREGROUND_HELD && IsWindow(previous); looks++) {
        if (GetForegroundWindow() == previous) {
            held++;
        } else {
            held = 0;
            SetForegroundWindow(previous);
        }
        Sleep(FOREGROUND_LOOK_MS);
    }
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)nCmdShow;
    restrictLibrarySearch();
    /* Windows 3.1's mark of a second copy of a program; a 32-bit system
       always passes NULL */
    if (hPrevInstance != NULL)
        return 1;
    launchContext.previousForeground = NULL;
    readScreenLayout();
    launchContext.instance = hInstance;

    if (!modulePath(launchContext.modulePath, MAX_PATH))
        launchContext.modulePath[0] = 0;
    if (!isSaverFileName(launchContext.modulePath))
        return runSetup();

    rememberForeground(lpCmdLine);
    parseCommandLine(lpCmdLine);
    dispatchRole();
    if (launchContext.previousForeground != NULL)
        handBackForeground(launchContext.previousForeground);
    return 0;
}
