/* Configuration dialog (the C role): edits the settings record in memory,
   shows the water colour and mode on a small live copy of the screen, and
   stores the record only on OK. */
#include "settings/settings.h"
#include "saver/saver.h"
#include "saver/sound.h"
#include "resource.h"

#include <mmsystem.h>
#include <stdio.h>
#include <string.h>

#define CONFIG_TICK_MS 50
#define WATER_MODES 5

ConfigDialogState configDialogState;

/* Row i of the "water mode" list combines the screen with the water colour
   by waterModes[i]. */
static const DWORD waterModes[WATER_MODES] = {
    SRCAND, SRCPAINT, SRCINVERT, MERGEPAINT, NOTSRCERASE
};

enum BarKind { BAR_SPEED, BAR_FILL, BAR_WATER, BAR_BUBBLE };

struct ConfigBar {
    int id;
    int minimum, maximum;
    DWORD *field;
    BarKind kind;
};

/* In the order the bars are set up. */
static const ConfigBar configBars[] = {
    { IDC_TURBULENCE, 1, 250, &saverSettings.speed, BAR_SPEED },
    { IDC_FILL, 13, 100, &saverSettings.fillTo, BAR_FILL },
    { IDC_AQUA_R, 0, 255, &saverSettings.aquaR, BAR_WATER },
    { IDC_AQUA_G, 0, 255, &saverSettings.aquaG, BAR_WATER },
    { IDC_AQUA_B, 0, 255, &saverSettings.aquaB, BAR_WATER },
    { IDC_BUBBLE_R, 0, 255, &saverSettings.bubbleR, BAR_BUBBLE },
    { IDC_BUBBLE_G, 0, 255, &saverSettings.bubbleG, BAR_BUBBLE },
    { IDC_BUBBLE_B, 0, 255, &saverSettings.bubbleB, BAR_BUBBLE },
};
#define CONFIG_BARS ((int)(sizeof configBars / sizeof configBars[0]))

static const char aboutText[] =
    "kelpVole'99  [v1.52]\n"
    "a screen saver by zUb\n\n"
    "Freeware: copy it and pass it on as you like,\n"
    "but only unchanged, complete and free of charge.\n\n"
    "ONLY available at " KELP_SITE;
static const char infoText[] =
    "Postcards, praise and bug reports to:\n\n"
    "zUb\n"
    "Postfach 99\n"
    "D-99999 Seetang\n"
    "Germany";

void showReadMe(HWND owner)
{
    MessageBoxA(owner, aboutText, "ABOUT", MB_OK);
    MessageBoxA(owner, infoText, "INFO", MB_OK);
}

static void showFillLabel(HWND dialog)
{
    char text[40];
    _snprintf(text, sizeof text, "Fill up to %d percent", (int)saverSettings.fillTo);
    text[sizeof text - 1] = 0;
    SetDlgItemTextA(dialog, IDC_FILL_LABEL, text);
}

/* The field is shown clamped to the bar but left as it is: a value the
   bar cannot show (speed 2500, "never moved") is stored again unchanged. */
static void setUpBar(HWND dialog, const ConfigBar *bar)
{
    SCROLLINFO info;
    int value = (int)*bar->field;

    if (value < bar->minimum)
        value = bar->minimum;
    if (value > bar->maximum)
        value = bar->maximum;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    info.nMin = bar->minimum;
    info.nMax = bar->maximum;
    info.nPage = 1;
    info.nPos = value;
    SetScrollInfo(GetDlgItem(dialog, bar->id), SB_CTL, &info, TRUE);
}

