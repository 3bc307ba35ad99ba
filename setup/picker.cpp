/* Install location picker (dialog 137) and its new-folder dialog (141).
   The system's directory-listing list boxes walk the file system through
   the process's current directory; every entry is drawn here, so that
   names show as the file system stores them (long names, stored case)
   rather than as the listing spells them.  Paths are carried wide: the
   ANSI calls hand back a folder whose letters lie beyond the code page
   with '?' in their place, which the listing then takes for a wildcard. */
#include "setup/picker.h"
#include "common/launch.h"
#include "common/files.h"
#include "resource.h"

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

/* A backslash in UTF-16 is always the one character: no lead byte of a
   double-byte code page can hide it here. */
static const WCHAR *nextWideSeparator(const WCHAR *from)
{
    for (; *from; from++)
        if (*from == '\\')
            return from;
    return NULL;
}

static int findStoredName(const WCHAR *lookup, WCHAR *name, int size)
{
    HANDLE search = INVALID_HANDLE_VALUE;
    int found = findName(&search, lookup, name, size);

    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return found;
}

/* The chosen row as a path (MAX_PATH characters): a folder's name with its
   backslash ("..\\" for the parent), a drive as "c:"; empty, and 0, when
   none is chosen or the folder's name would not lead to it.  Each list
   holds one kind of row, so the row is taken for what its list holds,
   whatever its name looks like: the listing writes a folder "-z-" as
   "[-z-]", just as it writes drive z:. */
