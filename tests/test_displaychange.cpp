/* The saver follows the screen as it grows and shrinks under it, black-box.
   tools/displaychange.sh runs this on a display of 1024 x 768 that can be
   switched to 1280 x 1024. */
#include "tests/saverfixture.h"

namespace {

/* Wine reports the new size at once but tells no window: the test does, as
   Windows would. */
int switchTo(HWND window, int w, int h, int followMs = waitMs)
{
    char line[80];
    RECT rect, screen = { 0, 0, w, h };
    _snprintf(line, sizeof line, "/usr/bin/xrandr --output screen --mode %dx%d", w, h);
    if (!runCommand(line) || !waitUntil([&] { return GetSystemMetrics(SM_CXVIRTUALSCREEN) == w; }))
        return 0;
    PostMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    return waitUntil([&] { return GetWindowRect(window, &rect) && EqualRect(&rect, &screen); }, followMs)
        && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

/* The new part shows the wallpaper stretched over the grown monitor (yellow
   left of its middle, blue right of it) and the water made from it; the
   old part keeps its photograph.  While a large picture decodes for the
   grown part (slow), the screen shrinking is followed and a key ends the
   saver at once.  A fish under water (cursor low) keeps its depth as the
   screen grows: it is still a fish, below the old screen's bottom. */
struct DisplayCase { const char *file; int cursorY, slow; };
class Display : public Saver, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(Display, FollowsTheScreenGrowingAndShrinking)
{
    const DisplayCase &c = GetParam();
    const char *names[3] = { "Wallpaper", "WallpaperStyle", "TileWallpaper" }, *key = "Control Panel\\Desktop";
    char path[MAX_PATH];
    ValueBackup saved[3];
    ASSERT_TRUE(copyBesideProgram(c.file, c.file) && scratchPath(c.file, path, sizeof path));
    const char *values[3] = { path, "2", "0" };
    for (int i = 0; i < 3; i++) {
        backupValue(HKEY_CURRENT_USER, key, names[i], &saved[i]);
        setRawValue(HKEY_CURRENT_USER, key, names[i], REG_SZ, values[i], (DWORD)strlen(values[i]) + 1);
    }
    POINT p = {};
    SetCursorPos(5, c.cursorY);
    start();
    EXPECT_TRUE(c.cursorY < 700 || waitUntil([&] { return GetCursorPos(&p) && p.x > 5; })) << "no fish";
    EXPECT_TRUE(switchTo(window, 1280, 1024));
    EXPECT_TRUE(c.cursorY < 700 || waitUntil([&] { return GetCursorPos(&p) && p.y > 768; }, 1000)) << p.y;
    HDC screen = GetDC(NULL);
    EXPECT_TRUE(c.slow || waitUntil([&] {
        return GetPixel(screen, 1200, 100) == RGB(40, 120, 220) && GetPixel(screen, 100, 100) != RGB(240, 200, 40)
            && GetPixel(screen, 500, 1010) == (RGB(240, 200, 40) & RGB(155, 155, 255));
    })) << std::hex << GetPixel(screen, 1200, 100) << " " << GetPixel(screen, 500, 1010);
    ReleaseDC(NULL, screen);
    EXPECT_TRUE(switchTo(window, 1024, 768, c.slow ? 1000 : waitMs));
    pressKey('Q');
    EXPECT_TRUE(endsWith(&run, 0, c.slow ? 1000 : waitMs));
    for (ValueBackup &b : saved)
        restoreValue(&b);
}

const DisplayCase displayCases[] = { { "wall.bmp", 5, 0 }, { "wallslow.jpg", 5, 1 }, { "wall.bmp", 740, 0 } };
void PrintTo(const DisplayCase &c, std::ostream *out) { *out << c.file << " cursor at " << c.cursorY; }
INSTANTIATE_TEST_SUITE_P(Table, Display, ::testing::ValuesIn(displayCases));

}  // namespace
