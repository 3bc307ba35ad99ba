/* Setup dialog and install sequence: run under any name but a saver's, the
   program copies itself into place as the system's screen saver. */
#include "setup/setup.h"
#include "common/rights.h"
#include "common/cmdline.h"
#include "common/syslib.h"
#include "common/files.h"
#include "common/launch.h"
#include "settings/settings.h"
#include "common/record.h"
#include "resource.h"

#include <commctrl.h>
#include <shellapi.h>

SetupState setupState;

static const char userQuestion[] =
    "Setup can't write to the Windows folder:\n"
    "installing for everyone needs administrator rights.\n\nInstall the saver for you only ?";

static const char leaveQuestion[] =
    "You have not finished the installation yet !\nReally exit ?\n\n"
    "To install select NO and push the SETUP button!";

/* How long the success box waits for the start-menu folder's window, and
   how often it is looked for meanwhile. */
#define FOLDER_WAIT_MS 3000
#define FOLDER_LOOK_MS 50

/* A drive root keeps its one backslash.  A path that cannot be formed
   whole is left empty, never cut. */
int formSaverPath(void)
{
    SetupState *s = &setupState;

    /* for one user the remover goes beside the saver, in a folder of the
       user's own */
    if (s->scope == SCOPE_USER && (!copyText(s->removerPath, PATH_ROOM, s->installFolder)
                                   || !appendName(s->removerPath, PATH_ROOM, SETUP_REMOVER_FILE)))
        s->removerPath[0] = 0;
    if (copyText(s->saverPath, PATH_ROOM, s->installFolder)
        && appendName(s->saverPath, PATH_ROOM, SETUP_SAVER_FILE))
        return 1;
    s->saverPath[0] = 0;
    return 0;
}

/* The install folder, unless a switch named it, and for the machine the
   remover's place: the Windows directory, wherever the saver goes. */
static void formFirstPaths(void)
{
    SetupState *s = &setupState;

    if (!s->folderGiven && !(s->scope == SCOPE_USER ? userInstallFolder(s->installFolder)
                                                    : windowsFolder(s->installFolder, MAX_PATH)))
        copyText(s->installFolder, MAX_PATH, L"c:");
    if (s->scope == SCOPE_MACHINE && (!windowsFolder(s->removerPath, MAX_PATH)
                                      || !appendName(s->removerPath, PATH_ROOM, SETUP_REMOVER_FILE)))
        s->removerPath[0] = 0;
    formSaverPath();
}

void reportFailure(const char *text, int exitCode)
{
    SetupState *s = &setupState;

    if (s->exitCode == SETUP_EXIT_OK || exitCode < s->exitCode)
        s->exitCode = exitCode;
    if (!s->silent && text != NULL)
        warn(s->dialog, text);
}

/* The install folder and any folder above it that is missing: one named
   by /D=, or the per-user one, may not be there yet.  Where the first
   folder made begins is kept, so that a failed install can take them
   away again. */
static void makeInstallFolder(void)
{
    SetupState *s = &setupState;
    WCHAR path[MAX_PATH];
    int i;

    s->firstMade = 0;
    copyText(path, MAX_PATH, s->installFolder);
    for (i = 3; path[i - 1] != 0; i++) {
        if (path[i] == '\\' || path[i] == 0) {
            WCHAR kept = path[i];
            path[i] = 0;
            if (makeFolder(path) && s->firstMade == 0)
                s->firstMade = i;
            path[i] = kept;
        }
    }
}

/* An install for one user that failed leaves nothing of its own behind:
   no record names the remover, and no one would find it.  A remover that
   was there before belongs to an install that still names it.  (The
   machine's remover stays in the Windows folder, where it always goes.) */
