/* The screen image when the photograph of the desktop has nothing to show.

   With "On resume, display logon screen" set, the system starts the saver
   on a desktop of its own, where a photograph of the screen comes back in
   one colour (black), and the water would rise over nothing.  The saver
   then lays out the user's wallpaper itself, as the desktop shows it: the
   picture named by the system, placed on each monitor as the settings in
   "Control Panel\Desktop" say, over the desktop colour.  The system's
   imaging component decodes it, so the JPEG and PNG wallpapers of current
   systems work as well as bitmaps; a picture that cannot be read leaves
   the desktop colour alone. */
#include "saver/saver.h"
#include "saver/dib.h"

#include <objbase.h>
#include <wincodec.h>
#include <stdlib.h>
#include <string.h>

#define DESKTOP_KEY "Control Panel\\Desktop"
/* Larger pictures than this are not wallpapers; the limit keeps the
   pixel buffer's size within 32 bits. */
#define PICTURE_MAX 16384

struct WallpaperPaint {
    HDC image;          /* the screen image, selected */
    HDC picture;        /* the decoded wallpaper, or NULL for none */
    HBITMAP bitmap;
    int width, height;
    int style;
};

int wallpaperWanted(const char *desktopName, int photographBlank)
{
    if (photographBlank)
        return 1;
    /* an unreadable name says nothing; the photograph decides then */
    return desktopName[0] != 0 && lstrcmpiA(desktopName, "Default") != 0;
}

/* WallpaperStyle 0 (with TileWallpaper 1: tiled), 2, 6, 10, 22, as the
   display settings write them; anything else is centred. */
int wallpaperStyle(int style, int tile)
{
    switch (style) {
    case 0:
        return tile == 1 ? WALLPAPER_TILE : WALLPAPER_CENTRE;
    case 2:
        return WALLPAPER_STRETCH;
    case 6:
        return WALLPAPER_FIT;
    case 10:
        return WALLPAPER_FILL;
    case 22:
        return WALLPAPER_SPAN;
    default:
        return WALLPAPER_CENTRE;
    }
}

/* Where a width x height picture goes in the area; a tiled picture's
   first tile.  Fit and fill keep the picture's proportions, the one
   inside the area, the other covering it, both centred. */
void placeWallpaper(int style, const RECT *area, int width, int height, RECT *placed)
{
    long long aw = area->right - area->left, ah = area->bottom - area->top;
    long long w = width, h = height;
    int wider = aw * h > ah * w;     /* the area is wider than the picture */

    if (width <= 0 || height <= 0 || style == WALLPAPER_STRETCH) {
        *placed = *area;
        return;
    }
    if (style == WALLPAPER_FIT || style == WALLPAPER_FILL || style == WALLPAPER_SPAN) {
        if (wider == (style == WALLPAPER_FIT)) {
            w = w * ah / h;
            h = ah;
        } else {
            h = h * aw / w;
            w = aw;
        }
    }
    if (style == WALLPAPER_TILE) {
        placed->left = area->left;
        placed->top = area->top;
    } else {
        placed->left = area->left + (int)((aw - w) / 2);
        placed->top = area->top + (int)((ah - h) / 2);
    }
    placed->right = placed->left + (int)w;
    placed->bottom = placed->top + (int)h;
}

/* A sparse grid over the photograph, 16 x 16 points, all of one colour. */
int photographBlank(HDC dc, int width, int height)
{
    COLORREF first = GetPixel(dc, 0, 0);
    int i, j;

    for (j = 0; j < 16; j++)
        for (i = 0; i < 16; i++)
            if (GetPixel(dc, i * (width - 1) / 15, j * (height - 1) / 15) != first)
                return 0;
    return 1;
}

void threadDesktopName(char *name, DWORD size)
{
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());     /* not to be closed */
    DWORD needed = 0;

    if (desktop == NULL || !GetUserObjectInformationA(desktop, UOI_NAME, name, size - 1, &needed))
        name[0] = 0;
    name[size - 1] = 0;
}

/* A number from the desktop settings, kept as text by the display
   settings and as a number by some tools; 0 when absent. */
static int desktopNumber(HKEY key, const char *name)
{
    char text[16];
    DWORD type = 0, size = sizeof text - 1;

    memset(text, 0, sizeof text);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS)
        return 0;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value;
        memcpy(&value, text, sizeof value);
        return (int)value;
    }
    return type == REG_SZ ? atoi(text) : 0;
}

static int readStyle(void)
{
    HKEY key;
    int style = 0, tile = 0;

    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        style = desktopNumber(key, "WallpaperStyle");
        tile = desktopNumber(key, "TileWallpaper");
        RegCloseKey(key);
    }
    return wallpaperStyle(style, tile);
}

