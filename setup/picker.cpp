/* Install location picker (dialog 137) and its new-folder dialog (141).
   The system's directory-listing list boxes walk the file system through
   the process's current directory; every entry is drawn here, so that
   names show as the file system stores them (long names, stored case)
   rather than as the listing spells them.  Paths are carried wide: the
   ANSI calls hand back a folder whose letters lie beyond the code page
   with '?' in their place, which the listing then takes for a wildcard. */
#include "setup/picker.h"
#include "saver/saver.h"
#include "setup/paths.h"
#include "resource.h"

#include <string.h>

PickerState pickerState;

static const WORD bitmapIds[LOCATION_BITMAPS] = {
    IDB_FILE, IDB_FOLDER, IDB_FOLDERMASK, IDB_CDROM, IDB_CDROMMASK,
    IDB_HARDDISK, IDB_HARDDISKMASK, IDB_DISKETTE, IDB_DISKETTEMASK
};

#define LIST_FILES      (DDL_EXCLUSIVE | DDL_ARCHIVE | DDL_SYSTEM)
#define LIST_FOLDERS    (DDL_EXCLUSIVE | DDL_DIRECTORY)
#define LIST_DRIVES     (DDL_EXCLUSIVE | DDL_DRIVES)

/* Room left of an entry's text for its icon. */
#define ICON_GAP 20

static const char newFolderRefused[] = "ERROR: can't create folder";

/* ---- names and numbers ---- */

/* Groups of three digits from the right with a full stop between them. */
int groupDigits(ULONGLONG count, char *text, int size)
{
    char reversed[24];
    int digits = 0, used = 0, i;

    do {
        reversed[digits++] = (char)('0' + count % 10);
        count /= 10;
    } while (count != 0);
    if (digits + (digits - 1) / 3 + 1 > size) {
        if (size > 0)
            text[0] = 0;
        return 0;
    }
    for (i = digits - 1; i >= 0; i--) {
        text[used++] = reversed[i];
        if (i > 0 && i % 3 == 0)
            text[used++] = '.';
    }
    text[used] = 0;
    return 1;
}

static int appendPiece(WCHAR *buffer, int size, const WCHAR *piece, int length)
{
    int used = lstrlenW(buffer);

    if (used + length + 1 > size)
        return 0;
    memcpy(buffer + used, piece, length * sizeof *piece);
    buffer[used + length] = 0;
    return 1;
}

/* A backslash in UTF-16 is always the one character: no lead byte of a
   double-byte code page can hide it here. */
static const WCHAR *nextWideSeparator(const WCHAR *from)
{
    for (; *from; from++)
        if (*from == '\\')
            return from;
    return NULL;
}

/* The picker's own entry texts are plain ASCII: wide, the same characters. */
static void showFixed(const char *text, WCHAR *shown, int size)
{
    if (!toWide(text, shown, size) && size > 0)
        shown[0] = 0;
}

/* ---- the user's file system ----
   The NT line takes the user's paths whole through the wide calls.  The 9x
   line has only the ANSI ones, and its paths hold nothing its code page
   lacks: they are converted at the call. */

static int findStoredName(const WCHAR *lookup, WCHAR *name, int size)
{
    WIN32_FIND_DATAW wide;
    WIN32_FIND_DATAA narrow;
    char narrowLookup[MAX_PATH];
    HANDLE search;

    if (hasWidePaths()) {
        search = FindFirstFileW(lookup, &wide);
        if (search == INVALID_HANDLE_VALUE)
            return 0;
        FindClose(search);
        if (lstrlenW(wide.cFileName) >= size)
            return 0;
        lstrcpyW(name, wide.cFileName);
        return 1;
    }
    if (!toNarrow(lookup, narrowLookup, sizeof narrowLookup))
        return 0;
    search = FindFirstFileA(narrowLookup, &narrow);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return toWide(narrow.cFileName, name, size);
}