static void takeBackUserInstall(int removerWasThere)
{
    SetupState *s = &setupState;
    WCHAR path[MAX_PATH];
    int length;

    if (s->scope != SCOPE_USER)
        return;
    if (!removerWasThere)
        deleteFile(s->removerPath);
    if (s->firstMade == 0 || !copyText(path, MAX_PATH, s->installFolder))
        return;
    for (length = textLength(path); length >= s->firstMade; length--) {
        if (path[length] == '\\' || path[length] == 0) {
            path[length] = 0;
            removeFolder(path);
        }
    }
}

/* A folder of the machine's: the Windows folder, or the machine
   record's install folder.  An install for one user there would hand the
   user's record a say over the machine's files. */
static int isMachineFolder(const WCHAR *folder)
{
    WCHAR mine[PATH_ROOM], machine[PATH_ROOM];
    HKEY key;
    int read = 0;

    if (!copyText(mine, PATH_ROOM, folder))
        return 1;
    makeLong(mine, PATH_ROOM);
    if (windowsFolder(machine, PATH_ROOM)) {
        makeLong(machine, PATH_ROOM);
        if (sameText(mine, machine))
            return 1;
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RECORD_APP_PATHS_KEY "\\" KELP_RECORD_NAME, 0, KEY_READ, &key)
        == ERROR_SUCCESS) {
        read = readPathValue(key, L"" RECORD_INSTALL_FOLDER, machine, PATH_ROOM);
        RegCloseKey(key);
    }
    if (read)
        makeLong(machine, PATH_ROOM);
    return read && sameText(mine, machine);
}

/* For one user, only a folder that is not the machine's. */
static int isUserFolderAllowed(void)
{
    return setupState.scope != SCOPE_USER || !isMachineFolder(setupState.installFolder);
}

int formPanelParameters(void)
{
    return copyText(setupState.panelParameters, PATH_ROOM, SETUP_PANEL_PREFIX)
        && appendText(setupState.panelParameters, PATH_ROOM, setupState.saverPath);
}

/* The file system and the links take no path of MAX_PATH characters or
   more: the install folder must hold the longest name setup writes into
   it (for one user the remover's, beside the saver), or what installs
   could not be removed; and a copy that cannot be made must not leave
   half an install. */
int installFolderFits(void)
{
    SetupState *s = &setupState;
    WCHAR longest[PATH_ROOM];
    int length;

    /* held as the remover compares it: long, and with no closing
       separator but a drive root's */
    makeLong(s->installFolder, MAX_PATH);
    for (length = textLength(s->installFolder); length > 3 && s->installFolder[length - 1] == '\\'; length--)
        s->installFolder[length - 1] = 0;
    return formSaverPath() && copyText(longest, PATH_ROOM, s->installFolder)
        && appendName(longest, PATH_ROOM, s->scope == SCOPE_USER ? SETUP_REMOVER_FILE : SETUP_SAVER_FILE)
        && textLength(longest) < MAX_PATH && formPanelParameters();
}

void centerWindow(HWND window)
{
    WINDOWPLACEMENT placement;
    int width, height;

    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
    height = placement.rcNormalPosition.bottom - placement.rcNormalPosition.top;
    placement.rcNormalPosition.left = (launchContext.primaryWidth - width) / 2;
    placement.rcNormalPosition.top = (launchContext.primaryHeight - height) / 2;
    placement.rcNormalPosition.right = placement.rcNormalPosition.left + width;
    placement.rcNormalPosition.bottom = placement.rcNormalPosition.top + height;
    SetWindowPlacement(window, &placement);
}

static void onInitDialog(HWND dialog)
{
    SetupState *s = &setupState;

    s->dialog = dialog;
    formFirstPaths();
    setWindowText(GetDlgItem(dialog, IDC_SETUP_SAVERPATH), s->saverPath);
    CheckDlgButton(dialog, IDC_SETUP_STARTCONFIG, BST_CHECKED);
    SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_SETRANGE, 0,
                        MAKELONG(TIMEOUT_HIGHEST, TIMEOUT_LOWEST));
    SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_SETPOS, 0, s->minutes);
    centerWindow(dialog);
}

