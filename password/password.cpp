/* Saver password: the system's own libraries decide.  They are loaded for
   each use from the system folder and freed right after, and a system
   without them simply lets the saver go and the password role do
   nothing. */
#include "password/password.h"
#include "saver/saver.h"
#include "common/syslib.h"

void changePassword(HWND parent)
{
    HMODULE library = loadSystemLibrary("MPR.DLL");
    DWORD (WINAPI *change)(const char *, HWND, DWORD, DWORD);

    if (library == NULL)
        return;
    if (LOOK_UP(change, library, "PwdChangePasswordA") != NULL)
        change("SCRSAVE", parent, 0, 0);
    FreeLibrary(library);
}

/* Raw bytes, at most 4, into a number that starts at 0: any type counts,
   and a value too long for it leaves it off. */
static DWORD readFlag(HKEY key, const char *name)
{
    DWORD flag = 0, size = sizeof flag;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&flag, &size) != ERROR_SUCCESS)
        return 0;
    return flag;
}

static int passwordWanted(void)
{
    HKEY key;
    DWORD usePassword, isSecure;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return 0;
    usePassword = readFlag(key, "ScreenSaveUsePassword");
    isSecure = readFlag(key, "ScreenSaverIsSecure");
    RegCloseKey(key);
    return usePassword != 0 || isSecure != 0;
}

int verifyPassword(void)
{
    int mayClose = 1;
    HMODULE library;
    BOOL (WINAPI *verify)(HWND);

    if (!passwordWanted())
        return 1;
    /* where the system keeps it; never one left beside the saver */
    library = loadSystemLibrary("PASSWORD.CPL");
    if (library == NULL)
        return 1;
    if (LOOK_UP(verify, library, "VerifyScreenSavePwd") != NULL)
        mayClose = verify(saverWindowState.saverWindow) != 0;
    FreeLibrary(library);
    return mayClose;
}
