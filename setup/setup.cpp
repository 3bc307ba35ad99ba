/* Setup dialog and install sequence: run under any name but a saver's, the
   program copies itself into place as the system's screen saver. */
#include "setup/setup.h"
#include "setup/rights.h"
#include "setup/paths.h"
#include "common/syslib.h"
#include "saver/saver.h"
#include "settings/settings.h"
#include "resource.h"

#include <commctrl.h>
#include <shellapi.h>
#include <string.h>

SetupState setupState;

static const char leaveQuestion[] =
    "You have not finished the installation yet !\nReally exit ?\n\n"
    "To install select NO and push the SETUP button!";

#define TIMEOUT_LOWEST 1
#define TIMEOUT_HIGHEST 100
#define TIMEOUT_START 3

/* Appends one piece to a fixed buffer; 0, and the buffer as it was, when
   the piece does not fit. */
int appendText(char *buffer, int size, const char *piece)
{
    int used = lstrlenA(buffer);
    int length = lstrlenA(piece);

    if (used + length + 1 > size)
        return 0;
    memcpy(buffer + used, piece, length + 1);
    return 1;
}

/* A drive root keeps its one backslash.  A path that cannot be formed
   whole is left empty, never cut. */
int formSaverPath(void)
{
    SetupState *s = &setupState;
    int length = lstrlenW(s->installFolder);

    s->saverPath[0] = 0;
    if (appendWide(s->saverPath, SETUP_TEXT_MAX, s->installFolder)
        && ((length > 0 && s->installFolder[length - 1] == L'\\')
            || appendNarrow(s->saverPath, SETUP_TEXT_MAX, "\\"))
        && appendNarrow(s->saverPath, SETUP_TEXT_MAX, SETUP_SAVER_FILE))
        return 1;
    s->saverPath[0] = 0;
    return 0;
}

int formPanelParameters(void)
{
    setupState.panelParameters[0] = 0;
    return appendNarrow(setupState.panelParameters, SETUP_TEXT_MAX, SETUP_PANEL_PREFIX)
        && appendWide(setupState.panelParameters, SETUP_TEXT_MAX, setupState.saverPath);
}

/* The file system and the links take no path of MAX_PATH characters or
   more, and a copy that cannot be made must not leave half an install. */
static int installTextsFit(void)
{
    int length = lstrlenW(setupState.saverPath);
    return length > 0 && length < MAX_PATH && formPanelParameters();
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

/* The 9x line has the ANSI calls only, and its paths hold nothing the code
   page lacks: there the wide path is converted at the call. */
static void showSaverPath(HWND dialog)
{
    char narrow[SETUP_TEXT_MAX];

    if (hasWidePaths())
        SetDlgItemTextW(dialog, IDC_SETUP_SAVERPATH, setupState.saverPath);
    else if (toNarrow(setupState.saverPath, narrow, sizeof narrow))
        SetDlgItemTextA(dialog, IDC_SETUP_SAVERPATH, narrow);
}

static void readWindowsFolder(WCHAR *folder)
{
    char narrow[MAX_PATH];
    UINT length;

    if (hasWidePaths()) {
        length = GetWindowsDirectoryW(folder, MAX_PATH);
    } else {
        length = GetWindowsDirectoryA(narrow, MAX_PATH);
        if (length > 0 && length < MAX_PATH && !toWide(narrow, folder, MAX_PATH))
            length = 0;
    }
    if (length == 0 || length >= MAX_PATH)
        lstrcpynW(folder, L"c:", MAX_PATH);
}

static void onInitDialog(HWND dialog)
{
    SetupState *s = &setupState;
    WCHAR windowsFolder[MAX_PATH];

    readWindowsFolder(windowsFolder);
    s->dialog = dialog;
    lstrcpynW(s->installFolder, windowsFolder, MAX_PATH);

    /* The remover stays in the Windows directory wherever the saver goes. */
    s->saverPath[0] = 0;
    appendWide(s->saverPath, SETUP_TEXT_MAX, windowsFolder);
    appendNarrow(s->saverPath, SETUP_TEXT_MAX, "\\" SETUP_SAVER_FILE);
    s->removerPath[0] = 0;
    appendWide(s->removerPath, SETUP_TEXT_MAX, windowsFolder);
    appendNarrow(s->removerPath, SETUP_TEXT_MAX, "\\" SETUP_REMOVER_FILE);

    showSaverPath(dialog);
    CheckDlgButton(dialog, IDC_SETUP_STARTCONFIG, BST_CHECKED);
    SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_SETRANGE, 0,
                        MAKELONG(TIMEOUT_HIGHEST, TIMEOUT_LOWEST));
    SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_SETPOS, 0, TIMEOUT_START);
    centerWindow(dialog);
}

