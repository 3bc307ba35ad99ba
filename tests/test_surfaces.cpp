/* Drawing surfaces photographed from a known desktop. */
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "saver/saver.h"
#include "settings/settings.h"
#include "tests/testutil.h"

namespace {

struct Box {
    int left, top, right, bottom;   /* right and bottom exclusive */
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class Surfaces : public ::testing::Test {
protected:
    HWND desktop, saver;
    int w, h;
    HDC grabDC;
    HBITMAP grabBitmap, grabOld;
    DWORD *pixels;

    void SetUp() override
    {
        desktop = showKnownDesktop();
        saver = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "ssave", WS_POPUP, 0, 0, 10, 10,
                                NULL, NULL, GetModuleHandleA(NULL), NULL);
        memset(&saverWindowState, 0, sizeof saverWindowState);
        saverWindowState.saverWindow = saver;
        w = launchContext.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        h = launchContext.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        defaultSettings();

        grabDC = CreateCompatibleDC(NULL);
        grabBitmap = createDib32(w, h, &pixels);
        grabOld = (HBITMAP)SelectObject(grabDC, grabBitmap);
    }

    void TearDown() override
    {
        SelectObject(grabDC, grabOld);
        DeleteObject(grabBitmap);
        DeleteDC(grabDC);
        DestroyWindow(saver);
        closeKnownDesktop(desktop);
    }