static void onBrowse(HWND dialog)
{
    INT_PTR result = DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_PICKER),
                                     dialog, locationDialogProc, 0);
    if (result < 0)
        warn(dialog, "ERROR: can't create dialog");
    else if (result == 0)
        return;
    formSaverPath();
    setWindowText(GetDlgItem(dialog, IDC_SETUP_SAVERPATH), setupState.saverPath);
}

/* An old remover is replaced without asking.  1 when the remover is in
   place whole; a file that could not be written whole (a full disk) is
   taken away again and reported, as a cut remover would fail the user
   only later, when the removal is wanted.  Without the image the install
   goes on without one. */
static int writeRemover(void)
{
    HINSTANCE instance = launchContext.instance;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_REMOVER), MAKEINTRESOURCEA(10));
    DWORD size, written = 0;
    HGLOBAL loaded;
    const void *image;
    HANDLE file;
    int whole;

    size = found != NULL ? SizeofResource(instance, found) : 0;
    loaded = found != NULL ? LoadResource(instance, found) : NULL;
    image = loaded != NULL ? LockResource(loaded) : NULL;
    if (size == 0 || image == NULL) {
        reportFailure(NULL, SETUP_EXIT_NOT_REMOVABLE);     /* no box: the exit code tells it */
        return 0;
    }
    file = openFile(setupState.removerPath, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE);
    whole = file != INVALID_HANDLE_VALUE && WriteFile(file, image, size, &written, NULL)
        && written == size;
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file))
        whole = 0;
    if (whole)
        return 1;
    if (file != INVALID_HANDLE_VALUE)
        deleteFile(setupState.removerPath);
    reportFailure("ERROR: cant write file", SETUP_EXIT_NOT_REMOVABLE);
    return 0;
}

/* The copy of a setup run from a read-only medium (a CD) would be
   read-only too, and the remover could not delete it.  The copy is made
   from the program's own path as the system knows it, whatever its
   letters. */