static void onBrowse(HWND dialog)
{
    INT_PTR result = DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_PICKER),
                                     dialog, locationDialogProc, 0);
    if (result < 0)
        MessageBoxA(dialog, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    else if (result == 0)
        return;
    formSaverPath();
    showSaverPath(dialog);
}

static HANDLE createNewFile(const WCHAR *path)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        return CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, NULL);
    if (!toNarrow(path, narrow, sizeof narrow))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(narrow, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, NULL);
}

static void deleteFile(const WCHAR *path)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        DeleteFileW(path);
    else if (toNarrow(path, narrow, sizeof narrow))
        DeleteFileA(narrow);
}

/* An old remover is replaced without asking.  1 when the remover is in
   place whole; a file that could not be written whole (a full disk) is
   taken away again and reported, as a cut remover would fail the user
   only later, when the removal is wanted.  Without the image the install
   goes on without one. */
static int writeRemover(HWND dialog)
{
    HINSTANCE instance = launchContext.instance;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_REMOVER), MAKEINTRESOURCEA(10));
    DWORD size, written = 0;
    HGLOBAL loaded;
    const void *image;
    HANDLE file;
    int whole;

    if (found == NULL)
        return 0;
    size = SizeofResource(instance, found);
    loaded = LoadResource(instance, found);
    image = loaded != NULL ? LockResource(loaded) : NULL;
    if (size == 0 || image == NULL)
        return 0;
    file = createNewFile(setupState.removerPath);
    whole = file != INVALID_HANDLE_VALUE && WriteFile(file, image, size, &written, NULL)
        && written == size;
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file))
        whole = 0;
    if (whole)
        return 1;
    if (file != INVALID_HANDLE_VALUE)
        deleteFile(setupState.removerPath);
    MessageBoxA(dialog, "ERROR: cant write file", "message", MB_ICONWARNING);
    return 0;
}

/* The copy of a setup run from a read-only medium (a CD) would be
   read-only too, and the remover could not delete it.  The copy is made
   from the program's own path as the system knows it, whatever its
   letters. */
static int copyWritable(const WCHAR *target, BOOL failIfExists)
{
    char narrow[MAX_PATH];
    int wide = hasWidePaths();
    DWORD attributes;

    if (wide ? launchContext.wideModulePath[0] == 0
               || !CopyFileW(launchContext.wideModulePath, target, failIfExists)
             : !toNarrow(target, narrow, sizeof narrow)
               || !CopyFileA(launchContext.modulePath, narrow, failIfExists)) {
        /* a new file cut short (a full disk) is no saver; one that was
           there stays the user's */
        DWORD error = GetLastError();
        if (failIfExists && error != ERROR_FILE_EXISTS) {
            deleteFile(target);
            SetLastError(error);
        }
        return 0;
    }
    attributes = wide ? GetFileAttributesW(target) : GetFileAttributesA(narrow);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        attributes &= ~FILE_ATTRIBUTE_READONLY;
        if (wide)
            SetFileAttributesW(target, attributes);
        else
            SetFileAttributesA(narrow, attributes);
    }
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
    if (MessageBoxA(dialog, "File exists !   Overwrite ?", "question",
                    MB_YESNO | MB_ICONINFORMATION) != IDYES)
        return 1;
    if (copyWritable(target, FALSE))
        return 1;
    MessageBoxA(dialog, "ERROR: cant write file", "message", MB_ICONWARNING);
    setupState.finished = 1;
    return 0;
}

/* Makes the placed file the system's saver, records the install, sets the
   timeout, reports and offers the settings page. */