/* The listing rewrites the pattern (MAX_PATH characters) it is given. */
static int listPath(HWND dialog, WCHAR *pattern, int list, int label, UINT kind)
{
    char narrow[MAX_PATH];
    int listed;

    if (hasWidePaths())
        return kind == LIST_DRIVES ? DlgDirListComboBoxW(dialog, pattern, list, label, kind)
                                   : DlgDirListW(dialog, pattern, list, label, kind);
    if (!toNarrow(pattern, narrow, sizeof narrow))
        return 0;
    listed = kind == LIST_DRIVES ? DlgDirListComboBoxA(dialog, narrow, list, label, kind)
                                 : DlgDirListA(dialog, narrow, list, label, kind);
    if (!toWide(narrow, pattern, MAX_PATH))
        pattern[0] = 0;
    return listed;
}

/* The chosen entry as a path (MAX_PATH characters): a folder with its
   backslash, a drive as "c:"; empty when none is chosen. */
static void selectedPath(HWND dialog, int list, WCHAR *path)
{
    char narrow[MAX_PATH] = "";

    path[0] = 0;
    if (hasWidePaths()) {
        if (list == IDC_PICKER_DRIVES)
            DlgDirSelectComboBoxExW(dialog, path, MAX_PATH, list);
        else
            DlgDirSelectExW(dialog, path, MAX_PATH, list);
        return;
    }
    if (list == IDC_PICKER_DRIVES)
        DlgDirSelectComboBoxExA(dialog, narrow, sizeof narrow, list);
    else
        DlgDirSelectExA(dialog, narrow, sizeof narrow, list);
    if (!toWide(narrow, path, MAX_PATH))
        path[0] = 0;
}

static int enterPath(const WCHAR *path)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        return SetCurrentDirectoryW(path);
    return toNarrow(path, narrow, sizeof narrow) && SetCurrentDirectoryA(narrow);
}

static int makeFolder(const WCHAR *path)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        return CreateDirectoryW(path, NULL);
    return toNarrow(path, narrow, sizeof narrow) && CreateDirectoryA(narrow, NULL);
}

/* A drive's label; the root is the program's own "c:\". */
static int volumeLabel(const char *root, WCHAR *label, int size)
{
    WCHAR wideRoot[4];
    char narrow[MAX_PATH];
    DWORD longestName, flags;

    if (hasWidePaths())
        return toWide(root, wideRoot, 4)
            && GetVolumeInformationW(wideRoot, label, size, NULL, &longestName, &flags, NULL, 0);
    return GetVolumeInformationA(root, narrow, sizeof narrow, NULL, &longestName, &flags, NULL, 0)
        && toWide(narrow, label, size);
}

typedef BOOL (WINAPI *FreeSpaceCall)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

/* Free bytes of the current drive.  The Ex call is looked up, not
   imported: Windows 95 before OSR2 lacks it, and a missing import would
   keep the program from loading at all.  Without it, clusters times
   sectors times bytes in 64 bits: in 32 a drive with 4 GiB or more free
   would show a wrapped count. */
