/* Drawing surfaces: the desktop photograph with its banner, the same
   photograph combined with the water colour, and the pens and brushes the
   animation draws with.  Built once when the saver starts. */
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

/* Writes the two banner lines into the screen image.  Leaves the screen
   image selected into the image DC. */
void writeBanner(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    RECT area;
    int x, y;

    if (s->imageDC == NULL || s->screenImage == NULL)
        return;
    primaryArea(&area);
    x = area.left + (area.right - area.left) / 2;
    y = area.top + (area.bottom - area.top) / 2;
    SelectObject(s->imageDC, s->screenImage);
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
        startWallpaper(s->imageDC, saverWindowState.saverWindow);
    /* The banner waits for the saver window's first paint (writeBanner). */
    makeWater(screen);
}

/* The decoded wallpaper takes the desktop colour's place in both images
   at once, and on the window too, so that the water never runs over a
   picture other than the one shown: the new water from as high as a crest
   can reach (the swing's 20 and the ripple's 10 pixels above the level),
   so that no dry picture is left under the surface, and the new screen
   image above it.  The next ticks' strips wipe the water off again where
   the wave stands lower. */
void showWallpaper(void)
{
    DrawingSurfaces *s = &drawingSurfaces;
    int w = launchContext.screenWidth;
    int h = launchContext.screenHeight;
    int level = waterState.level - 30 < 0 ? 0 : waterState.level - 30 > h ? h : waterState.level - 30;

    if (s->imageDC == NULL || s->screenImage == NULL)
        return;
    SelectObject(s->imageDC, s->screenImage);
    if (!layInWallpaper(s->imageDC)) {
        SelectObject(s->imageDC, s->waterImage);
        return;
    }
    makeWater(NULL);
    if (!saverWindowState.desktopShown)
        return;     /* the first paint shows it and writes the banner */
    BitBlt(s->windowDC, 0, level, w, h - level, s->imageDC, 0, level, SRCCOPY);
    SelectObject(s->imageDC, s->screenImage);
    BitBlt(s->windowDC, 0, 0, w, level, s->imageDC, 0, 0, SRCCOPY);
    writeBanner();
    SelectObject(s->imageDC, s->waterImage);
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
    if (s->screenImage != NULL)
        DeleteObject(s->screenImage);
    if (s->imageDC != NULL)
        DeleteDC(s->imageDC);
    memset(s, 0, sizeof *s);
}