static INT_PTR initConfigDialog(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_WATER_MODE);
    int i;

    showFillLabel(dialog);
    for (i = 0; i < CONFIG_BARS; i++)
        setUpBar(dialog, &configBars[i]);
    for (i = 0; i < WATER_MODES; i++) {
        char text[16];
        _snprintf(text, sizeof text, "mode #%d", i + 1);
        text[sizeof text - 1] = 0;
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendMessageA(list, CB_SETCURSEL, (WPARAM)saverSettings.bltIdx, 0);
    CheckDlgButton(dialog, IDC_PLAY_SOUND, saverSettings.sound != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

static int rectWidth(const RECT *r) { return r->right - r->left; }
static int rectHeight(const RECT *r) { return r->bottom - r->top; }

/* The top-left part of the screen, of the dialog's size, shrunk into the
   box and combined with the water colour the way the saver does it full
   size.  The screen is photographed anew on every call. */
void buildPreviewImage(void)
{
    ConfigDialogState *c = &configDialogState;
    int w = rectWidth(&c->previewRect);
    int h = rectHeight(&c->previewRect);
    COLORREF water = waterColour();
    HDC screen = GetDC(NULL);
    HBITMAP picture;
    HBRUSH brush;
    HPEN pen;
    HDC box;

    c->pictureDC = CreateCompatibleDC(screen);
    picture = CreateCompatibleBitmap(screen, w, h);
    if (c->pictureDC == NULL || picture == NULL) {
        /* no picture: the timer beeps until a later rebuild succeeds */
        if (picture != NULL)
            DeleteObject(picture);
        if (c->pictureDC != NULL)
            DeleteDC(c->pictureDC);
        c->pictureDC = NULL;
        ReleaseDC(NULL, screen);
        return;
    }
    brush = CreateSolidBrush(water);
    pen = CreatePen(PS_SOLID, 1, water);
    c->oldBrush = SelectObject(c->pictureDC, brush);
    c->oldPen = SelectObject(c->pictureDC, pen);
    c->oldBitmap = SelectObject(c->pictureDC, picture);
    Rectangle(c->pictureDC, 0, 0, w, h);
    StretchBlt(c->pictureDC, 0, 0, w, h, screen, 0, 0,
               rectWidth(&c->dialogRect), rectHeight(&c->dialogRect), saverSettings.bltMode);
    ReleaseDC(NULL, screen);

    box = GetDC(c->previewBox);
    BitBlt(box, 0, 0, w, h, c->pictureDC, 0, 0, SRCCOPY);
    ReleaseDC(c->previewBox, box);
}

void freePreviewImage(void)
{
    ConfigDialogState *c = &configDialogState;

    if (c->pictureDC == NULL)
        return;
    DeleteObject(SelectObject(c->pictureDC, c->oldPen));
    DeleteObject(SelectObject(c->pictureDC, c->oldBitmap));
    DeleteObject(SelectObject(c->pictureDC, c->oldBrush));
    DeleteDC(c->pictureDC);
    c->pictureDC = NULL;
}

static void rebuildPreviewImage(void)
{
    freePreviewImage();
    buildPreviewImage();
}

/* Squares of the unchanged picture drawn back two pixels larger, one pixel
   up and left: the water seems to shiver, and since the source never
   changes the distortion does not build up.  The subtraction comes before
   the division, like the saver's own squares. */
void shimmerTick(void)
{
    ConfigDialogState *c = &configDialogState;
    int w = rectWidth(&c->previewRect);
    int h = rectHeight(&c->previewRect);
    HDC box;
    int k;

    if (c->pictureDC == NULL) {
        MessageBeep(0xFFFFFFFF);
        return;
    }
    box = GetDC(c->previewBox);
    for (k = 0; k < w / 8; k++) {
        int s = nextRandom() * 60 / 32767 + 10;
        int x = (nextRandom() * w - (s + 2)) / 32767 + 1;
        int y = (nextRandom() * h - (s + 2)) / 32767 + 1;
        StretchBlt(box, x - 1, y - 1, s + 2, s + 2, c->pictureDC, x, y, s, s, SRCCOPY);
    }
    ReleaseDC(c->previewBox, box);
}

/* The swatch's own border pen stays; only the fill is the bubble colour. */
static void paintSwatch(HDC dc, const RECT *r)
{
    HBRUSH brush = CreateSolidBrush(bubbleColour());
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, r->left - 1, r->top - 1, r->right, r->bottom);
    SelectObject(dc, old);
    DeleteObject(brush);
}

static void repaintSwatch(void)
{
    ConfigDialogState *c = &configDialogState;
    HDC dc = GetDC(c->swatch);

    if (dc == NULL) {
        /* a system out of device contexts: the box keeps the one word
           its users know from this place */
        warn(GetParent(c->swatch), "foo");
        return;
    }
    paintSwatch(dc, &c->swatchRect);
    ReleaseDC(c->swatch, dc);
}

/* The preview starts on the box's first paint, when its size is known;
   after that only the picture and the timer draw into it. */
static INT_PTR drawConfigItem(HWND dialog, const DRAWITEMSTRUCT *item)
{
    ConfigDialogState *c = &configDialogState;

    if (item->CtlID == IDC_PREVIEW_BOX) {
        if (c->previewBox != NULL)
            return FALSE;
        c->previewRect = item->rcItem;
        c->previewBox = item->hwndItem;
        GetWindowRect(dialog, &c->dialogRect);
        buildPreviewImage();
        SetTimer(dialog, KELP_TIMER_ID, CONFIG_TICK_MS, NULL);
        return TRUE;
    }
    if (item->CtlID == IDC_BUBBLE_SWATCH) {
        c->swatchRect = item->rcItem;
        c->swatch = item->hwndItem;
        paintSwatch(item->hDC, &item->rcItem);
        return TRUE;
    }
    return FALSE;
}

/* Only a dragged thumb changes a bar: arrow and trough clicks are ignored. */
static INT_PTR scrollConfigBar(HWND dialog, WPARAM wParam, HWND sender)
{
    int code = LOWORD(wParam);
    int position = HIWORD(wParam);
    int i;

    if (code != SB_THUMBTRACK && code != SB_THUMBPOSITION)
        return FALSE;
    for (i = 0; i < CONFIG_BARS; i++) {
        const ConfigBar *bar = &configBars[i];
        if (sender != GetDlgItem(dialog, bar->id))
            continue;
        SetScrollPos(sender, SB_CTL, position, FALSE);
        *bar->field = (DWORD)position;
        if (bar->kind == BAR_FILL)
            showFillLabel(dialog);
        else if (bar->kind == BAR_WATER)
            rebuildPreviewImage();
        else if (bar->kind == BAR_BUBBLE)
            repaintSwatch();
        return FALSE;
    }
    return FALSE;
}

/* Taken on every change of the selection, by mouse or by keyboard with
   the list open or closed, and again when the list closes.  An index
   outside the table is kept as it is (-1 for no selection) and leaves the
   mode alone. */
static void takeWaterMode(HWND dialog)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_WATER_MODE, CB_GETCURSEL, 0, 0);

    saverSettings.bltIdx = (DWORD)index;
    if (index >= 0 && index < WATER_MODES)
        saverSettings.bltMode = waterModes[index];
    rebuildPreviewImage();
}