static int currentFreeBytes(ULONGLONG *count)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FreeSpaceCall freeSpaceEx = NULL;
    ULARGE_INTEGER available, total, free;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;

    if (hasWidePaths() && kernel != NULL)
        freeSpaceEx = (FreeSpaceCall)(void *)GetProcAddress(kernel, "GetDiskFreeSpaceExW");
    if (freeSpaceEx != NULL && freeSpaceEx(NULL, &available, &total, &free)) {
        *count = free.QuadPart;
        return 1;
    }
    if (!GetDiskFreeSpaceA(NULL, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    *count = (ULONGLONG)freeClusters * sectorsPerCluster * bytesPerSector;
    return 1;
}

/* The system's controls keep wide text whole, in this ANSI dialog too. */
static void itemPath(HWND dialog, int id, WCHAR *text, int size)
{
    char narrow[MAX_PATH] = "";

    text[0] = 0;
    if (hasWidePaths())
        SendDlgItemMessageW(dialog, id, WM_GETTEXT, size, (LPARAM)text);
    else if (SendDlgItemMessageA(dialog, id, WM_GETTEXT, size < MAX_PATH ? size : MAX_PATH,
                                 (LPARAM)narrow) > 0 && !toWide(narrow, text, size))
        text[0] = 0;
}

static void setItemPath(HWND dialog, int id, const WCHAR *text)
{
    char narrow[MAX_PATH];

    if (hasWidePaths())
        SetDlgItemTextW(dialog, id, text);
    else if (toNarrow(text, narrow, sizeof narrow))
        SetDlgItemTextA(dialog, id, narrow);
}

/* An entry of a list or of the drive box (MAX_PATH characters) as the
   listing wrote it; empty when it would not fit. */
static void listedEntry(HWND list, UINT index, int combo, WCHAR *text)
{
    UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    char narrow[MAX_PATH];
    LRESULT length;

    text[0] = 0;
    if (hasWidePaths()) {
        length = SendMessageW(list, lengthMessage, index, 0);
        if (length >= 0 && length < MAX_PATH)
            SendMessageW(list, textMessage, index, (LPARAM)text);
        return;
    }
    length = SendMessageA(list, lengthMessage, index, 0);
    if (length >= 0 && length < MAX_PATH
        && SendMessageA(list, textMessage, index, (LPARAM)narrow) >= 0
        && !toWide(narrow, text, MAX_PATH))
        text[0] = 0;
}

/* ---- names as stored ---- */

/* The listing writes the current folder in lower case, and a folder
   entered by its short name stays short; the lookups use the path's own
   letters, so only the spelling of each component changes.  A result that
   would not fit leaves the path as it was. */
int resolvePathNames(WCHAR *path, int size)
{
    WCHAR result[MAX_PATH], lookup[MAX_PATH], stored[MAX_PATH];
    const WCHAR *piece = nextWideSeparator(path), *end;
    int length;

    if (piece == NULL)
        return 1;
    result[0] = lookup[0] = 0;
    length = (int)(piece - path) + 1;
    if (!appendPiece(result, MAX_PATH, path, length) || !appendPiece(lookup, MAX_PATH, path, length))
        return 0;
    for (piece++; *piece; piece = end + 1) {
        end = nextWideSeparator(piece);
        length = end != NULL ? (int)(end - piece) : lstrlenW(piece);
        if (!appendPiece(lookup, MAX_PATH, piece, length))
            return 0;
        if (findStoredName(lookup, stored, MAX_PATH) && !appendWide(result, MAX_PATH, stored))
            return 0;
        if (end == NULL)
            break;
        if (!appendPiece(result, MAX_PATH, end, 1) || !appendPiece(lookup, MAX_PATH, end, 1))
            return 0;
    }
    if (lstrlenW(result) >= size)
        return 0;
    lstrcpyW(path, result);
    return 1;
}

/* The text an entry is drawn with: the stored name of what the listing
   found in the current folder.  The folder list brackets its names; its
   parent entry is drawn as it is, without a lookup. */
int entryName(const WCHAR *listed, int bracketed, WCHAR *shown, int size)
{
    WCHAR name[MAX_PATH];
    int length = lstrlenW(listed);

    name[0] = 0;
    if (!bracketed)
        lstrcpynW(name, listed, MAX_PATH);
    else if (length >= 2 && length - 2 < MAX_PATH)
        lstrcpynW(name, listed + 1, length - 1);    /* the name between the brackets */
    if (bracketed && lstrcmpW(name, L"..") == 0) {
        showFixed("[..]", shown, size);
        return 1;
    }
    if (name[0] == 0 || !findStoredName(name, shown, size)) {
        showFixed("can't read file", shown, size);
        return 0;
    }
    return 1;
}

/* ---- bitmaps ---- */

static void loadLocationBitmaps(void)
{
    int i;

    freeLocationBitmaps();      /* an opening that never closed keeps none behind */
    for (i = 0; i < LOCATION_BITMAPS; i++)
        pickerState.bitmaps[i] = LoadBitmapA(launchContext.instance,
                                             MAKEINTRESOURCEA(bitmapIds[i]));
}

void freeLocationBitmaps(void)
{
    int i;

    for (i = 0; i < LOCATION_BITMAPS; i++) {
        if (pickerState.bitmaps[i] != NULL)
            DeleteObject(pickerState.bitmaps[i]);
        pickerState.bitmaps[i] = NULL;
    }
}

/* ---- drawing ---- */

static int iconColumn(void)
{
    return LOWORD(GetDialogBaseUnits()) / 4;
}

/* A masked icon: the mask cuts the shape out, the image (black around it)
   is laid into the hole.  Without a mask the image is copied whole. */
static void drawIcon(HDC dc, const RECT *item, int image, int mask, int width, int height)
{
    HBITMAP picture = pickerState.bitmaps[image];
    HBITMAP shape = mask >= 0 ? pickerState.bitmaps[mask] : NULL;
    int x = iconColumn(), y = item->top + (item->bottom - item->top - height) / 2;
    COLORREF oldText, oldBack;
    HGDIOBJ oldBitmap;
    HDC source;

    if (picture == NULL || (mask >= 0 && shape == NULL))
        return;
    source = CreateCompatibleDC(dc);
    if (source == NULL)
        return;
    if (shape != NULL) {
        /* A monochrome source takes the target's text and background
           colours: black and white keep the mask a mask. */
        oldText = SetTextColor(dc, RGB(0, 0, 0));
        oldBack = SetBkColor(dc, RGB(255, 255, 255));
        oldBitmap = SelectObject(source, shape);
        BitBlt(dc, x, y, width, height, source, 0, 0, SRCAND);
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBack);
        SelectObject(source, picture);
        BitBlt(dc, x, y, width, height, source, 0, 0, SRCPAINT);
    } else {
        oldBitmap = SelectObject(source, picture);
        BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    }
    SelectObject(source, oldBitmap);
    DeleteDC(source);
}

