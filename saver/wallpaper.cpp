/* The screen image where no photograph of the desktop can be taken.

   With "On resume, display logon screen" set, the system starts the saver
   on a desktop of its own, where a photograph of the screen shows nothing
   of the user's desktop, and the water would rise over nothing.  That
   desktop is known by its name alone: anything but "Default".  There the
   saver lays out the user's wallpaper itself, as the desktop shows it:
   the picture named by the system, placed on each monitor as the settings
   in "Control Panel\Desktop" say, over the desktop colour.  On "Default"
   the photograph is taken whatever it shows: a black screen with a line
   of text, a paused video or a blank slide is what the user left there.

   The system's imaging component decodes the picture, so the JPEG and PNG
   wallpapers of current systems work as well as bitmaps; a picture that
   cannot be read leaves the desktop colour alone.  A camera photograph
   takes seconds to decode, so a thread of its own does it while the saver
   already runs over the desktop colour; the picture is then laid in and
   the water made again from it.  The thread decodes only the part each
   monitor shows, at the size it is shown, pulled a band of rows at a time
   through the imaging component's scaler: the saver never holds more than
   one monitor-sized image per monitor, however large the picture (what
   the decoder itself keeps is the system's: Wine's keeps all of it).

   The saver never waits for the decoder, which cannot be cut short while
   it reads the file: a key must end the saver at once, and a display
   change must cover the new screen at once.  Both abandon the decoding
   under way, which then frees what it made and ends by itself, and a
   decoding started after a display change waits for an abandoned one to
   end before it reads the picture, so that only one holds its memory. */
#include "saver/saver.h"
#include "common/files.h"
#include "saver/dib.h"

#include <objbase.h>
#include <wincodec.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#define DESKTOP_KEY "Control Panel\\Desktop"
/* Monitors beyond these keep the desktop colour. */
#define WALLPAPER_AREAS 16
/* Rows pulled through the decoder at a time; the thread looks between
   bands whether its decoding has been abandoned. */
#define BAND_ROWS 32
/* The most pixels a picture may have to be decoded.  Wine's decoders hold
   the whole picture, its PNG decoder counting the bytes in 32 bits: 40000 x
   40000 wraps and kills the thread.  At 8 bytes a pixel, the deepest a
   picture decodes to, 2^27 pixels (134 megapixels, beyond any camera) are
   1 GiB: no count wraps, and a 32-bit process's 2 GiB hold it or fail
   cleanly.  Wine's decoders cannot scale: a larger picture is not shown. */
#define MOST_PIXELS ((ULONGLONG)1 << 27)

struct WallpaperArea {
    RECT area;          /* a monitor, or the whole image when spanned */
    RECT shown;         /* the part of the picture's place inside the area */
    HBITMAP picture;    /* that part as shown (a tiled picture: its first tile), or NULL */
};

/* One start's decoding.  Filled in by the saver's thread before the
   decoding thread starts; then the decoding thread alone makes the areas'
   pictures, until it has told the window they are made.  Each of the two
   lets go of it once, and the last to do so frees it with any picture
   still in it. */
struct WallpaperJob {
    volatile LONG holders;
    volatile LONG abandoned;    /* set by the saver's thread: nobody wants the pictures */
    HWND window;        /* told with KELP_WALLPAPER_READY when the pictures are made */
    WPARAM start;       /* which start the message is about */
    WCHAR path[MAX_PATH];
    int style;
    int count;
    WallpaperArea areas[WALLPAPER_AREAS];
};

struct WallpaperState {
    WallpaperJob *job;  /* the decoding under way or made and not yet laid in, or NULL */
    WPARAM start;       /* counts on across starts */
    RECT kept;          /* the part of the image the pictures leave alone, or empty */
    int decodingReady;  /* `decoding` is initialised */
    /* held by a decoding thread while it reads the picture: one at a time */
    CRITICAL_SECTION decoding;
};

static WallpaperState wallpaperState;