static int copyWritable(const WCHAR *target, BOOL failIfExists)
{
    DWORD attributes;

    if (launchContext.modulePath[0] == 0 || !copyFile(launchContext.modulePath, target, failIfExists)) {
        /* a new file cut short (a full disk) is no saver; one that was
           there stays the user's */
        DWORD error = GetLastError();
        if (failIfExists && error != ERROR_FILE_EXISTS) {
            deleteFile(target);
            SetLastError(error);
        }
        return 0;
    }
    attributes = attributesOf(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        setAttributes(target, attributes & ~FILE_ATTRIBUTE_READONLY);
    return 1;
}

/* 1 when a saver file is in place: copied, or an existing one kept at the
   user's word. */
static int placeSaverFile(HWND dialog)
{
    const WCHAR *target = setupState.saverPath;

    if (copyWritable(target, TRUE))
        return 1;
    if (GetLastError() != ERROR_FILE_EXISTS)
        return 0;
    /* a silent run is an upgrade: the newer saver replaces the older */
    if (!setupState.silent && MessageBoxA(dialog, "File exists !   Overwrite ?", "question",
                                          MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return 1;
    if (copyWritable(target, FALSE))
        return 1;
    reportFailure("ERROR: cant write file", SETUP_EXIT_NO_SAVER);
    setupState.finished = 1;
    return 0;
}

/* The shell's window of the start-menu folder: another program's visible
   top-level window (as enumerated, or in the foreground) whose title is
   the folder's name or, in a shell that shows them, its full path. */
static int isFolderWindow(HWND window)
{
    const WCHAR *path = setupState.folderPath, *name = path;
    WCHAR title[MAX_PATH];
    DWORD process = 0;
    int i;

    if (window == NULL || !IsWindowVisible(window))
        return 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId())
        return 0;
    if (!readWindowText(window, title, MAX_PATH))
        return 0;
    for (i = 0; path[i] != 0; i++)
        if (path[i] == L'\\' && path[i + 1] != 0)
            name = path + i + 1;
    return title[0] != 0 && (sameText(title, name) || sameText(title, path));
}

static BOOL CALLBACK matchFolderWindow(HWND window, LPARAM unused)
{
    (void)unused;
    if (!isFolderWindow(window))
        return TRUE;
    setupState.folderShown = 1;
    return FALSE;
}

/* The success box: the dialog's visible owned window. */
static BOOL CALLBACK matchBox(HWND window, LPARAM found)
{
    if (window == setupState.dialog || !IsWindowVisible(window)
        || GetWindow(window, GW_OWNER) != setupState.dialog)
        return TRUE;
    *(HWND *)found = window;
    return FALSE;
}

/* Looks for the folder's window until it is seen.  The shell may give it,
   or another of its windows, the foreground some time after showing it,
   and a late window comes after the box: for a while after it is seen,
   the box takes back the foreground whenever it has lost it. */
static void CALLBACK lookForFolderWindow(HWND unused, UINT message, UINT_PTR id, DWORD now)
{
    SetupState *s = &setupState;
    HWND box = NULL;

    (void)unused;
    (void)message;
    (void)id;
    if (!s->folderShown) {
        EnumWindows(matchFolderWindow, 0);
        s->folderSeen = now;
    }
    if (!s->folderShown)
        return;
    if (s->boxShown) {
        EnumThreadWindows(GetCurrentThreadId(), matchBox, (LPARAM)&box);
        if (box != NULL && GetForegroundWindow() != box)
            SetForegroundWindow(box);
    }
    if (now - s->folderSeen >= FOLDER_WAIT_MS) {
        KillTimer(NULL, s->folderTimer);
        s->folderTimer = 0;
    }
}

/* Called as the shell is asked to open the start-menu folder. */
void watchForFolderWindow(const WCHAR *folder)
{
    SetupState *s = &setupState;

    if (s->folderTimer != 0)
        KillTimer(NULL, s->folderTimer);
    if (!copyText(s->folderPath, MAX_PATH, folder))
        s->folderPath[0] = 0;
    s->folderShown = 0;
    s->boxShown = 0;
    s->folderAsked = GetTickCount();
    s->folderTimer = SetTimer(NULL, 0, FOLDER_LOOK_MS, lookForFolderWindow);
}

/* Reports success in front of the start-menu folder's window, when one
   is on its way: until it is seen, or for FOLDER_WAIT_MS at most, the
   dialog's messages go on being handled, while the dialog takes no input,
   as behind a box. */
static void reportInstalled(HWND dialog)
{
    SetupState *s = &setupState;
    MSG message;

    EnableWindow(dialog, FALSE);
    while (s->folderTimer != 0 && !s->folderShown
           && GetTickCount() - s->folderAsked < FOLDER_WAIT_MS) {
        if (GetMessageA(&message, NULL, 0, 0) <= 0) {
            PostQuitMessage((int)message.wParam);     /* for the loop that owns it */
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EnableWindow(dialog, TRUE);
    s->boxShown = 1;
    MessageBoxA(dialog, "saver successful installed !", "message", MB_OK | MB_SETFOREGROUND);
    s->boxShown = 0;
    if (s->folderTimer != 0)
        KillTimer(NULL, s->folderTimer);
    s->folderTimer = 0;
}

/* On the NT line the system maps the system.ini line into the user's
   registry, where the wide form is kept whole; an install for one user
   writes there itself, and so leaves the Windows folder alone on any
   system. */
static int selectSaver(void)
{
    HKEY key;
    int stored;

    if (setupState.scope == SCOPE_MACHINE)
        return writeProfileText(L"boot", L"SCRNSAVE.EXE", setupState.saverPath, L"system.ini");
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, NULL, &key, NULL) != ERROR_SUCCESS)
        return 0;
    stored = setPathValue(key, L"SCRNSAVE.EXE", setupState.saverPath);
    RegCloseKey(key);
    return stored;
}

/* Makes the placed file the system's saver, records the install, sets the
   timeout, reports and offers the settings page. */
static void registerSaver(HWND dialog, int removerInPlace)
{
    SetupState *s = &setupState;
    const WCHAR *quote;
    WCHAR program[PATH_ROOM];

    if (!selectSaver())
        reportFailure("ERROR: cant write file", SETUP_EXIT_INCOMPLETE);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_UPDATEINIFILE);

    /* without a remover nothing names one: no uninstall entry, no link; a
       path with blanks is quoted, or its first part would be run */
    quote = wcschr(s->removerPath, L' ') != NULL ? L"\"" : L"";
    if (!removerInPlace || !copyText(s->uninstallCommand, PATH_ROOM, quote)
        || !appendText(s->uninstallCommand, PATH_ROOM, s->removerPath)
        || !appendText(s->uninstallCommand, PATH_ROOM, quote)
        || !appendText(s->uninstallCommand, PATH_ROOM, L" " KELP_RECORD_NAME))
        s->uninstallCommand[0] = 0;
    registerUninstall();
    registerAppPath();
    registerStartMenu();

    formPanelParameters();
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, 0);
    /* stored, or the next log-on would bring back the timeout before */
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, s->minutes * 60, NULL,
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    /* action 0 names no setting: the pair only writes the stored settings
       out and tells every window that they changed */
    SystemParametersInfoA(0, 0, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(0, 0, NULL, SPIF_SENDWININICHANGE);

    if (s->silent)
        return;
    /* in front of the start-menu folder window opened a few steps before */
    reportInstalled(dialog);
    if (!s->startConfig)
        return;
    if (systemFile(L"rundll32.exe", program))
        openWithShell(dialog, program, s->panelParameters, s->installFolder);
}

static void endSetup(HWND dialog)
{
    setupState.finished = 1;
    EndDialog(dialog, 1);
}

/* Before an install, only the user's Yes ends setup. */
static void onCancel(HWND dialog)
{
    if (setupState.finished
        || MessageBoxA(dialog, leaveQuestion, "QUESTION",
                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES)
        endSetup(dialog);
}

/* The install sequence, from the dialog or silent. */
static void install(HWND dialog)
{
    int removerInPlace, removerWasThere;

    setupState.exitCode = SETUP_EXIT_OK;
    makeInstallFolder();
    removerWasThere = attributesOf(setupState.removerPath) != INVALID_FILE_ATTRIBUTES;
    removerInPlace = writeRemover();
    if (placeSaverFile(dialog)) {
        registerSaver(dialog, removerInPlace);
        return;
    }
    reportFailure(NULL, SETUP_EXIT_NO_SAVER);
    takeBackUserInstall(removerWasThere);
    if (!setupState.silent)
        MessageBoxA(dialog, "error: can't create saver file", "ERROR", MB_ICONWARNING);
}

/* Whatever the outcome, one press of SETUP ends the dialog; only a folder
   whose texts do not fit is sent back before anything is written. */
static void onSetup(HWND dialog)
{
    /* what is shown, where the copy goes and what is recorded: all from
       the install folder as it stands now */
    SetupState *s = &setupState;

    formSaverPath();
    setWindowText(GetDlgItem(dialog, IDC_SETUP_SAVERPATH), s->saverPath);
    if (!installFolderFits()) {
        warn(dialog, "ERROR: install path too long !\nPlease choose a shorter one.");
        return;
    }
    if (!isUserFolderAllowed()) {
        warn(dialog, "ERROR: this folder is the machine's !\nPlease choose one of your own.");
        return;
    }
    /* the high word would only flag a buddy text that is no number */
    s->minutes = LOWORD(SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_GETPOS, 0, 0));
    s->startConfig = IsDlgButtonChecked(dialog, IDC_SETUP_STARTCONFIG);
    install(dialog);
    endSetup(dialog);
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onSetup(dialog);
            break;
        case IDCANCEL:
            onCancel(dialog);
            break;
        case IDC_SETUP_BROWSE:
            onBrowse(dialog);
            break;
        }
        break;
    }
    return FALSE;
}