static int selectedPath(HWND dialog, int list, WCHAR *path)
{
    int combo = list == IDC_PICKER_DRIVES;
    HWND control = GetDlgItem(dialog, list);
    int index = (int)SendMessageA(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    WCHAR row[MAX_PATH], stored[MAX_PATH];
    int length;

    path[0] = 0;
    if (index < 0 || !rowText(control, index, combo, row, MAX_PATH)
        || (length = textLength(row)) < 3 || row[0] != '[' || row[length - 1] != ']')
        return 0;
    if (combo) {
        path[0] = row[2];   /* "[-c-]" */
        path[1] = ':';
        path[2] = 0;
        return 1;
    }
    if (!entryName(row, 1, stored, MAX_PATH))
        return 0;
    row[length - 1] = 0;
    if (copyText(path, MAX_PATH, row + 1) && appendText(path, MAX_PATH, L"\\"))
        return 1;
    path[0] = 0;
    return 0;
}

/* Free bytes of the current drive.  The Ex call is looked up, not
   imported: Windows 95 before OSR2 lacks it, and a missing import would
   keep the program from loading at all.  Without it, clusters times
   sectors times bytes in 64 bits: in 32 a drive with 4 GiB or more free
   would show a wrapped count. */
static int currentFreeBytes(ULONGLONG *count)
{
    decltype(&GetDiskFreeSpaceExA) freeSpaceEx;
    ULARGE_INTEGER available, total, free;
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;

    if (LOOK_UP(freeSpaceEx, GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA") != NULL
        && freeSpaceEx(NULL, &available, &total, &free)) {
        *count = free.QuadPart;
        return 1;
    }
    if (!GetDiskFreeSpaceA(NULL, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    *count = (ULONGLONG)freeClusters * sectorsPerCluster * bytesPerSector;
    return 1;
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
    int cut;

    if (piece == NULL)
        return 1;
    if (!copyText(lookup, MAX_PATH, path) || !copyText(result, MAX_PATH, path))
        return 0;
    result[piece - path + 1] = 0;       /* the drive part, such as "c:\\" */
    for (piece++; *piece; piece = end + 1) {
        end = nextWideSeparator(piece);
        cut = end != NULL ? (int)(end - path) : textLength(path);
        lookup[cut] = 0;                /* the path up to this component */
        if (findStoredName(lookup, stored, MAX_PATH) && !appendText(result, MAX_PATH, stored))
            return 0;
        if (end == NULL)
            break;
        lookup[cut] = '\\';
        if (!appendText(result, MAX_PATH, L"\\"))
            return 0;
    }
    return copyText(path, size, result);
}

/* Whether a lookup by this name finds the entry itself: a name ending in
   a blank or a dot is looked up without them, and '?' (the 9x listing's
   stand-in for a letter beyond the code page) or '*' as a wildcard; each
   may lead to another entry. */
static int namesItself(const WCHAR *name)
{
    int length = textLength(name);

    if (length == 0 || name[length - 1] == ' ' || name[length - 1] == '.')
        return 0;
    for (; *name; name++)
        if (*name == '?' || *name == '*')
            return 0;
    return 1;
}

/* The text an entry is drawn with: the stored name of what the listing
   found in the current folder.  The folder list brackets its names; its
   parent entry is drawn as it is, without a lookup. */
int entryName(const WCHAR *listed, int bracketed, WCHAR *shown, int size)
{
    WCHAR name[MAX_PATH];
    int length = textLength(listed);

    name[0] = 0;
    if (!bracketed)
        copyText(name, MAX_PATH, listed);
    else if (length >= 2 && copyText(name, MAX_PATH, listed + 1))
        name[length - 2] = 0;       /* the name between the brackets */
    if (bracketed && sameText(name, L".."))
        return copyText(shown, size, L"[..]");
    if (!namesItself(name) || !findStoredName(name, shown, size)) {
        copyText(shown, size, L"can't read file");
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
                ETO_CLIPPED | ETO_OPAQUE, area, text, textLength(text), NULL);
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

    rowText(item->hwndItem, item->itemID, 0, listed, MAX_PATH);
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
    WCHAR root[4] = L"?:\\";
    UINT type;

    /* "[-c-]": a drive's letter is plain ASCII */
    if (!rowText(item->hwndItem, item->itemID, 1, listed, MAX_PATH) || textLength(listed) < 3
        || listed[2] >= 0x80)
        return;
    root[0] = listed[2];
    type = driveType(root);
    label[0] = 0;
    /* A removable drive would be asked for its disk at every paint. */
    if (type != DRIVE_UNKNOWN && type != DRIVE_REMOVABLE && !volumeLabel(root, label, MAX_PATH))
        label[0] = 0;
    copyText(shown, MAX_PATH + 8, L"[-?-]  ");
    shown[2] = listed[2];
    appendText(shown, MAX_PATH + 8, label);
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

    readItemText(dialog, IDC_PICKER_PATH, path, MAX_PATH);
    resolvePathNames(path, MAX_PATH);
    setWindowText(GetDlgItem(dialog, IDC_PICKER_PATH), path);
}

/* The file listing enters the folder and leaves only the wildcard in the
   text, from which the folder list then lists the same folder. */
static void listFolder(HWND dialog, WCHAR *pattern)
{
    listDirectory(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    listDirectory(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
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
    if (drive[0] == 0 || !enterFolder(drive)) {
        SendMessageA(drives, CB_SETCURSEL, pickerState.lastGoodDrive, 0);
        warn(dialog, "error accessing drive!");
        return;
    }
    pickerState.lastGoodDrive = (int)SendMessageA(drives, CB_GETCURSEL, 0, 0);
    showFreeSpace(dialog);
    selectedPath(dialog, IDC_PICKER_DRIVES, drive);
    listFolder(dialog, drive);
}

/* With no row, or one whose name leads elsewhere, everything stays as it was. */
static void onEnterFolder(HWND dialog)
{
    WCHAR pattern[MAX_PATH];

    if (selectedPath(dialog, IDC_PICKER_FOLDERS, pattern))
        listFolder(dialog, pattern);
    else
        warn(dialog, "can't enter this folder:\nWindows cannot look up its name");
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
    copyText(pattern, MAX_PATH, folder);
    listDirectory(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    copyText(pattern, MAX_PATH, folder);
    listDirectory(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
    copyText(pattern, MAX_PATH, folder);
    listDirectory(dialog, pattern, IDC_PICKER_DRIVES, 0, LIST_DRIVES);

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

    if (result < 0)
        warn(dialog, "ERROR: can't create dialog");
    else if (result == 0)
        return;
    readItemText(dialog, IDC_PICKER_PATH, path, MAX_PATH);
    if (!appendName(path, MAX_PATH, pickerState.folderName)) {
        warn(dialog, newFolderRefused);
        return;
    }
    if (!makeFolder(path)) {
        warn(dialog, GetLastError() == ERROR_ALREADY_EXISTS ? "Folder already exists"
                                                             : newFolderRefused);
        return;
    }
    copyText(pattern, MAX_PATH, path);
    listFolder(dialog, pattern);
}

static void onPickerOk(HWND dialog)
{
    readItemText(dialog, IDC_PICKER_PATH, setupState.installFolder, MAX_PATH);
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
    WCHAR name[PATH_ROOM];

    readItemText(dialog, IDC_NEWFOLDER_NAME, name, PATH_ROOM);
    name[FOLDER_NAME_TAKEN - 1] = 0;    /* the field hands over 98 characters */
    copyText(pickerState.folderName, FOLDER_NAME_TAKEN, name);
    if (pickerState.folderName[0] != 0)
        EndDialog(dialog, 1);
    else
        warn(dialog, "please enter a name for the new Folder\nor press cancel");
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
