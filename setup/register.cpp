/* The install record in the registry and the start-menu folder with its
   three links.  The remover reads the record back to undo the install, so
   its key names and value names are fixed. */
#include "setup/setup.h"
#include "common/launch.h"
#include "settings/settings.h"
#include "common/record.h"
#include "common/files.h"
#include "common/syslib.h"

#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>

#define UNINSTALL_PREFIX RECORD_UNINSTALL_KEY "\\"
#define APP_PATH_PREFIX RECORD_APP_PATHS_KEY "\\"
/* spelled apart from the links' folder: the folder is made, and shown, with this one */
#define START_MENU_PARENT L"zUb_savers"
#define START_MENU_FOLDER L"" RECORD_MENU_FOLDER "\\" KELP_RECORD_NAME

static const char registryFailed[] = "small ERROR: can't write to registry";

/* makeStartMenuFolder's result; the next call overwrites it. */
static WCHAR startMenuFolder[MAX_PATH];

/* Only the last component is made; an existing folder is no failure. */
WCHAR *makeStartMenuFolder(const WCHAR *name, int csidl)
{
    if (!specialFolder(csidl, startMenuFolder) || !appendName(startMenuFolder, MAX_PATH, name))
        return NULL;
    if (makeFolder(startMenuFolder) || GetLastError() == ERROR_ALREADY_EXISTS)
        return startMenuFolder;
    return NULL;
}

/* COM lives only for the one link; an existing link file is overwritten. */
int createStartMenuLink(const WCHAR *name, const WCHAR *target, int csidl, const WCHAR *subfolder,
                        const WCHAR *arguments, const WCHAR *iconFile, int iconIndex,
                        const WCHAR *workingDirectory)
{
    LinkFields fields = { target, arguments, iconFile, workingDirectory, iconIndex };
    WCHAR linkFile[MAX_PATH];
    IShellLinkW *link = NULL;
    HRESULT status, initialised;

    if (!specialFolder(csidl, linkFile) || !appendName(linkFile, MAX_PATH, subfolder)
        || !appendName(linkFile, MAX_PATH, name) || !appendText(linkFile, MAX_PATH, L".lnk"))
        return 0;
    initialised = CoInitialize(NULL);
    status = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, *shellLinkInterface(),
                              (void **)&link);
    if (FAILED(status)) {
        reportFailure("cocreate", SETUP_EXIT_INCOMPLETE);
    } else {
        status = saveShellLink(link, &fields, linkFile);
        link->Release();
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return SUCCEEDED(status);
}

/* The machine's record, or the user's own for an install of theirs: the
   system's program list shows both. */
static int openRecordKey(const char *prefix, HKEY *key)
{
    HKEY root = setupState.scope == SCOPE_USER ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    char keyPath[MAX_PATH];

    return copyText(keyPath, sizeof keyPath, prefix)
        && appendText(keyPath, sizeof keyPath, KELP_RECORD_NAME)
        && RegCreateKeyExA(root, keyPath, 0, (char *)RECORD_KEY_CLASS, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, key, NULL) == ERROR_SUCCESS;
}

/* The remover reads these back as texts: the NUL is stored with them.
   Each write answers whether it was stored. */
static int setValueText(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1)
        == ERROR_SUCCESS;
}

static int setNumber(HKEY key, const char *name, DWORD number)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number)
        == ERROR_SUCCESS;
}

/* Whole kilobytes, as the system's program list counts them. */
static DWORD fileKilobytes(const WCHAR *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;

    if (!fileData(path, &data))
        return 0;
    return (data.nFileSizeLow + 1023) / 1024 + data.nFileSizeHigh * 4194304;
}

/* The uninstall command with /S before the record name: the remover
   takes the rest of its line as the name. */
static int setQuietCommand(HKEY key)
{
    WCHAR command[PATH_ROOM];
    int length = textLength(setupState.uninstallCommand) - (int)(ARRAYSIZE(KELP_RECORD_NAME) - 1);

    if (length < 1 || length + 3 >= PATH_ROOM)
        return 0;
    /* copied here: the 9x line's lstrcpynW is a stub */
    CopyMemory(command, setupState.uninstallCommand, length * sizeof *command);
    command[length] = 0;
    return appendText(command, PATH_ROOM, L"/S ") && appendText(command, PATH_ROOM, L"" KELP_RECORD_NAME)
        && setPathValue(key, L"" RECORD_QUIET_UNINSTALL, command);
}

