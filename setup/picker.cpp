/* Install location picker (dialog 137) and its new-folder dialog (141).
   The system's directory-listing list boxes walk the file system through
   the process's current directory; every entry is drawn here, so that
   names show as the file system stores them (long names, stored case)
   rather than as the listing spells them. */
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

static int appendPiece(char *buffer, int size, const char *piece, int length)
{
    int used = lstrlenA(buffer);

    if (used + length + 1 > size)
        return 0;
    memcpy(buffer + used, piece, length);
    buffer[used + length] = 0;
    return 1;
}

static int findStoredName(const char *lookup, WIN32_FIND_DATAA *found)
{
    HANDLE search = FindFirstFileA(lookup, found);

    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

/* The listing writes the current folder in lower case, and a folder
   entered by its short name stays short; the lookups use the path's own
   letters, so only the spelling of each component changes.  A result that
   would not fit leaves the path as it was. */
int resolvePathNames(char *path, int size)
{
    char result[MAX_PATH], lookup[MAX_PATH];
    const char *piece = nextSeparator(path), *end;
    WIN32_FIND_DATAA found;
    int length;

    if (piece == NULL)
        return 1;
    result[0] = lookup[0] = 0;
    length = (int)(piece - path) + 1;
    if (!appendPiece(result, sizeof result, path, length)
        || !appendPiece(lookup, sizeof lookup, path, length))
        return 0;
    for (piece++; *piece; piece = end + 1) {
        end = nextSeparator(piece);
        length = end != NULL ? (int)(end - piece) : lstrlenA(piece);
        if (!appendPiece(lookup, sizeof lookup, piece, length))
            return 0;
        if (findStoredName(lookup, &found)
            && !appendText(result, sizeof result, found.cFileName))
            return 0;
        if (end == NULL)
            break;
        if (!appendText(result, sizeof result, "\\") || !appendText(lookup, sizeof lookup, "\\"))
            return 0;
    }
    if (lstrlenA(result) >= size)
        return 0;
    lstrcpyA(path, result);
    return 1;
}

/* The text an entry is drawn with: the stored name of what the listing
   found in the current folder.  The folder list brackets its names; its
   parent entry is drawn as it is, without a lookup. */
int entryName(const char *listed, int bracketed, char *shown, int size)
{
    char name[MAX_PATH];
    WIN32_FIND_DATAA found;
    int length = lstrlenA(listed);

    name[0] = 0;
    if (!bracketed)
        lstrcpynA(name, listed, sizeof name);
    else if (length >= 2 && length - 2 < (int)sizeof name)
        appendPiece(name, sizeof name, listed + 1, length - 2);
    if (bracketed && lstrcmpA(name, "..") == 0) {
        lstrcpynA(shown, "[..]", size);
        return 1;
    }
    if (name[0] == 0 || !findStoredName(name, &found)) {
        lstrcpynA(shown, "can't read file", size);
        return 0;
    }
    lstrcpynA(shown, found.cFileName, size);
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

static void drawEntryText(const DRAWITEMSTRUCT *item, const RECT *area, const char *text,
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
    ExtTextOutA(item->hDC, iconColumn() + ICON_GAP,
                (item->rcItem.top + item->rcItem.bottom - metrics.tmHeight) / 2,
                ETO_CLIPPED | ETO_OPAQUE, area, text, lstrlenA(text), NULL);
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
    char listed[MAX_PATH], shown[MAX_PATH];
    RECT area = item->rcItem;
    LRESULT length = SendMessageA(item->hwndItem, LB_GETTEXTLEN, item->itemID, 0);

    listed[0] = 0;
    if (length >= 0 && length < (LRESULT)sizeof listed)
        SendMessageA(item->hwndItem, LB_GETTEXT, item->itemID, (LPARAM)listed);
    entryName(listed, folders, shown, sizeof shown);
    area.left += ICON_GAP;
    drawEntryText(item, &area, shown, folders);
    if (folders)
        drawIcon(item->hDC, &item->rcItem, BITMAP_FOLDER, BITMAP_FOLDERMASK, 17, 15);
    else
        drawIcon(item->hDC, &item->rcItem, BITMAP_FILE, -1, 13, 13);
}

static void drawDriveEntry(const DRAWITEMSTRUCT *item)
{
    char listed[MAX_PATH], label[MAX_PATH], shown[MAX_PATH + 8], root[4] = "?:\\";
    char letter[2] = "?";
    LRESULT length = SendMessageA(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
    DWORD longestName, flags;
    UINT type;

    listed[0] = 0;
    if (length >= 3 && length < (LRESULT)sizeof listed)
        SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, (LPARAM)listed);
    if (listed[0] == 0)
        return;
    root[0] = letter[0] = listed[2];
    type = GetDriveTypeA(root);
    label[0] = 0;
    /* A removable drive would be asked for its disk at every paint. */
    if (type != DRIVE_UNKNOWN && type != DRIVE_REMOVABLE
        && !GetVolumeInformationA(root, label, sizeof label, NULL, &longestName, &flags, NULL, 0))
        label[0] = 0;
    lstrcpyA(shown, "[-");
    appendText(shown, sizeof shown, letter);
    appendText(shown, sizeof shown, "-]  ");
    appendText(shown, sizeof shown, label);
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
    char path[MAX_PATH];

    path[0] = 0;
    SendDlgItemMessageA(dialog, IDC_PICKER_PATH, WM_GETTEXT, sizeof path, (LPARAM)path);
    resolvePathNames(path, sizeof path);
    SetDlgItemTextA(dialog, IDC_PICKER_PATH, path);
}

/* The file listing enters the folder and leaves only the wildcard in the
   text, from which the folder list then lists the same folder. */
static void listFolder(HWND dialog, char *pattern)
{
    DlgDirListA(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    DlgDirListA(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
    refreshPathLabel(dialog);
}

/* Clusters times sectors times bytes in 64 bits: in 32 a drive with 4 GiB
   or more free would show a wrapped count. */
static void showFreeSpace(HWND dialog)
{
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    char digits[32], label[64] = "free: ";
    ULONGLONG count;

    if (!GetDiskFreeSpaceA(NULL, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return;
    count = (ULONGLONG)freeClusters * sectorsPerCluster * bytesPerSector;
    if (groupDigits(count, digits, sizeof digits) && appendText(label, sizeof label, digits)
        && appendText(label, sizeof label, " bytes"))
        SetDlgItemTextA(dialog, IDC_PICKER_FREE, label);
}

/* With no drive selected (an install folder on a drive the box does not
   list) there is nothing to enter, as with a drive that cannot be. */
static void onDriveChange(HWND dialog)
{
    HWND drives = GetDlgItem(dialog, IDC_PICKER_DRIVES);
    char drive[MAX_PATH];

    drive[0] = 0;
    DlgDirSelectComboBoxExA(dialog, drive, sizeof drive, IDC_PICKER_DRIVES);
    if (drive[0] == 0 || !SetCurrentDirectoryA(drive)) {
        SendMessageA(drives, CB_SETCURSEL, pickerState.lastGoodDrive, 0);
        MessageBoxA(dialog, "error accessing drive!", "message", MB_ICONWARNING);
        return;
    }
    pickerState.lastGoodDrive = (int)SendMessageA(drives, CB_GETCURSEL, 0, 0);
    showFreeSpace(dialog);
    drive[0] = 0;
    DlgDirSelectComboBoxExA(dialog, drive, sizeof drive, IDC_PICKER_DRIVES);
    listFolder(dialog, drive);
}

static void onEnterFolder(HWND dialog)
{
    char pattern[MAX_PATH];

    pattern[0] = 0;
    DlgDirSelectExA(dialog, pattern, sizeof pattern, IDC_PICKER_FOLDERS);
    listFolder(dialog, pattern);
}

/* The listing functions rewrite the text they are given: each gets its
   own copy of the install folder. */
static void onPickerInit(HWND dialog)
{
    HWND drives = GetDlgItem(dialog, IDC_PICKER_DRIVES);
    char pattern[MAX_PATH], drive[4] = "[-", folder[MAX_PATH];
    int index = CB_ERR;

    loadLocationBitmaps();
    centerWindow(dialog);
    if (!toNarrow(setupState.installFolder, folder, sizeof folder))
        folder[0] = 0;
    lstrcpynA(pattern, folder, sizeof pattern);
    DlgDirListA(dialog, pattern, IDC_PICKER_FILES, 0, LIST_FILES);
    lstrcpynA(pattern, folder, sizeof pattern);
    DlgDirListA(dialog, pattern, IDC_PICKER_FOLDERS, IDC_PICKER_PATH, LIST_FOLDERS);
    lstrcpynA(pattern, folder, sizeof pattern);
    DlgDirListComboBoxA(dialog, pattern, IDC_PICKER_DRIVES, 0, LIST_DRIVES);

    /* "[-" alone would find the first drive of all. */
    drive[2] = folder[0];
    if (drive[2] != 0)
        index = (int)SendMessageA(drives, CB_FINDSTRING, (WPARAM)-1, (LPARAM)drive);
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
    char path[MAX_PATH], pattern[MAX_PATH];

    if (result < 0)
        MessageBoxA(dialog, "ERROR: can't create dialog", "message", MB_ICONWARNING);
    else if (result == 0)
        return;
    path[0] = 0;
    SendDlgItemMessageA(dialog, IDC_PICKER_PATH, WM_GETTEXT, sizeof path, (LPARAM)path);
    if (!(endsInSeparator(path) || appendText(path, sizeof path, "\\"))
        || !appendText(path, sizeof path, pickerState.folderName)) {
        MessageBoxA(dialog, newFolderRefused, "message", MB_ICONWARNING);
        return;
    }
    if (!CreateDirectoryA(path, NULL)) {
        MessageBoxA(dialog, GetLastError() == ERROR_ALREADY_EXISTS ? "Folder already exists"
                    : newFolderRefused, "message", MB_ICONWARNING);
        return;
    }
    lstrcpyA(pattern, path);
    listFolder(dialog, pattern);
}

static void onPickerOk(HWND dialog)
{
    char folder[MAX_PATH];

    folder[0] = 0;
    SendDlgItemMessageA(dialog, IDC_PICKER_PATH, WM_GETTEXT, sizeof folder, (LPARAM)folder);
    toWide(folder, setupState.installFolder, MAX_PATH);
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
    SendDlgItemMessageA(dialog, IDC_NEWFOLDER_NAME, WM_GETTEXT, FOLDER_NAME_TAKEN,
                        (LPARAM)pickerState.folderName);
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
