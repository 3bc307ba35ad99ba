/* The saver follows the screen as it grows and shrinks under it, black-box.
   tools/displaychange.sh runs this on a display of 1024 x 768 that can be
   switched to 1280 x 1024. */
#include "tests/saverfixture.h"

namespace {

/* Wine reports the new size at once but tells no window: the test does, as
   Windows would. */
int switchTo(HWND window, int w, int h)
{
    char line[80];
    RECT rect, screen = { 0, 0, w, h };
    _snprintf(line, sizeof line, "/usr/bin/xrandr --output screen --mode %dx%d", w, h);
    if (!runCommand(line) || !waitUntil([&] { return GetSystemMetrics(SM_CXVIRTUALSCREEN) == w; }))
        return 0;
    PostMessageA(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    return waitUntil([&] { return GetWindowRect(window, &rect) && EqualRect(&rect, &screen); })
        && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

/* The new part shows the wallpaper stretched over the grown monitor (yellow
   left of its middle, blue right of it) and the water made from it; the
   old part keeps its photograph. */
TEST_F(Saver, FollowsTheScreenGrowingAndShrinking)
{
    const char *names[3] = { "Wallpaper", "WallpaperStyle", "TileWallpaper" }, *key = "Control Panel\\Desktop";
    char path[MAX_PATH];
    ValueBackup saved[3];
    ASSERT_TRUE(copyBesideProgram("wall.bmp", "wall.bmp") && scratchPath("wall.bmp", path, sizeof path));
    const char *values[3] = { path, "2", "0" };
    for (int i = 0; i < 3; i++) {
        backupValue(HKEY_CURRENT_USER, key, names[i], &saved[i]);
        setRawValue(HKEY_CURRENT_USER, key, names[i], REG_SZ, values[i], (DWORD)strlen(values[i]) + 1);
    }
    SetCursorPos(5, 5);
    start();
    EXPECT_TRUE(switchTo(window, 1280, 1024));
    HDC screen = GetDC(NULL);
    EXPECT_TRUE(waitUntil([&] {
        return GetPixel(screen, 1200, 100) == RGB(40, 120, 220) && GetPixel(screen, 100, 100) != RGB(240, 200, 40)
            && GetPixel(screen, 500, 1010) == (RGB(240, 200, 40) & RGB(155, 155, 255));
    })) << std::hex << GetPixel(screen, 1200, 100) << " " << GetPixel(screen, 500, 1010);
    ReleaseDC(NULL, screen);
    EXPECT_TRUE(switchTo(window, 1024, 768));
    pressKey('Q');
    EXPECT_TRUE(endsWith(&run));
    for (ValueBackup &b : saved)
        restoreValue(&b);
}

}  // namespace