/* ExtTextOutW is one of the few wide calls Windows 95 has as well. */
static void drawEntryText(const DRAWITEMSTRUCT *item, const RECT *area, const WCHAR *text,
                          int selectionColours)
{
    int selected = (item->itemState & ODS_SELECTED) != 0;
    COLORREF oldText = 0, oldBack = 0;
    TEXTMETRICA metrics;

    GetTextMetricsA(item->hDC, &metrics);
    if (selectionColours) {
        oldText = SetTextColor(item->hDC,
                               GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        oldBack = SetBkColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    }
    ExtTextOutW(item->hDC, iconColumn() + ICON_GAP,
                (item->rcItem.top + item->rcItem.bottom - metrics.tmHeight) / 2,
                ETO_CLIPPED | ETO_OPAQUE, area, text, lstrlenW(text), NULL);
    if (selectionColours) {
        SetTextColor(item->hDC, oldText);
        SetBkColor(item->hDC, oldBack);
    }
}

/* The icon column is left unfilled: only the text shows the selection,
   and the file list shows none. */
static void drawListEntry(const DRAWITEMSTRUCT *item)
{
    int folders = item->CtlID == IDC_PICKER_FOLDERS;
    WCHAR listed[MAX_PATH], shown[MAX_PATH];
    RECT area = item->rcItem;

    listedEntry(item->hwndItem, item->itemID, 0, listed);
    entryName(listed, folders, shown, MAX_PATH);
    area.left += ICON_GAP;
    drawEntryText(item, &area, shown, folders);
    if (folders)
        drawIcon(item->hDC, &item->rcItem, BITMAP_FOLDER, BITMAP_FOLDERMASK, 17, 15);
    else
        drawIcon(item->hDC, &item->rcItem, BITMAP_FILE, -1, 13, 13);
}

static void drawDriveEntry(const DRAWITEMSTRUCT *item)
{
    WCHAR listed[MAX_PATH], label[MAX_PATH], shown[MAX_PATH + 8];
    char root[4] = "?:\\", letter[2] = "?";
    UINT type;

    listedEntry(item->hwndItem, item->itemID, 1, listed);
    /* "[-c-]": a drive's letter is plain ASCII */
    if (lstrlenW(listed) < 3 || listed[2] >= 0x80)
        return;
    root[0] = letter[0] = (char)listed[2];
    type = GetDriveTypeA(root);
    label[0] = 0;
    /* A removable drive would be asked for its disk at every paint. */
    if (type != DRIVE_UNKNOWN && type != DRIVE_REMOVABLE && !volumeLabel(root, label, MAX_PATH))
        label[0] = 0;
    shown[0] = 0;
    appendNarrow(shown, MAX_PATH + 8, "[-");
    appendNarrow(shown, MAX_PATH + 8, letter);
    appendNarrow(shown, MAX_PATH + 8, "-]  ");
    appendWide(shown, MAX_PATH + 8, label);
    drawEntryText(item, &item->rcItem, shown, 1);
    if (type == DRIVE_FIXED)
        drawIcon(item->hDC, &item->rcItem, BITMAP_HARDDISK, BITMAP_HARDDISKMASK, 18, 17);
    else if (type == DRIVE_CDROM)
        drawIcon(item->hDC, &item->rcItem, BITMAP_CDROM, BITMAP_CDROMMASK, 18, 17);
    else
        drawIcon(item->hDC, &item->rcItem, BITMAP_DISKETTE, BITMAP_DISKETTEMASK, 18, 17);
    if (item->itemState & ODS_FOCUS)
        DrawFocusRect(item->hDC, &item->rcItem);
}

static void onDrawItem(WPARAM control, const DRAWITEMSTRUCT *item)
{
    if (item->itemID == (UINT)-1)
        return;
    if (control == IDC_PICKER_FILES || control == IDC_PICKER_FOLDERS)
        drawListEntry(item);
    else if (control == IDC_PICKER_DRIVES)
        drawDriveEntry(item);
}

/* ---- moving about ---- */

static void refreshPathLabel(HWND dialog)
{
    WCHAR path[MAX_PATH];

    itemPath(dialog, IDC_PICKER_PATH, path, MAX_PATH);
    resolvePathNames(path, MAX_PATH);
    setItemPath(dialog, IDC_PICKER_PATH, path);
}

/* The file listing enters the folder and leaves only the wildcard in the
   text, from which the folder list then lists the same folder. */
static void listFolder(HWND dialog, WCHAR *pattern)
{
    listPath(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    listPath(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
    refreshPathLabel(dialog);
}

static void showFreeSpace(HWND dialog)
{
    char digits[32], label[64] = "free: ";
    ULONGLONG count;

    if (currentFreeBytes(&count) && groupDigits(count, digits, sizeof digits)
        && appendText(label, sizeof label, digits) && appendText(label, sizeof label, " bytes"))
        SetDlgItemTextA(dialog, IDC_PICKER_FREE, label);
}

/* With no drive selected (an install folder on a drive the box does not
   list) there is nothing to enter, as with a drive that cannot be. */
static void onDriveChange(HWND dialog)
{
    HWND drives = GetDlgItem(dialog, IDC_PICKER_DRIVES);
    WCHAR drive[MAX_PATH];

    selectedPath(dialog, IDC_PICKER_DRIVES, drive);
    if (drive[0] == 0 || !enterPath(drive)) {
        SendMessageA(drives, CB_SETCURSEL, pickerState.lastGoodDrive, 0);
        MessageBoxA(dialog, "error accessing drive!", "message", MB_ICONWARNING);
        return;
    }
    pickerState.lastGoodDrive = (int)SendMessageA(drives, CB_GETCURSEL, 0, 0);
    showFreeSpace(dialog);
    selectedPath(dialog, IDC_PICKER_DRIVES, drive);
    listFolder(dialog, drive);
}

static void onEnterFolder(HWND dialog)
{
    WCHAR pattern[MAX_PATH];

    selectedPath(dialog, IDC_PICKER_FOLDERS, pattern);
    listFolder(dialog, pattern);
}

/* The listing functions rewrite the text they are given: each gets its
   own copy of the install folder. */
static void onPickerInit(HWND dialog)
{
    HWND drives = GetDlgItem(dialog, IDC_PICKER_DRIVES);
    const WCHAR *folder = setupState.installFolder;
    WCHAR pattern[MAX_PATH];
    char drive[4] = "[-";
    int index = CB_ERR;

    loadLocationBitmaps();
    centerWindow(dialog);
    lstrcpynW(pattern, folder, MAX_PATH);
    listPath(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    lstrcpynW(pattern, folder, MAX_PATH);
    listPath(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
    lstrcpynW(pattern, folder, MAX_PATH);
    listPath(dialog, pattern, IDC_PICKER_DRIVES, 0, LIST_DRIVES);

    /* "[-" alone would find the first drive of all; a drive's letter is
       plain ASCII, whatever the folder's name holds. */
    if (folder[0] != 0 && folder[0] < 0x80) {
        drive[2] = (char)folder[0];
        index = (int)SendMessageA(drives, CB_FINDSTRING, (WPARAM)-1, (LPARAM)drive);
    }
    pickerState.lastGoodDrive = index;
    SendMessageA(drives, CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PICKER_DRIVES, CBN_SELCHANGE), (LPARAM)drives);
}

/* The new folder is entered at once, as a double click would: both lists
   and the label show it.  A name that does not fit the path whole is
   refused rather than cut into some other folder's name. */
static void onNewFolder(HWND dialog)
{
    INT_PTR result = DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_NEWFOLDER),
                                     dialog, newFolderDialogProc, 0);
    WCHAR path[MAX_PATH], pattern[MAX_PATH];
    int used;

    if (result < 0)
        MessageBoxA(dialog, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    else if (result == 0)
        return;
    itemPath(dialog, IDC_PICKER_PATH, path, MAX_PATH);
    used = lstrlenW(path);
    if (!((used > 0 && path[used - 1] == '\\') || appendNarrow(path, MAX_PATH, "\\"))
        || !appendWide(path, MAX_PATH, pickerState.folderName)) {
        MessageBoxA(dialog, newFolderRefused, "message", MB_ICONWARNING);
        return;
    }
    if (!makeFolder(path)) {
        MessageBoxA(dialog, GetLastError() == ERROR_ALREADY_EXISTS ? "Folder already exists"
                    : newFolderRefused, "message", MB_ICONWARNING);
        return;
    }
    lstrcpyW(pattern, path);
    listFolder(dialog, pattern);
}

static void onPickerOk(HWND dialog)
{
    itemPath(dialog, IDC_PICKER_PATH, setupState.installFolder, MAX_PATH);
    EndDialog(dialog, 1);
    freeLocationBitmaps();
}

INT_PTR CALLBACK locationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onPickerInit(dialog);
        break;
    case WM_DRAWITEM:
        onDrawItem(wParam, (const DRAWITEMSTRUCT *)lParam);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onPickerOk(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            freeLocationBitmaps();
            break;
        case IDC_PICKER_DRIVES:
            if (HIWORD(wParam) == CBN_SELCHANGE)
                onDriveChange(dialog);
            break;
        case IDC_PICKER_FOLDERS:
            if (HIWORD(wParam) == LBN_DBLCLK)
                onEnterFolder(dialog);
            break;
        case IDC_PICKER_NEWFOLDER:
            onNewFolder(dialog);
            break;
        }
        break;
    }
    return FALSE;
}

/* ---- new folder ---- */

static void onNewFolderOk(HWND dialog)
{
    itemPath(dialog, IDC_NEWFOLDER_NAME, pickerState.folderName, FOLDER_NAME_TAKEN);
    if (pickerState.folderName[0] != 0)
        EndDialog(dialog, 1);
    else
        MessageBoxA(dialog, "please enter a name for the new Folder\nor press cancel", "message",
                    MB_ICONWARNING);
}

INT_PTR CALLBACK newFolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDC_NEWFOLDER_NAME));
        pickerState.folderName[0] = 0;
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onNewFolderOk(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        }
        break;
    }
    return FALSE;
}