static void registerSaver(HWND dialog, int removerInPlace)
{
    SetupState *s = &setupState;
    char narrow[SETUP_TEXT_MAX], folder[MAX_PATH];
    int wide = hasWidePaths();
    LRESULT position;

    /* On the NT line the system maps this line into the user's registry,
       where the wide form is kept whole. */
    if (!(wide ? WritePrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", s->saverPath, L"system.ini")
               : toNarrow(s->saverPath, narrow, sizeof narrow)
                 && WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", narrow, "system.ini")))
        MessageBoxA(dialog, "ERROR: cant write file", "message", MB_ICONWARNING);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, SPIF_UPDATEINIFILE);

    /* without a remover nothing names one: no uninstall entry, no link */
    s->uninstallCommand[0] = 0;
    if (removerInPlace && !(appendWide(s->uninstallCommand, SETUP_TEXT_MAX, s->removerPath)
                            && appendNarrow(s->uninstallCommand, SETUP_TEXT_MAX, " " KELP_RECORD_NAME)))
        s->uninstallCommand[0] = 0;
    registerUninstall();
    registerAppPath();
    registerStartMenu();

    formPanelParameters();
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, NULL, 0);
    /* The high word would only flag a buddy text that is no number. */
    position = SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_GETPOS, 0, 0);
    /* stored, or the next log-on would bring back the timeout before */
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, LOWORD(position) * 60, NULL,
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    /* action 0 names no setting; the pair is kept, as users and their tools know it */
    SystemParametersInfoA(0, 0, NULL, SPIF_UPDATEINIFILE);
    SystemParametersInfoA(0, 0, NULL, SPIF_SENDWININICHANGE);

    /* in front of the start-menu folder window opened a few steps before */
    MessageBoxA(dialog, "saver successful installed !", "message", MB_OK | MB_SETFOREGROUND);
    if (!IsDlgButtonChecked(dialog, IDC_SETUP_STARTCONFIG))
        return;
    if (wide)
        ShellExecuteW(dialog, NULL, L"rundll32.exe", s->panelParameters, s->installFolder,
                      SW_SHOWNORMAL);
    else if (toNarrow(s->panelParameters, narrow, sizeof narrow)
             && toNarrow(s->installFolder, folder, sizeof folder))
        ShellExecuteA(dialog, NULL, "rundll32.exe", narrow, folder, SW_SHOWNORMAL);
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

/* Whatever the outcome, one press of SETUP ends the dialog; only a folder
   whose texts do not fit is sent back before anything is written. */
static void onSetup(HWND dialog)
{
    int removerInPlace;

    /* what is shown, where the copy goes and what is recorded: all from
       the install folder as it stands now */
    formSaverPath();
    showSaverPath(dialog);
    if (!installTextsFit()) {
        MessageBoxA(dialog, "ERROR: install path too long !\nPlease choose a shorter one.",
                    "message", MB_ICONWARNING);
        return;
    }
    removerInPlace = writeRemover(dialog);
    if (placeSaverFile(dialog))
        registerSaver(dialog, removerInPlace);
    else
        MessageBoxA(dialog, "error: can't create saver file", "ERROR", MB_ICONWARNING);
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
    typedef BOOL (WINAPI *InitExCall)(const INITCOMMONCONTROLSEX *);
    typedef void (WINAPI *InitCall)(void);
    HMODULE library = loadSystemLibrary("comctl32.dll");
    INITCOMMONCONTROLSEX controls;
    InitExCall initEx;
    InitCall init;

    if (library == NULL)
        return NULL;
    initEx = (InitExCall)(void *)GetProcAddress(library, "InitCommonControlsEx");
    init = (InitCall)(void *)GetProcAddress(library, "InitCommonControls");
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_UPDOWN_CLASS;
    if (initEx != NULL)
        initEx(&controls);
    else if (init != NULL)
        init();
    return library;
}

void runSetup(void)
{
    HMODULE commonControls;

    if (handedOverForRights(""))
        return;
    commonControls = startCommonControls();
    if (DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_SETUP), NULL,
                        setupDialogProc, 0) == -1)
        MessageBoxA(NULL, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    if (commonControls != NULL)
        FreeLibrary(commonControls);
    setupState.finished = 0;
}
