/* Drawing surfaces: the desktop photograph with its banner, the same
   photograph combined with the water colour, and the pens and brushes the
   animation draws with.  Built when the saver starts, and the images
   again at a display change. */
#include "saver/saver.h"
#include "saver/dib.h"
#include "settings/settings.h"

#include <string.h>

DrawingSurfaces drawingSurfaces;

const char bannerTopLine[] = "   ONLY available at:  ";
const char siteLine[] = " " KELP_SITE " ";

static void drawLine(HDC dc, UINT align, int x, int y, const char *text)
{
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text, (int)strlen(text));
}

/* The primary monitor within the images.  The texts go there: the middle
   of the virtual screen can fall on the seam between two monitors, and its
   bottom-right corner below a shorter monitor, where nobody sees it. */
static void primaryArea(RECT *area)
{
    RECT image;

    area->left = -launchContext.screenLeft;
    area->top = -launchContext.screenTop;
    area->right = area->left + GetSystemMetrics(SM_CXSCREEN);
    area->bottom = area->top + GetSystemMetrics(SM_CYSCREEN);
    SetRect(&image, 0, 0, launchContext.screenWidth, launchContext.screenHeight);
    if (!IntersectRect(area, area, &image))
        *area = image;
}

/* Puts back what the banner covered in the screen image, so that the
   picture is whole again before anything is laid into it or taken from
   it: a display change moves the primary monitor's middle, and the old
   banner must not stay beside the new one.  Leaves the screen image
   selected into the image DC. */
static void removeBanner(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    const RECT *b = &s->bannerBox;
    HDC under;
    HGDIOBJ old;

    if (s->bannerUnder == NULL)
        return;
    SelectObject(s->imageDC, s->screenImage);
    under = CreateCompatibleDC(NULL);
    if (under != NULL) {
        old = SelectObject(under, s->bannerUnder);
        BitBlt(s->imageDC, b->left, b->top, b->right - b->left, b->bottom - b->top, under, 0, 0,
               SRCCOPY);
        SelectObject(under, old);
        DeleteDC(under);
    }
    DeleteObject(s->bannerUnder);
    s->bannerUnder = NULL;
}

/* Keeps a copy of what the box covers, for removeBanner. */
static void keepBannerUnder(const RECT *box)
{
    DrawingSurfaces *s = &drawingSurfaces;
    HDC under = CreateCompatibleDC(NULL);
    DWORD *bits;
    HGDIOBJ old;

    s->bannerBox = *box;
    s->bannerUnder = createDib32(box->right - box->left, box->bottom - box->top, &bits);
    if (under != NULL && s->bannerUnder != NULL) {
        old = SelectObject(under, s->bannerUnder);
        BitBlt(under, 0, 0, box->right - box->left, box->bottom - box->top, s->imageDC, box->left,
               box->top, SRCCOPY);
        SelectObject(under, old);
    }
    if (under != NULL)
        DeleteDC(under);
}

/* Writes the two banner lines into the screen image.  Leaves the screen
   image selected into the image DC. */
void writeBanner(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    RECT area, box;
    SIZE top, site;
    int x, y;

    if (s->imageDC == NULL || s->screenImage == NULL)
        return;
    removeBanner();
    primaryArea(&area);
    x = area.left + (area.right - area.left) / 2;
    y = area.top + (area.bottom - area.top) / 2;
    SelectObject(s->imageDC, s->screenImage);
    GetTextExtentPoint32A(s->imageDC, bannerTopLine, (int)strlen(bannerTopLine), &top);
    GetTextExtentPoint32A(s->imageDC, siteLine, (int)strlen(siteLine), &site);
    top.cx = top.cx > site.cx ? top.cx : site.cx;
    /* two pixels either way: the centring rounds */
    SetRect(&box, x - top.cx / 2 - 2, y - top.cy, x + top.cx / 2 + 2, y + 1 + site.cy);
    keepBannerUnder(&box);
    drawLine(s->imageDC, TA_CENTER | TA_BOTTOM, x, y, bannerTopLine);
    drawLine(s->imageDC, TA_CENTER | TA_TOP, x, y + 1, siteLine);
}

/* The engine selects an image into the image DC twice a tick while the
   water rises, and under Wine every selection of a device-compatible
   bitmap looks the display devices up again: three wineserver round
   trips.  A DIB section is selected in microseconds.  On a 32-bit screen a
   32-bit DIB section holds exactly the pixels the compatible bitmap
   would; at other depths the compatible bitmap stays, so that every
   colour is rounded as the screen rounds it. */
static HBITMAP makeImage(HDC screen, int w, int h)
{
    DWORD *bits;
    HBITMAP image = NULL;

    if (GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES) == 32)
        image = createDib32(w, h, &bits);
    return image != NULL ? image : CreateCompatibleBitmap(screen, w, h);
}