static void takeSound(HWND dialog)
{
    saverSettings.sound = IsDlgButtonChecked(dialog, IDC_PLAY_SOUND) == BST_CHECKED;
    if (saverSettings.sound)
        playBubbles(SND_ASYNC);
    else
        stopSound();
}

static void endConfigDialog(HWND dialog)
{
    EndDialog(dialog, 1);
    PostQuitMessage(0);
}

static INT_PTR configCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDC_WATER_MODE:
        if (notification != CBN_CLOSEUP && notification != CBN_SELCHANGE)
            return FALSE;
        takeWaterMode(dialog);
        return TRUE;
    case IDC_PLAY_SOUND:
        takeSound(dialog);
        return TRUE;
    case IDOK:
        saveSettings(dialog);
        endConfigDialog(dialog);
        return TRUE;
    case IDCANCEL:          /* also Esc and the close box */
        endConfigDialog(dialog);
        return TRUE;
    case IDC_READ_ME:
        showReadMe(dialog);
        return TRUE;
    }
    return FALSE;
}

static void closeConfigDialog(HWND dialog)
{
    KillTimer(dialog, KELP_TIMER_ID);
    freePreviewImage();
    memset(&configDialogState, 0, sizeof configDialogState);
}

INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return initConfigDialog(dialog);
    case WM_DRAWITEM:
        return drawConfigItem(dialog, (const DRAWITEMSTRUCT *)lParam);
    case WM_TIMER:
        shimmerTick();
        return TRUE;
    case WM_HSCROLL:
        return scrollConfigBar(dialog, wParam, (HWND)lParam);
    case WM_COMMAND:
        return configCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_DESTROY:
        closeConfigDialog(dialog);
        return FALSE;
    }
    return FALSE;
}

void runConfigDialog(HWND parent)
{
    /* a handle that names no window (closed, or never one) would keep the
       dialog from being made at all */
    if (parent != NULL && !IsWindow(parent))
        parent = NULL;
    loadSettings();
    stopSound();
    memset(&configDialogState, 0, sizeof configDialogState);
    if (DialogBoxParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_CONFIG), parent,
                        configDialogProc, 0) < 0)
        warn(NULL, "ERROR: can't create dialog !");
    stopSound();
}