/* An unreadable name says nothing; the photograph is taken then. */
int wallpaperWanted(const char *desktopName)
{
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
   inside the area, the other covering it, both centred; fit's size is
   rounded to the nearest pixel.  Worked out in 64 bits: 0, and an empty
   place, when the picture laid out so reaches beyond the coordinates (a
   picture a million times taller than wide, filling), which is then not
   shown. */
int placeWallpaper(int style, const RECT *area, int width, int height, RECT *placed)
{
    long long aw = area->right - area->left, ah = area->bottom - area->top;
    long long w = width, h = height, left, top;
    int wider = aw * h > ah * w;     /* the area is wider than the picture */
    int fit = style == WALLPAPER_FIT;

    if (width <= 0 || height <= 0 || style == WALLPAPER_STRETCH) {
        *placed = *area;
        return 1;
    }
    if (fit || style == WALLPAPER_FILL || style == WALLPAPER_SPAN) {
        if (wider == fit) {
            w = (w * ah + (fit ? h / 2 : 0)) / h;
            h = ah;
        } else {
            h = (h * aw + (fit ? w / 2 : 0)) / w;
            w = aw;
        }
    }
    left = area->left;
    top = area->top;
    if (style != WALLPAPER_TILE) {
        left += (aw - w) / 2;
        top += (ah - h) / 2;
    }
    SetRectEmpty(placed);
    if (w > INT_MAX || h > INT_MAX || left < INT_MIN || top < INT_MIN || left + w > INT_MAX
        || top + h > INT_MAX)
        return 0;
    SetRect(placed, (int)left, (int)top, (int)(left + w), (int)(top + h));
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


/* Decodes the part of the picture that the area shows, at the size it is
   shown there, straight into a bitmap of that size.  The rows are pulled
   through the scaler a band at a time, so that neither the saver nor the
   scaler holds the picture at its own size. */
static HBITMAP decodeArea(WallpaperJob *job, IWICImagingFactory *factory,
                          IWICBitmapSource *frame, UINT width, UINT height, WallpaperArea *a)
{
    IWICBitmapScaler *scaler = NULL;
    IWICFormatConverter *converter = NULL;
    IWICBitmapSource *source = frame;
    HBITMAP picture = NULL;
    DWORD *bits = NULL;
    RECT placed;
    int w, h, row, ok;

    /* a size beyond the coordinates is not laid out: the desktop colour stays */
    if (width > INT_MAX || height > INT_MAX
        || !placeWallpaper(job->style, &a->area, (int)width, (int)height, &placed)
        || !IntersectRect(&a->shown, &placed, &a->area))
        return NULL;
    w = a->shown.right - a->shown.left;
    h = a->shown.bottom - a->shown.top;
    ok = 1;
    if ((UINT)(placed.right - placed.left) != width || (UINT)(placed.bottom - placed.top) != height) {
        /* Fant averages what it leaves out: a photograph shrunk tenfold stays smooth */
        ok = SUCCEEDED(factory->CreateBitmapScaler(&scaler))
            && SUCCEEDED(scaler->Initialize(frame, placed.right - placed.left,
                                            placed.bottom - placed.top,
                                            WICBitmapInterpolationModeFant));
        source = scaler;
    }
    ok = ok && SUCCEEDED(factory->CreateFormatConverter(&converter))
        && SUCCEEDED(converter->Initialize(source, GUID_WICPixelFormat32bppBGR,
                                           WICBitmapDitherTypeNone, NULL, 0.0,
                                           WICBitmapPaletteTypeCustom));
    if (ok)
        picture = createDib32(w, h, &bits);
    ok = ok && picture != NULL;
    for (row = 0; ok && row < h; row += BAND_ROWS) {
        WICRect band = { a->shown.left - placed.left, a->shown.top - placed.top + row, w,
                         h - row < BAND_ROWS ? h - row : BAND_ROWS };
        ok = !job->abandoned
            && SUCCEEDED(converter->CopyPixels(&band, (UINT)w * 4, (UINT)(w * 4 * band.Height),
                                               (BYTE *)(bits + (size_t)row * w)));
    }
    if (!ok && picture != NULL) {
        DeleteObject(picture);
        picture = NULL;
    }
    if (converter != NULL)
        converter->Release();
    if (scaler != NULL)
        scaler->Release();
    return picture;
}

static void dropPictures(WallpaperJob *job)
{
    int i;

    for (i = 0; i < job->count; i++) {
        if (job->areas[i].picture != NULL)
            DeleteObject(job->areas[i].picture);
        job->areas[i].picture = NULL;
    }
}

static void letGo(WallpaperJob *job)
{
    if (InterlockedDecrement(&job->holders) == 0) {
        dropPictures(job);
        HeapFree(GetProcessHeap(), 0, job);
    }
}

/* Wine's PNG decoder decodes the picture as it is made, before its frame
   tells the size: the header tells it first.  0 for a PNG beyond the bound. */
static int pngWithinBound(const WCHAR *path)
{
    BYTE head[24];
    DWORD got = 0;
    HANDLE file = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, 0);

    if (file == INVALID_HANDLE_VALUE)
        return 1;   /* the decoder says why it cannot read it */
    ReadFile(file, head, sizeof head, &got, NULL);     /* got stays 0 on failure */
    CloseHandle(file);
    return got < sizeof head || memcmp(head, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) != 0
        || (ULONGLONG)((DWORD)head[16] << 24 | head[17] << 16 | head[18] << 8 | head[19])
               * ((DWORD)head[20] << 24 | head[21] << 16 | head[22] << 8 | head[23]) <= MOST_PIXELS;
}

/* The decoding thread.  It tells the saver's window once the pictures are
   made and everything of the decoder's is released, and then touches the
   job no more but to let go of it. */
static DWORD WINAPI decodeWallpaper(LPVOID data)
{
    WallpaperJob *job = (WallpaperJob *)data;
    IWICImagingFactory *factory = NULL;
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    UINT width = 0, height = 0;
    int i, made = 0, within;
    HRESULT com;

    /* a few bytes, read without waiting for an abandoned decoding */
    within = pngWithinBound(job->path);
    /* a decoding abandoned by a display change may still be reading */
    EnterCriticalSection(&wallpaperState.decoding);
    com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    if (!job->abandoned && within
        && SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, (void **)&factory))
        && SUCCEEDED(factory->CreateDecoderFromFilename(job->path, NULL, GENERIC_READ,
                                                        WICDecodeMetadataCacheOnDemand, &decoder))
        && SUCCEEDED(decoder->GetFrame(0, &frame))
        && SUCCEEDED(frame->GetSize(&width, &height)) && width > 0 && height > 0
        && (ULONGLONG)width * height <= MOST_PIXELS) {
        for (i = 0; i < job->count && !job->abandoned; i++) {
            job->areas[i].picture = decodeArea(job, factory, frame, width, height, &job->areas[i]);
            made |= job->areas[i].picture != NULL;
        }
    }
    if (frame != NULL)
        frame->Release();
    if (decoder != NULL)
        decoder->Release();
    if (factory != NULL)
        factory->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    LeaveCriticalSection(&wallpaperState.decoding);
    if (made && !job->abandoned)
        PostMessageA(job->window, KELP_WALLPAPER_READY, job->start, 0);
    letGo(job);
    return 0;
}

