/* The install record in the registry and the start-menu folder with its
   three links.  The remover reads the record back to undo the install, so
   its key names and value names are fixed. */
#include "setup/setup.h"
#include "saver/saver.h"
#include "settings/settings.h"
#include "setup/record.h"
#include "setup/paths.h"

#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <string.h>

#define UNINSTALL_PREFIX RECORD_UNINSTALL_KEY "\\"
#define APP_PATH_PREFIX RECORD_APP_PATHS_KEY "\\"
/* spelled apart from the links' folder: the folder is made, and shown, with this one */
#define START_MENU_PARENT "zUb_savers"
#define START_MENU_FOLDER RECORD_MENU_FOLDER "\\" KELP_RECORD_NAME

/* makeStartMenuFolder's result; the next call overwrites it.  Wide, as
   the user's profile folder may hold letters beyond the system's code
   page, which the ANSI calls turn into '?'. */
static WCHAR startMenuFolder[MAX_PATH];

/* A folder the shell cannot name gives no path: an empty one would put
   the folder at the root of the current drive. */
static int specialFolderPath(int specialFolder, WCHAR *path)
{
    LPITEMIDLIST items = NULL;
    char narrow[MAX_PATH];

    path[0] = 0;
    SHGetSpecialFolderLocation(NULL, specialFolder, &items);
    if (items != NULL) {
        if (hasWidePaths())
            SHGetPathFromIDListW(items, path);
        else if (SHGetPathFromIDListA(items, narrow))
            MultiByteToWideChar(CP_ACP, 0, narrow, -1, path, MAX_PATH);
        CoTaskMemFree(items);
    }
    path[MAX_PATH - 1] = 0;
    return path[0] != 0;
}

static int makeFolder(const WCHAR *path)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        return CreateDirectoryW(path, NULL);
    return toNarrow(path, narrow, MAX_PATH) && CreateDirectoryA(narrow, NULL);
}

/* Only the last component is made; an existing folder is no failure. */
WCHAR *makeStartMenuFolder(const char *name, int specialFolder)
{
    if (!specialFolderPath(specialFolder, startMenuFolder)
        || !appendNarrow(startMenuFolder, MAX_PATH, "\\")
        || !appendNarrow(startMenuFolder, MAX_PATH, name))
        return NULL;
    if (makeFolder(startMenuFolder) || GetLastError() == ERROR_ALREADY_EXISTS)
        return startMenuFolder;
    return NULL;
}

static int linkFilePath(const char *name, int specialFolder, const char *subfolder,
                        WCHAR *widePath)
{
    return specialFolderPath(specialFolder, widePath)
        && appendNarrow(widePath, MAX_PATH, "\\") && appendNarrow(widePath, MAX_PATH, subfolder)
        && appendNarrow(widePath, MAX_PATH, "\\") && appendNarrow(widePath, MAX_PATH, name)
        && appendNarrow(widePath, MAX_PATH, ".lnk");
}

/* What a link holds besides its own file's place. */
struct LinkFields {
    const WCHAR *target, *arguments, *iconFile, *workingDirectory;
    int iconIndex;
};

static HRESULT saveLinkFile(IUnknown *link, const WCHAR *linkFile)
{
    IPersistFile *file = NULL;
    HRESULT status = link->QueryInterface(IID_IPersistFile, (void **)&file);

    if (SUCCEEDED(status)) {
        status = file->Save(linkFile, FALSE);
        file->Release();
    }
    return status;
}

static HRESULT saveWideLink(IShellLinkW *link, const LinkFields *f, const WCHAR *linkFile)
{
    link->SetPath(f->target);
    if (f->arguments != NULL)
        link->SetArguments(f->arguments);
    if (f->iconFile != NULL)
        link->SetIconLocation(f->iconFile, f->iconIndex);
    if (f->workingDirectory != NULL)
        link->SetWorkingDirectory(f->workingDirectory);
    return saveLinkFile(link, linkFile);
}

/* The 9x shell's links take ANSI texts only. */
static HRESULT saveNarrowLink(IShellLinkA *link, const LinkFields *f, const WCHAR *linkFile)
{
    char text[SETUP_TEXT_MAX];

    if (!toNarrow(f->target, text, sizeof text))
        return E_FAIL;
    link->SetPath(text);
    if (f->arguments != NULL && toNarrow(f->arguments, text, sizeof text))
        link->SetArguments(text);
    if (f->iconFile != NULL && toNarrow(f->iconFile, text, sizeof text))
        link->SetIconLocation(text, f->iconIndex);
    if (f->workingDirectory != NULL && toNarrow(f->workingDirectory, text, sizeof text))
        link->SetWorkingDirectory(text);
    return saveLinkFile(link, linkFile);
}

/* COM lives only for the one link; an existing link file is overwritten. */
int createStartMenuLink(const char *name, const WCHAR *target, int specialFolder,
                        const char *subfolder, const WCHAR *arguments, const WCHAR *iconFile,
                        int iconIndex, const WCHAR *workingDirectory)
{
    LinkFields fields = { target, arguments, iconFile, workingDirectory, iconIndex };
    WCHAR linkFile[MAX_PATH];
    void *link = NULL;
    int wide = hasWidePaths();
    HRESULT status, initialised;

    if (!linkFilePath(name, specialFolder, subfolder, linkFile))
        return 0;
    initialised = CoInitialize(NULL);
    status = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                              wide ? IID_IShellLinkW : IID_IShellLinkA, &link);
    if (FAILED(status)) {
        warn(setupState.dialog, "cocreate");
    } else if (wide) {
        status = saveWideLink((IShellLinkW *)link, &fields, linkFile);
        ((IShellLinkW *)link)->Release();
    } else {
        status = saveNarrowLink((IShellLinkA *)link, &fields, linkFile);
        ((IShellLinkA *)link)->Release();
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return SUCCEEDED(status);
}