static int obtainImages(HDC screen)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;

    s->imageDC = CreateCompatibleDC(NULL);
    if (screen != NULL) {
        s->waterImage = makeImage(screen, w, h);
        s->screenImage = makeImage(screen, w, h);
    }
    return screen != NULL && s->imageDC != NULL
        && s->waterImage != NULL && s->screenImage != NULL;
}

/* The water is made from the finished screen image, wallpaper or
   photograph, through a DC of its own; without one, from the screen.
   Leaves the water image selected into the image DC. */
static void makeWater(HDC screen)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    HDC photo = CreateCompatibleDC(NULL);
    HGDIOBJ old;
    RECT area;

    SelectObject(s->imageDC, s->waterImage);
    Rectangle(s->imageDC, 0, 0, w, h);
    if (photo != NULL) {
        old = SelectObject(photo, s->screenImage);
        BitBlt(s->imageDC, 0, 0, w, h, photo, 0, 0, saverSettings.bltMode);
        SelectObject(photo, old);
        DeleteDC(photo);
    } else if (screen != NULL) {
        BitBlt(s->imageDC, 0, 0, w, h, screen, launchContext.screenLeft, launchContext.screenTop,
               saverSettings.bltMode);
    }
    primaryArea(&area);
    drawLine(s->imageDC, TA_RIGHT | TA_BOTTOM, area.right - 5, area.bottom - 5, siteLine);
}

static void paintImages(HDC screen)
{
    DrawingSurfaces *s = &drawingSurfaces;
    COLORREF water = waterColour();
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int left = launchContext.screenLeft;
    int top = launchContext.screenTop;
    char desktop[KELP_DESKTOP_NAME_SIZE];

    s->waterBrush = CreateSolidBrush(water);
    s->imageOldBrush = (HBRUSH)SelectObject(s->imageDC, s->waterBrush);
    s->waterPen = CreatePen(PS_SOLID, 1, water);
    s->imageOldPen = (HPEN)SelectObject(s->imageDC, s->waterPen);

    s->imageOldBitmap = (HBITMAP)SelectObject(s->imageDC, s->screenImage);
    /* The screen DC's origin is the primary monitor's corner; the virtual
       screen starts at (left, top), left of or above it with a monitor there. */
    BitBlt(s->imageDC, 0, 0, w, h, screen, left, top, SRCCOPY);
    threadDesktopName(desktop, sizeof desktop);
    if (wallpaperWanted(desktop))
        startWallpaper(s->imageDC, saverWindowState.saverWindow, NULL);
    /* The banner waits for the saver window's first paint (writeBanner). */
    makeWater(screen);
}

/* Puts both images on the window as the animation would have them by
   now: the new water from as high as a crest can reach (the swing's 20
   and the ripple's 10 pixels above the level), so that no dry picture is
   left under the surface, and the screen image above it, with the banner
   written into it afterwards, where only the animation brings it to
   light.  The next ticks' strips wipe the water off again where the wave
   stands lower. */
void showSurfaces(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int level = waterState.level - 30 < 0 ? 0 : waterState.level - 30 > h ? h : waterState.level - 30;

    if (s->imageDC == NULL || s->screenImage == NULL)
        return;
    SelectObject(s->imageDC, s->waterImage);
    BitBlt(s->windowDC, 0, level, w, h - level, s->imageDC, 0, level, SRCCOPY);
    SelectObject(s->imageDC, s->screenImage);
    BitBlt(s->windowDC, 0, 0, w, level, s->imageDC, 0, 0, SRCCOPY);
    writeBanner();
    SelectObject(s->imageDC, s->waterImage);
}

/* The decoded wallpaper takes the desktop colour's place in both images
   at once, and on the window too, so that the water never runs over a
   picture other than the one shown. */
void showWallpaper(WPARAM start)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int bannered = s->bannerUnder != NULL;

    if (s->imageDC == NULL || s->screenImage == NULL)
        return;
    removeBanner();
    if (!layInWallpaper(s->imageDC, start)) {
        if (bannered)
            writeBanner();      /* nothing was laid in: back where it stood */
        SelectObject(s->imageDC, s->waterImage);
        return;
    }
    makeWater(NULL);
    if (saverWindowState.desktopShown)
        showSurfaces();
    /* else the first paint shows it and writes the banner */
}

/* After a display change, the images again at the size of the screen
   launchContext now describes; oldScreen is the one they were made for,
   in screen coordinates.  Where the two overlap the photograph is kept: a
   new one would show the saver's own window.  The new part gets the
   desktop colour and the wallpaper laid out on the new monitors, as on a
   desktop of the saver's own.  0 when the new images cannot be made: the
   old ones are left as they were then. */