void registerUninstall(void)
{
    SetupState *s = &setupState;
    HKEY key;
    int removable, detailed;

    if (s->uninstallCommand[0] == 0)    /* no remover to offer */
        return;
    if (!openRecordKey(UNINSTALL_PREFIX, &key)) {
        reportFailure(registryFailed, SETUP_EXIT_NOT_REMOVABLE);
        return;
    }
    removable = setValueText(key, RECORD_DISPLAY_NAME, "kelpVole Screen Saver")
        & setPathValue(key, L"" RECORD_UNINSTALL_COMMAND, s->uninstallCommand)
        /* what package managers run: the remover with no window, its
           outcome in its exit code */
        & setQuietCommand(key);
    /* what the system's program list shows beside the name; it offers
       neither change nor repair, which this setup does not have.  Without
       them the install is still removable. */
    detailed = setPathValue(key, L"" RECORD_DISPLAY_ICON, s->saverPath)
        & setValueText(key, RECORD_DISPLAY_VERSION, "1.52")
        & setValueText(key, RECORD_PUBLISHER, "zUb")
        & setPathValue(key, L"" RECORD_INSTALL_LOCATION, s->installFolder)
        & setNumber(key, RECORD_ESTIMATED_SIZE, fileKilobytes(s->saverPath) + fileKilobytes(s->removerPath))
        & setNumber(key, RECORD_NO_MODIFY, 1)
        & setNumber(key, RECORD_NO_REPAIR, 1);
    RegCloseKey(key);
    if (!removable || !detailed)
        reportFailure(registryFailed, removable ? SETUP_EXIT_INCOMPLETE : SETUP_EXIT_NOT_REMOVABLE);
}

void registerAppPath(void)
{
    WCHAR made[MAX_PATH];
    HKEY key;
    int stored;

    if (!openRecordKey(APP_PATH_PREFIX, &key)) {
        reportFailure(registryFailed, SETUP_EXIT_NOT_REMOVABLE);
        return;
    }
    stored = setPathValue(key, NULL, setupState.saverPath)
        & setPathValue(key, L"" RECORD_INSTALL_FOLDER, setupState.installFolder);
    /* an install over one already there keeps what that one made */
    if (setupState.firstMade != 0 && copyText(made, MAX_PATH, setupState.installFolder)) {
        made[setupState.firstMade] = 0;
        stored &= setPathValue(key, L"" RECORD_MADE_FOLDER, made);
    }
    RegCloseKey(key);
    if (!stored)
        reportFailure(registryFailed, SETUP_EXIT_NOT_REMOVABLE);
}

/* The shell opens the folder's window a moment later and gives it the
   foreground: the success box that follows must come in front of it, not
   under it, so setup looks out for the window from now on. */
static void openFolderWindow(HWND owner, const WCHAR *folder)
{
    watchForFolderWindow(folder);
    openWithShell(owner, folder, NULL, NULL);
}

void registerStartMenu(void)
{
    SetupState *s = &setupState;
    const WCHAR *folder;
    HKEY key;
    int stored;
    WCHAR program[PATH_ROOM];

    if (makeStartMenuFolder(START_MENU_PARENT, CSIDL_PROGRAMS) == NULL
        || (folder = makeStartMenuFolder(START_MENU_FOLDER, CSIDL_PROGRAMS)) == NULL) {
        reportFailure("small ERROR: can't create link in startmenu !", SETUP_EXIT_INCOMPLETE);
        return;
    }
    if (!s->silent)
        openFolderWindow(s->dialog, folder);
    /* without it the remover could not find the folder and its links */
    stored = openRecordKey(APP_PATH_PREFIX, &key);
    if (stored) {
        stored = setPathValue(key, L"" RECORD_MENU_PATH, folder);
        RegCloseKey(key);
    }
    if (!stored)    /* the remover would leave the links */
        reportFailure(registryFailed, SETUP_EXIT_NOT_REMOVABLE);

    if (!createStartMenuLink(L"test " KELP_RECORD_NAME, s->saverPath, CSIDL_PROGRAMS,
                             START_MENU_FOLDER, NULL, NULL, 0, s->installFolder))
        reportFailure("small ERROR: can't create test link startmenu !", SETUP_EXIT_INCOMPLETE);
    if (s->uninstallCommand[0] != 0     /* only to a remover in place */
        && !createStartMenuLink(L"remove " KELP_RECORD_NAME, s->removerPath, CSIDL_PROGRAMS,
                                START_MENU_FOLDER, L"" KELP_RECORD_NAME, s->saverPath, 2,
                                s->installFolder))
        reportFailure("small ERROR: can't create uninstall link in startmenu !", SETUP_EXIT_INCOMPLETE);
    /* by its full path: a bare name is looked for first where setup stands */
    if (!formPanelParameters() || !systemFile(L"rundll32.exe", program)
        || !createStartMenuLink(L"configure " KELP_RECORD_NAME, program, CSIDL_PROGRAMS,
                                START_MENU_FOLDER, s->panelParameters, s->saverPath, 1, NULL))
        reportFailure("small ERROR: can't create config link in startmenu !", SETUP_EXIT_INCOMPLETE);
}