static BOOL CALLBACK addMonitor(HMONITOR monitor, HDC dc, LPRECT bounds, LPARAM data)
{
    WallpaperJob *job = (WallpaperJob *)data;

    (void)monitor;
    (void)dc;
    if (job->count < WALLPAPER_AREAS) {
        job->areas[job->count].area = *bounds;
        OffsetRect(&job->areas[job->count].area, -launchContext.screenLeft, -launchContext.screenTop);
        job->count++;
    }
    return TRUE;
}

/* Nobody wants the pictures of the decoding under way any more: it ends
   by itself, and a message it has already sent names a start gone by. */
static void abandonDecoding(void)
{
    WallpaperState *ws = &wallpaperState;

    if (ws->job != NULL) {
        InterlockedExchange(&ws->job->abandoned, 1);
        letGo(ws->job);
        ws->job = NULL;
    }
}

/* Paints the desktop colour into the image selected into the DC, which
   covers the virtual screen, and starts decoding the wallpaper for it;
   the window hears of it with KELP_WALLPAPER_READY.  The kept part, when
   not NULL, is where the caller puts a photograph of its own after this
   call: the pictures are not laid over it.  A decoding still under way is
   abandoned.  0 when no picture is on its way. */
int startWallpaper(HDC image, HWND window, const RECT *kept)
{
    WallpaperState *ws = &wallpaperState;
    WallpaperJob *job;
    HANDLE thread;
    RECT all;
    DWORD id;

    abandonDecoding();
    ws->start++;
    SetRectEmpty(&ws->kept);
    if (kept != NULL)
        ws->kept = *kept;
    if (!ws->decodingReady) {
        InitializeCriticalSection(&ws->decoding);
        ws->decodingReady = 1;
    }
    /* the corners outside every monitor keep it too */
    SetRect(&all, 0, 0, launchContext.screenWidth, launchContext.screenHeight);
    FillRect(image, &all, GetSysColorBrush(COLOR_DESKTOP));
    job = (WallpaperJob *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *job);
    if (job == NULL)
        return 0;
    /* the wide name: a picture's name need not fit the ANSI code page */
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, job->path, 0))
        job->path[0] = 0;
    job->path[MAX_PATH - 1] = 0;
    if (job->path[0] == 0) {
        HeapFree(GetProcessHeap(), 0, job);
        return 0;
    }
    job->holders = 2;
    job->window = window;
    job->start = ws->start;
    job->style = readStyle();
    if (job->style == WALLPAPER_SPAN || !EnumDisplayMonitors(NULL, NULL, addMonitor, (LPARAM)job)
        || job->count == 0) {
        job->count = 1;
        job->areas[0].area = all;
    }
    thread = CreateThread(NULL, 0, decodeWallpaper, job, 0, &id);
    if (thread == NULL) {
        HeapFree(GetProcessHeap(), 0, job);
        return 0;
    }
    CloseHandle(thread);    /* never waited for */
    ws->job = job;
    return 1;
}