    /* Copies one of the two images out; the water image stays selected, as
       the animation expects. */
    void grab(HBITMAP image)
    {
        SelectObject(drawingSurfaces.imageDC, image);
        BitBlt(grabDC, 0, 0, w, h, drawingSurfaces.imageDC, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(drawingSurfaces.imageDC, drawingSurfaces.waterImage);
    }

    COLORREF at(int x, int y) const { return pixelColour(pixels[y * w + x]); }

    SIZE extent(const char *text)
    {
        SIZE size;
        GetTextExtentPoint32A(drawingSurfaces.imageDC, text, (int)strlen(text), &size);
        return size;
    }

    /* Every pixel off the boxes must be the known desktop's anded with the
       water colour; inside each box the text shows as black on white. */
    void expectImage(COLORREF water, const Box *boxes, int boxCount)
    {
        int wrong = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool inBox = std::any_of(boxes, boxes + boxCount,
                                         [&](const Box &b) { return b.contains(x, y); });
                if (!inBox && at(x, y) != (knownColour(x, y) & water) && wrong++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        EXPECT_EQ(0, wrong) << "first wrong pixel at " << firstX << "," << firstY;
        for (int b = 0; b < boxCount; b++) {
            int white = 0, black = 0;
            for (int y = boxes[b].top; y < boxes[b].bottom; y++)
                for (int x = boxes[b].left; x < boxes[b].right; x++) {
                    white += at(x, y) == RGB(255, 255, 255);
                    black += at(x, y) == RGB(0, 0, 0);
                }
            EXPECT_GT(white, 0) << "box " << b;
            EXPECT_GT(black, 0) << "box " << b;
        }
    }

    /* The water image as made: the site line in its corner, the rest the
       desktop anded with water. */
    void expectWaterImage(COLORREF water)
    {
        ASSERT_EQ(1, createSurfaces());
        SIZE s = extent(siteLine);
        Box corner = { w - 5 - s.cx, h - 5 - s.cy, w - 5, h - 5 };
        grab(drawingSurfaces.waterImage);
        expectImage(water, &corner, 1);
        destroySurfaces();
    }
};

const COLORREF plain = RGB(255, 255, 255);     /* anded with white: the desktop as it is */

TEST_F(Surfaces, WaterImageIsDesktopAndWaterColourWithCornerLine)
{
    expectWaterImage(waterColour());
}

TEST_F(Surfaces, SrcPaintWithBlackGivesThePlainDesktop)
{
    saverSettings.aquaR = saverSettings.aquaG = saverSettings.aquaB = 0;
    saverSettings.bltMode = SRCPAINT;
    expectWaterImage(plain);
}

TEST_F(Surfaces, BannerComesOnlyWithTheFirstPaint)
{
    ASSERT_EQ(1, createSurfaces());
    grab(drawingSurfaces.screenImage);
    expectImage(plain, NULL, 0);

    writeBanner();
    SelectObject(drawingSurfaces.imageDC, drawingSurfaces.waterImage);
    SIZE top = extent(bannerTopLine), site = extent(siteLine);
    /* centred on W div 2; one pixel of rounding either way */
    Box boxes[2] = {
        { w / 2 - top.cx / 2 - 1, h / 2 - top.cy, w / 2 + top.cx / 2 + 1, h / 2 },
        { w / 2 - site.cx / 2 - 1, h / 2 + 1, w / 2 + site.cx / 2 + 1, h / 2 + 1 + site.cy },
    };
    grab(drawingSurfaces.screenImage);
    expectImage(plain, boxes, 2);
    /* the boxes are the text's own: no blank rows above or below them */
    EXPECT_EQ(RGB(255, 255, 255), at(w / 2 - top.cx / 2 + 1, h / 2 - top.cy));
    EXPECT_EQ(RGB(255, 255, 255), at(w / 2 - top.cx / 2 + 1, h / 2 - 1));
    EXPECT_EQ(knownColour(w / 2, h / 2), at(w / 2, h / 2));
    EXPECT_EQ(RGB(255, 255, 255), at(w / 2 - site.cx / 2 + 1, h / 2 + site.cy));
    destroySurfaces();
}

TEST_F(Surfaces, TheImageDCHoldsTheWaterObjects)
{
    ASSERT_EQ(1, createSurfaces());
    const DrawingSurfaces &s = drawingSurfaces;
    EXPECT_EQ((HGDIOBJ)s.waterImage, GetCurrentObject(s.imageDC, OBJ_BITMAP));
    EXPECT_EQ((HGDIOBJ)s.waterBrush, GetCurrentObject(s.imageDC, OBJ_BRUSH));
    EXPECT_EQ((HGDIOBJ)s.waterPen, GetCurrentObject(s.imageDC, OBJ_PEN));
    EXPECT_EQ((HGDIOBJ)s.bubblePen, GetCurrentObject(s.windowDC, OBJ_PEN));
    EXPECT_EQ(GetStockObject(NULL_BRUSH), GetCurrentObject(s.windowDC, OBJ_BRUSH));
    LOGPEN pen;
    ASSERT_EQ((int)sizeof pen, GetObjectA(s.bubblePen, sizeof pen, &pen));
    EXPECT_EQ(bubbleColour(), pen.lopnColor);
    destroySurfaces();
}

TEST_F(Surfaces, DestroyLeavesNoObjectBehind)
{
    ASSERT_EQ(1, createSurfaces());
    DrawingSurfaces made = drawingSurfaces;
    destroySurfaces();
    HGDIOBJ objects[] = { made.bubblePen, made.imageDC, made.screenImage, made.waterImage,
                          made.waterBrush, made.waterPen };
    for (size_t i = 0; i < sizeof objects / sizeof objects[0]; i++)
        EXPECT_EQ(0u, GetObjectType(objects[i])) << "object " << i;
    EXPECT_EQ(NULL, drawingSurfaces.imageDC);
    /* the window DC went back to its default objects */
    HDC dc = GetWindowDC(saver);
    EXPECT_EQ(GetStockObject(BLACK_PEN), GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(dc, OBJ_BRUSH));
    ReleaseDC(saver, dc);
}

/* Where the images are DIB sections rather than compatible bitmaps, the
   engine must still draw exactly the same picture from them. */
TEST_F(Surfaces, EngineDrawsTheSameFromEitherKindOfImage)
{
    ASSERT_EQ(1, createSurfaces());
    const DrawingSurfaces made = drawingSurfaces;
    HDC screen = GetDC(NULL), copyDC = CreateCompatibleDC(NULL);
    HBITMAP compatible[2] = { CreateCompatibleBitmap(screen, w, h), CreateCompatibleBitmap(screen, w, h) };
    HBITMAP built[2] = { made.screenImage, made.waterImage };
    for (int i = 0; i < 2; i++) {
        grab(built[i]);
        HGDIOBJ old = SelectObject(copyDC, compatible[i]);
        BitBlt(copyDC, 0, 0, w, h, grabDC, 0, 0, SRCCOPY);
        SelectObject(copyDC, old);
    }
    std::vector<DWORD> first;
    for (int pass = 0; pass < 2; pass++) {
        drawingSurfaces.screenImage = pass ? compatible[0] : built[0];
        drawingSurfaces.waterImage = pass ? compatible[1] : built[1];
        SelectObject(made.imageDC, drawingSurfaces.waterImage);
        drawingSurfaces.windowDC = grabDC;
        PatBlt(grabDC, 0, 0, w, h, BLACKNESS);
        startWater();
        saverWindowState.mouseY = -1000;    /* no fish: the real cursor stays put */
        for (int t = 0; t < 40; t++)
            animationTick();
        GdiFlush();
        if (pass == 0)
            first.assign(pixels, pixels + w * h);
        else
            EXPECT_EQ(0, memcmp(first.data(), pixels, sizeof(DWORD) * w * h));
    }
    drawingSurfaces = made;
    destroySurfaces();
    DeleteObject(compatible[0]);
    DeleteObject(compatible[1]);
    DeleteDC(copyDC);
    ReleaseDC(NULL, screen);
}

TEST_F(Surfaces, ImagesTooBigFailAndReleaseWhatWasMade)
{
    launchContext.screenWidth = 200000;
    launchContext.screenHeight = 200000;
    EXPECT_EQ(0, createSurfaces());
    static const DrawingSurfaces empty = {};
    EXPECT_EQ(0, memcmp(&empty, &drawingSurfaces, sizeof empty));
    HDC dc = GetWindowDC(saver);
    EXPECT_EQ(GetStockObject(BLACK_PEN), GetCurrentObject(dc, OBJ_PEN));
    ReleaseDC(saver, dc);
}

/* A display change while the saver runs, from the screen in the row (a
   part of the test's: a photograph reaching past the screen comes out
   black under Wine) to the test's whole screen: the photograph stays
   where the two overlap, without the banner, the desktop colour fills the
   rest, the water keeps its depth, the cursor its place on the screen,
   and the old images go.  A change while the display is off is followed
   once it is on again. */
TEST_F(Surfaces, RebuiltForTheNewScreen)
{
    const struct { RECT old; int level; DWORD fillTo; int off, newLevel; } rows[] = {
        { { 0, 0, 800, 600 }, 500, 100, 0, 668 },      /* grown right and down */
        { { 200, 100, 1024, 768 }, 300, 100, 0, 400 },  /* grown left and up */
        { { 100, 50, 900, 700 }, 300, 100, 1, 418 },    /* while the display was off */
        { { 0, 0, 1024, 600 }, 100, 50, 0, 358 },       /* no deeper than the new full mark */
    };
    struct { GUID setting; DWORD length, state; } on = {
        { 0x6fe69556, 0x704a, 0x47a0, { 0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47 } }, 4, 1 };
    ASSERT_TRUE(w == 1024 && h == 768);
    for (const auto &r : rows) {
        launchContext.screenLeft = r.old.left, launchContext.screenTop = r.old.top;
        launchContext.screenWidth = r.old.right - r.old.left, launchContext.screenHeight = r.old.bottom - r.old.top;
        ASSERT_EQ(1, createSurfaces());
        writeBanner();
        waterState.level = r.level;
        saverSettings.fillTo = r.fillTo;
        saverWindowState.mouseX = launchContext.screenWidth - 1, saverWindowState.mouseY = launchContext.screenHeight - 1;
        const DrawingSurfaces made = drawingSurfaces;
        saverWindowState.displayOff = r.off;
        saverWndProc(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
        EXPECT_EQ(r.off, made.screenImage == drawingSurfaces.screenImage);
        saverWndProc(saver, WM_POWERBROADCAST, 0x8013, (LPARAM)&on);
        for (HGDIOBJ old : { made.screenImage, made.waterImage, made.bannerUnder })
            EXPECT_EQ(0u, GetObjectType(old));
        RECT kept, rect, screen = { 0, 0, w, h };
        GetWindowRect(saver, &rect);
        EXPECT_TRUE(EqualRect(&rect, &screen) && IntersectRect(&kept, &r.old, &screen));
        EXPECT_EQ(r.newLevel, waterState.level);
        EXPECT_TRUE(saverWindowState.mouseX == r.old.right - 1 && saverWindowState.mouseY == r.old.bottom - 1);
        grab(drawingSurfaces.screenImage);
        int wrong = 0;
        for (POINT p = { 0, 0 }; p.y < h; p.y += 3)
            for (p.x = 0; p.x < w; p.x += 3)
                wrong += at(p.x, p.y) != (PtInRect(&kept, p) ? knownColour(p.x, p.y) : GetSysColor(COLOR_DESKTOP));
        EXPECT_EQ(0, wrong) << r.old.left << "," << r.old.top;
        destroySurfaces();
    }
}

/* The wallpaper takes the photograph's place on a desktop of the saver's
   own, known by its name alone (a secure desktop cannot be made under
   Wine); an unreadable name leaves the photograph. */
TEST(Wallpaper, WantedOnAnotherDesktopOnly)
{
    const struct { const char *desktop; int wanted; } rows[] = {
        { "Default", 0 }, { "default", 0 }, { "Screen-saver", 1 }, { "Winlogon", 1 }, { "", 0 },
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.wanted, wallpaperWanted(r.desktop)) << '"' << r.desktop << '"';
}

/* Pictures on a 1000 x 500 monitor whose corner is (100, 50). */
TEST(Wallpaper, PlacedPerStyle)
{
    const RECT area = { 100, 50, 1100, 550 };
    const struct { int style, tile, w, h; RECT placed; } rows[] = {
        { 0, 0, 400, 100, { 400, 250, 800, 350 } },         /* centred */
        { 0, 0, 2000, 1000, { -400, -200, 1600, 800 } },    /* centred, cut off */
        { 0, 1, 400, 100, { 100, 50, 500, 150 } },          /* the first tile */
        { 2, 1, 400, 100, { 100, 50, 1100, 550 } },         /* stretched; tiling only centres */
        { 6, 0, 400, 100, { 100, 175, 1100, 425 } },        /* fit, wide */
        { 6, 0, 100, 400, { 537, 50, 662, 550 } },          /* fit, tall */
        { 10, 0, 400, 100, { -400, 50, 1600, 550 } },       /* fill, wide */
        { 10, 0, 100, 400, { 100, -1700, 1100, 2300 } },    /* fill, tall */
        { 22, 0, 400, 100, { -400, 50, 1600, 550 } },       /* span fills the area it gets */
        { 7, 1, 400, 100, { 400, 250, 800, 350 } },         /* unknown: centred */
        { 6, 0, 0, 100, { 100, 50, 1100, 550 } },           /* no picture size */
        { 6, 0, 2400, 1000, { 100, 91, 1100, 508 } },       /* fit, 416.67 rounded to 417 */
        { 6, 0, 100, 300, { 516, 50, 683, 550 } },          /* fit, tall, 166.67 rounded to 167 */
        { 10, 0, 1, 2000000000, {} },                       /* fill, beyond the coordinates */
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        RECT placed;
        placeWallpaper(wallpaperStyle(rows[i].style, rows[i].tile), &area, rows[i].w, rows[i].h, &placed);
        EXPECT_TRUE(EqualRect(&rows[i].placed, &placed)) << i << ": " << placed.left << ","
            << placed.top << " " << placed.right << "," << placed.bottom;
    }
}

}  // namespace