/* The up-down control's class, from the system folder's common controls;
   the library stays loaded while the dialog lives.  Systems older than
   the Ex call register all classes with the plain one. */
static HMODULE startCommonControls(void)
{
    HMODULE library = loadSystemLibrary("comctl32.dll");
    INITCOMMONCONTROLSEX controls;
    decltype(&InitCommonControlsEx) initEx;
    decltype(&InitCommonControls) init;

    if (library == NULL)
        return NULL;
    LOOK_UP(initEx, library, "InitCommonControlsEx");
    LOOK_UP(init, library, "InitCommonControls");
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_UPDOWN_CLASS;
    if (initEx != NULL)
        initEx(&controls);
    else if (init != NULL)
        init();
    return library;
}

/* The machine's install writes the Windows folder and HKEY_LOCAL_MACHINE:
   without the rights for them (declined, or a user who has none) the
   user is offered an install of their own instead of a run of failures.
   0, with the exit code, when setup should end. */
static int chooseScope(const WCHAR **arguments, int *exitCode)
{
    SetupState *s = &setupState;
    WCHAR folder[MAX_PATH];
    DWORD handedOver = 0;
    int rights;

    if (narrowForm())
        s->scope = SCOPE_MACHINE;       /* the 9x line: no per-user folders, nor rights */
    *exitCode = SETUP_EXIT_NO_SAVER;
    if (s->scope == SCOPE_USER && !userInstallFolder(folder))
        return 0;
    if (s->scope == SCOPE_MACHINE) {
        rights = handedOverForRights(arguments, &handedOver);
        *exitCode = rights == RIGHTS_HANDED_OVER ? (int)handedOver : SETUP_EXIT_NO_RIGHTS;
        if (rights == RIGHTS_HANDED_OVER)
            return 0;
        /* no prompt was shown: nothing to offer instead of what was not asked */
        if (rights == RIGHTS_NOT_STARTED) {
            *exitCode = SETUP_EXIT_NOT_STARTED;
            if (!s->silent)
                warn(NULL, "ERROR: can't start setup with administrator rights");
            return 0;
        }
        if (rights == RIGHTS_REFUSED || !canWriteWindowsFolder()) {
            if (s->silent || !userInstallFolder(folder)
                || MessageBoxA(NULL, userQuestion, "question", MB_YESNO | MB_ICONQUESTION) != IDYES)
                return 0;
            s->scope = SCOPE_USER;
        }
    }
    return 1;
}

int runSetup(void)
{
    SetupState *s = &setupState;
    HMODULE commonControls;
    /* the mark of a copy started for rights counts only first on the line;
       the line goes on with it to the rights' decision */
    const WCHAR *line = programArguments(), *switches = line;
    int exitCode;

    takeRightsMark(&switches);
    if (!readSwitches(switches, &exitCode) || !chooseScope(&line, &exitCode))
        return exitCode;
    if (s->silent) {
        formFirstPaths();
        if (!installFolderFits())
            return SETUP_EXIT_NO_SAVER;
        if (!isUserFolderAllowed())
            return SETUP_EXIT_BAD_LINE;
        install(NULL);
        return s->exitCode;
    }
    s->exitCode = SETUP_EXIT_CANCELLED;
    commonControls = startCommonControls();
    if (DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_SETUP), NULL,
                        setupDialogProc, 0) == -1) {
        warn(NULL, "ERROR: can't create dialog");
        s->exitCode = SETUP_EXIT_NOT_STARTED;
    }
    if (commonControls != NULL)
        FreeLibrary(commonControls);
    setupState.finished = 0;
    return s->exitCode;
}