static void paintArea(HDC image, HDC pictureDC, int style, const WallpaperArea *a)
{
    const RECT *s = &a->shown;
    HGDIOBJ old;

    if (style == WALLPAPER_TILE) {
        /* one fill, however small the picture */
        HBRUSH tiles = CreatePatternBrush(a->picture);
        POINT origin;
        if (tiles != NULL) {
            SetBrushOrgEx(image, s->left, s->top, &origin);
            FillRect(image, &a->area, tiles);
            SetBrushOrgEx(image, origin.x, origin.y, NULL);
            DeleteObject(tiles);
        }
        return;
    }
    old = SelectObject(pictureDC, a->picture);
    BitBlt(image, s->left, s->top, s->right - s->left, s->bottom - s->top, pictureDC, 0, 0,
           SRCCOPY);
    SelectObject(pictureDC, old);
}

/* Once the window has heard that the pictures of a start are made: lays
   them into the image selected into the DC and lets them go.  0 when
   there was nothing to lay in, or when the message came from a start that
   a display change has since stopped: waiting for the pictures of the
   start that replaced it would hold the saver still for as long as they
   take to decode. */
int layInWallpaper(HDC image, WPARAM start)
{
    WallpaperState *ws = &wallpaperState;
    WallpaperJob *job = ws->job;
    HDC pictureDC;
    RECT all;
    int i, laid = 0;

    /* a message of an abandoned start may name a job already freed */
    if (job == NULL || start != ws->start)
        return 0;
    /* the thread has said its last word: the pictures are the window's */
    ws->job = NULL;
    for (i = 0; i < job->count; i++)
        laid |= job->areas[i].picture != NULL;
    pictureDC = laid ? CreateCompatibleDC(NULL) : NULL;
    if (pictureDC != NULL) {
        /* the clipping belongs to the DC and goes with SelectClipRgn: no region to delete */
        if (!IsRectEmpty(&ws->kept))
            ExcludeClipRect(image, ws->kept.left, ws->kept.top, ws->kept.right, ws->kept.bottom);
        /* the banner may stand in the image by now, where no picture comes */
        SetRect(&all, 0, 0, launchContext.screenWidth, launchContext.screenHeight);
        FillRect(image, &all, GetSysColorBrush(COLOR_DESKTOP));
        for (i = 0; i < job->count; i++)
            if (job->areas[i].picture != NULL)
                paintArea(image, pictureDC, job->style, &job->areas[i]);
        SelectClipRgn(image, NULL);
        DeleteDC(pictureDC);
    }
    letGo(job);     /* the pictures go with it */
    return pictureDC != NULL;
}

/* Whether pictures are still on their way, not yet laid in, and the part
   of the image they were to leave alone. */
int wallpaperPending(RECT *kept)
{
    *kept = wallpaperState.kept;
    return wallpaperState.job != NULL;
}

/* The saver closes, or the screen it was decoding for has changed: the
   decoding is abandoned, not waited for.  The thread stops at its next
   band of rows, or once the decoder's reading of the file, which cannot
   be cut short, is done; the process may end before. */
void stopWallpaper(void)
{
    abandonDecoding();
}