static int openRecordKey(const char *prefix, HKEY *key)
{
    char path[MAX_PATH];

    path[0] = 0;
    return appendText(path, sizeof path, prefix)
        && appendText(path, sizeof path, KELP_RECORD_NAME)
        && RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, (char *)RECORD_KEY_CLASS,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, key, NULL)
           == ERROR_SUCCESS;
}

/* The remover reads these back as texts: the NUL is stored with them. */
static void setText(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
}

/* A path of the user's file system, stored whole; NULL names the key's
   default value. */
static void setPathText(HKEY key, const char *name, const WCHAR *text)
{
    WCHAR wideName[64];
    char narrow[SETUP_TEXT_MAX];

    if (hasWidePaths() && (name == NULL || toWide(name, wideName, 64)))
        RegSetValueExW(key, name != NULL ? wideName : NULL, 0, REG_SZ, (const BYTE *)text,
                       (lstrlenW(text) + 1) * sizeof *text);
    else if (toNarrow(text, narrow, sizeof narrow))
        setText(key, name, narrow);
}

static void setNumber(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
}

/* Whole kilobytes, as the system's program list counts them. */
static DWORD fileKilobytes(const WCHAR *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    char narrow[MAX_PATH];

    if (hasWidePaths() ? !GetFileAttributesExW(path, GetFileExInfoStandard, &data)
        : !toNarrow(path, narrow, sizeof narrow)
          || !GetFileAttributesExA(narrow, GetFileExInfoStandard, &data))
        return 0;
    return (data.nFileSizeLow + 1023) / 1024 + data.nFileSizeHigh * 4194304;
}

void registerUninstall(void)
{
    SetupState *s = &setupState;
    HKEY key;

    if (!openRecordKey(UNINSTALL_PREFIX, &key)) {
        warn(setupState.dialog, "small ERROR: can't write to registry");
        return;
    }
    setText(key, RECORD_DISPLAY_NAME, "kelpVole Screen Saver");
    setPathText(key, RECORD_UNINSTALL_COMMAND, s->uninstallCommand);
    /* what the system's program list shows beside the name; it offers
       neither change nor repair, which this setup does not have */
    setPathText(key, RECORD_DISPLAY_ICON, s->saverPath);
    setText(key, RECORD_DISPLAY_VERSION, "1.52");
    setText(key, RECORD_PUBLISHER, "zUb");
    setPathText(key, RECORD_INSTALL_LOCATION, s->installFolder);
    setNumber(key, RECORD_ESTIMATED_SIZE, fileKilobytes(s->saverPath) + fileKilobytes(s->removerPath));
    setNumber(key, RECORD_NO_MODIFY, 1);
    setNumber(key, RECORD_NO_REPAIR, 1);
    RegCloseKey(key);
}

void registerAppPath(void)
{
    HKEY key;

    if (!openRecordKey(APP_PATH_PREFIX, &key)) {
        warn(setupState.dialog, "small ERROR: can't write to registry");
        return;
    }
    setPathText(key, NULL, setupState.saverPath);
    setPathText(key, RECORD_INSTALL_FOLDER, setupState.installFolder);
    RegCloseKey(key);
}

/* The shell opens the folder's window a moment later and gives it the
   foreground: the success box that follows must come in front of it, not
   under it, so setup looks out for the window from now on. */
static void openFolderWindow(HWND owner, const WCHAR *folder)
{
    char narrow[MAX_PATH];

    watchForFolderWindow(folder);
    if (hasWidePaths())
        ShellExecuteW(owner, NULL, folder, NULL, NULL, SW_SHOWNORMAL);
    else if (toNarrow(folder, narrow, MAX_PATH))
        ShellExecuteA(owner, NULL, narrow, NULL, NULL, SW_SHOWNORMAL);
}

void registerStartMenu(void)
{
    SetupState *s = &setupState;
    const WCHAR *folder;
    HKEY key;

    if (makeStartMenuFolder(START_MENU_PARENT, CSIDL_PROGRAMS) == NULL
        || (folder = makeStartMenuFolder(START_MENU_FOLDER, CSIDL_PROGRAMS)) == NULL) {
        warn(setupState.dialog, "small ERROR: can't create link in startmenu !");
        return;
    }
    openFolderWindow(s->dialog, folder);
    if (openRecordKey(APP_PATH_PREFIX, &key)) {
        setPathText(key, RECORD_MENU_PATH, folder);
        RegCloseKey(key);
    }

    if (!createStartMenuLink("test " KELP_RECORD_NAME, s->saverPath, CSIDL_PROGRAMS,
                             START_MENU_FOLDER, NULL, NULL, 0, s->installFolder))
        warn(setupState.dialog, "small ERROR: can't create test link startmenu !");
    if (!createStartMenuLink("remove " KELP_RECORD_NAME, s->removerPath, CSIDL_PROGRAMS,
                             START_MENU_FOLDER, L"" KELP_RECORD_NAME, s->saverPath, 2,
                             s->installFolder))
        warn(setupState.dialog, "small ERROR: can't create uninstall link in startmenu !");
    formPanelParameters();
    if (!createStartMenuLink("configure " KELP_RECORD_NAME, L"rundll32.exe", CSIDL_PROGRAMS,
                             START_MENU_FOLDER, s->panelParameters, s->saverPath, 1, NULL))
        warn(setupState.dialog, "small ERROR: can't create config link in startmenu !");
}