/* Decodes the first frame of the file into a 32-bit bitmap. */
static HBITMAP decodePicture(IWICImagingFactory *factory, const char *path, int *width,
                             int *height)
{
    WCHAR widePath[MAX_PATH];
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    IWICFormatConverter *converter = NULL;
    HBITMAP bitmap = NULL;
    UINT w = 0, h = 0;
    DWORD *bits = NULL;

    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) == 0)
        return NULL;
    if (SUCCEEDED(factory->CreateDecoderFromFilename(widePath, NULL, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder))
        && SUCCEEDED(decoder->GetFrame(0, &frame))
        && SUCCEEDED(factory->CreateFormatConverter(&converter))
        && SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR,
                                           WICBitmapDitherTypeNone, NULL, 0.0,
                                           WICBitmapPaletteTypeCustom))
        && SUCCEEDED(converter->GetSize(&w, &h))
        && w > 0 && h > 0 && w <= PICTURE_MAX && h <= PICTURE_MAX) {
        /* top row first, as the decoder gives it */
        bitmap = createDib32((int)w, (int)h, &bits);
        if (bitmap != NULL && FAILED(converter->CopyPixels(NULL, w * 4, w * 4 * h, (BYTE *)bits))) {
            DeleteObject(bitmap);
            bitmap = NULL;
        }
    }
    if (converter != NULL)
        converter->Release();
    if (frame != NULL)
        frame->Release();
    if (decoder != NULL)
        decoder->Release();
    *width = (int)w;
    *height = (int)h;
    return bitmap;
}

static HBITMAP loadWallpaper(int *width, int *height)
{
    char path[MAX_PATH];
    IWICImagingFactory *factory = NULL;
    HBITMAP bitmap = NULL;
    HRESULT com;

    memset(path, 0, sizeof path);
    if (!SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0))
        path[0] = 0;
    path[MAX_PATH - 1] = 0;
    if (path[0] == 0)
        return NULL;
    com = CoInitialize(NULL);
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void **)&factory))) {
        bitmap = decodePicture(factory, path, width, height);
        factory->Release();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return bitmap;
}

/* One monitor (or, spanned, the virtual screen): the desktop colour, and
   the picture placed on it, cut off at the area's edges. */
static void paintArea(const WallpaperPaint *p, const RECT *area)
{
    RECT placed;
    int saved = SaveDC(p->image);

    IntersectClipRect(p->image, area->left, area->top, area->right, area->bottom);
    FillRect(p->image, area, GetSysColorBrush(COLOR_DESKTOP));
    if (p->picture != NULL) {
        placeWallpaper(p->style, area, p->width, p->height, &placed);
        if (p->style == WALLPAPER_TILE) {
            /* one fill, however small the picture */
            HBRUSH tiles = CreatePatternBrush(p->bitmap);
            if (tiles != NULL) {
                SetBrushOrgEx(p->image, placed.left, placed.top, NULL);
                FillRect(p->image, area, tiles);
                DeleteObject(tiles);
            }
        } else {
            SetStretchBltMode(p->image, HALFTONE);
            SetBrushOrgEx(p->image, 0, 0, NULL);
            StretchBlt(p->image, placed.left, placed.top, placed.right - placed.left,
                       placed.bottom - placed.top, p->picture, 0, 0, p->width, p->height, SRCCOPY);
        }
    }
    RestoreDC(p->image, saved);
}

static BOOL CALLBACK paintMonitor(HMONITOR monitor, HDC dc, LPRECT bounds, LPARAM data)
{
    RECT area = *bounds;

    (void)monitor;
    (void)dc;
    OffsetRect(&area, -launchContext.screenLeft, -launchContext.screenTop);
    paintArea((const WallpaperPaint *)data, &area);
    return TRUE;
}

/* Paints the wallpaper into the image selected into the DC, which covers
   the virtual screen. */
void paintWallpaper(HDC image)
{
    WallpaperPaint paint;
    RECT all;
    HGDIOBJ oldPicture = NULL;

    memset(&paint, 0, sizeof paint);
    paint.image = image;
    paint.style = readStyle();
    paint.bitmap = loadWallpaper(&paint.width, &paint.height);
    if (paint.bitmap != NULL) {
        paint.picture = CreateCompatibleDC(NULL);
        if (paint.picture != NULL)
            oldPicture = SelectObject(paint.picture, paint.bitmap);
    }
    /* the screen's corners outside every monitor get the colour too */
    SetRect(&all, 0, 0, launchContext.screenWidth, launchContext.screenHeight);
    FillRect(image, &all, GetSysColorBrush(COLOR_DESKTOP));
    if (paint.style == WALLPAPER_SPAN
        || !EnumDisplayMonitors(NULL, NULL, paintMonitor, (LPARAM)&paint))
        paintArea(&paint, &all);

    if (paint.picture != NULL) {
        SelectObject(paint.picture, oldPicture);
        DeleteDC(paint.picture);
    }
    if (paint.bitmap != NULL)
        DeleteObject(paint.bitmap);
}