int rebuildSurfaces(const RECT *oldScreen)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int left = launchContext.screenLeft;
    int top = launchContext.screenTop;
    HDC screen = GetDC(NULL);
    HDC photo = CreateCompatibleDC(NULL);
    HBITMAP screenImage = screen != NULL ? makeImage(screen, w, h) : NULL;
    HBITMAP waterImage = screen != NULL ? makeImage(screen, w, h) : NULL;
    RECT now, kept, laid, awaited, all;
    HGDIOBJ old;

    if (screen != NULL)
        ReleaseDC(NULL, screen);
    if (s->imageDC == NULL || photo == NULL || screenImage == NULL || waterImage == NULL) {
        if (screenImage != NULL)
            DeleteObject(screenImage);
        if (waterImage != NULL)
            DeleteObject(waterImage);
        if (photo != NULL)
            DeleteDC(photo);
        return 0;
    }
    SetRect(&now, left, top, left + w, top + h);
    SetRect(&all, 0, 0, w, h);
    if (!IntersectRect(&kept, oldScreen, &now))
        SetRectEmpty(&kept);
    OffsetRect(&kept, -left, -top);
    /* Pictures still on their way were to cover all but their own kept
       part: that part of the old image is still waiting for them too. */
    laid = kept;
    if (wallpaperPending(&awaited)) {
        OffsetRect(&awaited, oldScreen->left - left, oldScreen->top - top);
        if (!IntersectRect(&laid, &awaited, &kept))
            SetRectEmpty(&laid);
    }
    stopWallpaper();
    removeBanner();

    SelectObject(s->imageDC, screenImage);
    if (!EqualRect(&laid, &all))
        startWallpaper(s->imageDC, saverWindowState.saverWindow, &laid);
    old = SelectObject(photo, s->screenImage);
    BitBlt(s->imageDC, kept.left, kept.top, kept.right - kept.left, kept.bottom - kept.top, photo,
           kept.left + left - oldScreen->left, kept.top + top - oldScreen->top, SRCCOPY);
    SelectObject(photo, old);
    DeleteDC(photo);
    DeleteObject(s->screenImage);
    DeleteObject(s->waterImage);
    s->screenImage = screenImage;
    s->waterImage = waterImage;
    makeWater(NULL);
    return 1;
}

int createSurfaces(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    HDC screen;
    int ready;

    memset(s, 0, sizeof *s);

    s->windowDC = GetWindowDC(saverWindowState.saverWindow);
    s->nullBrush = (HBRUSH)GetStockObject(NULL_BRUSH);
    s->windowOldBrush = (HBRUSH)SelectObject(s->windowDC, s->nullBrush);
    s->bubblePen = CreatePen(PS_SOLID, 1, bubbleColour());
    s->windowOldPen = (HPEN)SelectObject(s->windowDC, s->bubblePen);

    screen = GetDC(NULL);
    ready = obtainImages(screen);
    if (ready)
        paintImages(screen);
    if (screen != NULL)
        ReleaseDC(NULL, screen);
    if (!ready)
        destroySurfaces();  /* the saver ends right away: leave nothing behind */
    return ready;
}

/* Puts back what each DC held before and deletes what this module made.
   Every step copes with a handle that was never obtained, so that a failed
   createSurfaces can clean up with it too. */
void destroySurfaces(void)
{
    DrawingSurfaces *s = &drawingSurfaces;

    stopWallpaper();
    if (s->windowDC != NULL && s->windowOldPen != NULL)
        SelectObject(s->windowDC, s->windowOldPen);
    if (s->bubblePen != NULL)
        DeleteObject(s->bubblePen);
    if (s->windowDC != NULL && s->windowOldBrush != NULL)
        SelectObject(s->windowDC, s->windowOldBrush);  /* the stock null brush needs no release */
    ReleaseDC(saverWindowState.saverWindow, s->windowDC);

    if (s->imageDC != NULL) {
        if (s->imageOldBrush != NULL)
            SelectObject(s->imageDC, s->imageOldBrush);
        if (s->imageOldPen != NULL)
            SelectObject(s->imageDC, s->imageOldPen);
        if (s->imageOldBitmap != NULL)
            SelectObject(s->imageDC, s->imageOldBitmap);
    }
    if (s->waterBrush != NULL)
        DeleteObject(s->waterBrush);
    if (s->waterPen != NULL)
        DeleteObject(s->waterPen);
    if (s->waterImage != NULL)
        DeleteObject(s->waterImage);
    if (s->bannerUnder != NULL)
        DeleteObject(s->bannerUnder);
    if (s->screenImage != NULL)
        DeleteObject(s->screenImage);
    if (s->imageDC != NULL)
        DeleteDC(s->imageDC);
    memset(s, 0, sizeof *s);
}
