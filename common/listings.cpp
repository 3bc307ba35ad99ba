#include "common/files.h"

#define LISTING_CALLS(CALL) \
    CALL(getText, GetWindowText) CALL(send, SendMessage) CALL(listBox, DlgDirList) \
    CALL(listComboBox, DlgDirListComboBox)
CALL_TABLE(ListingCalls, LISTING_CALLS, listingCalls)

/* Asked of the system, which answers for another program's window too
   without waiting on it. */
int readWindowText(HWND window, WCHAR *text, int size)
{
    WCHAR raw[PATH_ROOM];

    raw[0] = text[0] = 0;
    return listingCalls()->getText(window, raw, PATH_ROOM) > 0 && takeText(raw, text, size);
}

/* WM_GETTEXT cuts what does not fit: the length is asked first. */
int readItemText(HWND dialog, int id, WCHAR *text, int size)
{
    HWND item = GetDlgItem(dialog, id);
    WCHAR raw[PATH_ROOM];

    raw[0] = text[0] = 0;
    if (listingCalls()->send(item, WM_GETTEXTLENGTH, 0, 0) >= (size < PATH_ROOM ? size : PATH_ROOM))
        return 0;
    listingCalls()->send(item, WM_GETTEXT, PATH_ROOM, (LPARAM)raw);
    return takeText(raw, text, size);
}

int rowText(HWND list, int index, int combo, WCHAR *text, int size)
{
    WCHAR raw[PATH_ROOM];
    LRESULT length = listingCalls()->send(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);

    text[0] = 0;
    return length >= 0 && length < MAX_PATH
        && listingCalls()->send(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, (LPARAM)raw) >= 0
        && takeText(raw, text, size);
}

int listDirectory(HWND dialog, WCHAR *pattern, int list, int label, UINT kind)
{
    char scratch[2 * PATH_ROOM];
    WCHAR *arg = (WCHAR *)callText(pattern, scratch, sizeof scratch);
    decltype(&DlgDirListW) listing = (kind & DDL_DRIVES) ? listingCalls()->listComboBox
                                                         : listingCalls()->listBox;
    int listed;

    if (arg == NULL)
        return 0;
    listed = listing(dialog, arg, list, label, kind);
    if (!takeText(arg, pattern, MAX_PATH))
        pattern[0] = 0;
    return listed;
}
