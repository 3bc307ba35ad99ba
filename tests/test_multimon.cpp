/* The saver on two monitors, black-box.  tools/multimon.sh runs this on a
   display laid out with the second monitor right of the primary, and again
   with it on the left, which puts the virtual origin at a negative x. */
#include <gtest/gtest.h>
#include <string.h>

#include "tests/saverfixture.h"

namespace {

RECT screen, primary, second;   /* the virtual screen and its two monitors */
int monitors;

BOOL CALLBACK noteMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info;
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    (info.dwFlags & MONITORINFOF_PRIMARY ? primary : second) = info.rcMonitor;
    monitors++;
    return TRUE;
}

const COLORREF paper = RGB(255, 255, 255), block = RGB(200, 40, 40);
const COLORREF water = RGB(155, 155, 255);     /* the default colour, ANDed in */

RECT blockOnSecond()
{
    RECT r = { second.left + 100, second.bottom - 200, second.right - 100, second.bottom - 10 };
    return r;
}

/* A stand-in desktop over both monitors: paper, with a block on the second. */
LRESULT CALLBACK desktopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    RECT all, mark = blockOnSecond();
    HDC dc = BeginPaint(window, &paint);
    HBRUSH paperBrush = CreateSolidBrush(paper), blockBrush = CreateSolidBrush(block);
    GetClientRect(window, &all);
    FillRect(dc, &all, paperBrush);
    OffsetRect(&mark, -screen.left, -screen.top);
    FillRect(dc, &mark, blockBrush);
    DeleteObject(paperBrush);
    DeleteObject(blockBrush);
    EndPaint(window, &paint);
    return 0;
}

/* Share of every fourth pixel of a row, x0 to x1, that shows the colour. */
double shareOf(COLORREF colour, int x0, int x1, int y)
{
    HDC dc = GetDC(NULL);
    int hits = 0, all = 0;
    for (int x = x0; x < x1; x += 4, all++)
        hits += GetPixel(dc, x, y) == colour;
    ReleaseDC(NULL, dc);
    return (double)hits / all;
}

int waitForShare(COLORREF colour, int x0, int x1, int y)
{
    return waitUntil([&] { return shareOf(colour, x0, x1, y) >= 0.8; }, 40000);
}

class TwoMonitors : public Saver {
protected:
    HWND desktop = NULL;
    void SetUp() override
    {
        Saver::SetUp();
        monitors = 0;
        EnumDisplayMonitors(NULL, NULL, noteMonitor, 0);
        ASSERT_EQ(2, monitors) << "the display is not laid out as two monitors";
        SetRect(&screen, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN));
        WNDCLASSA windowClass;
        memset(&windowClass, 0, sizeof windowClass);
        windowClass.lpfnWndProc = desktopProc;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "kelptesttwomonitors";
        RegisterClassA(&windowClass);
        desktop = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE,
                                  screen.left, screen.top, screen.right - screen.left,
                                  screen.bottom - screen.top, NULL, NULL,
                                  windowClass.hInstance, NULL);
        HDC dc = GetDC(NULL);
        waitUntil([&] { return GetPixel(dc, primary.left + 10, primary.top + 10) == paper; });
        ReleaseDC(NULL, dc);
    }
    void TearDown() override
    {
        if (window != NULL) {
            PostMessageA(window, WM_CHAR, 'q', 0);
            EXPECT_TRUE(endsWith(&run));
        }
        closeKnownDesktop(desktop);
        Saver::TearDown();
    }
};

/* The window covers both monitors, and the bottom rows of both turn to
   water made from what was on each: paper, and the block. */
TEST_F(TwoMonitors, WaterCoversBothMonitorsWithTheirPhotograph)
{
    start();
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_TRUE(EqualRect(&rect, &screen)) << rect.left << "," << rect.top << " "
                                           << rect.right << "," << rect.bottom;
    RECT mark = blockOnSecond();
    EXPECT_TRUE(waitForShare(paper & water, primary.left + 100, primary.right - 100,
                             primary.bottom - 40)) << "primary";
    EXPECT_TRUE(waitForShare(block & water, mark.left + 20, mark.right - 20, mark.bottom - 40))
        << "second";
}

/* Puts the cursor at (x, y) and reads it back until it is there: a tick
   that falls between the placement and its echo moves the cursor on from
   where the saver last put it, undoing the placement. */
int placeCursor(int x, int y)
{
    return waitUntil([&] {
        POINT at;
        SetCursorPos(x, y);
        pumpMessages(20);
        return GetCursorPos(&at) && abs(at.x - x) <= 8 && abs(at.y - y) <= 8;
    }, 5000);
}

/* Once the water stands well over the rows both monitors share, a fish
   placed at the primary's edge and pushed towards the second monitor swims
   onto it by itself.  It is pushed again, back at the height it started
   at, whenever it is seen swimming away or bobbing out of the second
   monitor's rows. */
TEST_F(TwoMonitors, FishSwimsOntoTheSecondMonitor)
{
    int toward = second.left < primary.left ? -1 : 1;
    int x = toward < 0 ? primary.left + 30 : primary.right - 30;
    int y = (second.bottom < primary.bottom ? second.bottom : primary.bottom) - 40;
    SetCursorPos(x, y);
    start();
    ASSERT_TRUE(waitForShare(paper & water, primary.left + 100, primary.right - 100, y - 100))
        << "the water did not rise above the fish's height";
    ASSERT_TRUE(placeCursor(x, y));
    POINT at = { x, y }, last = at;
    waitUntil([&] {
        GetCursorPos(&at);
        if ((at.x - last.x) * toward < 0 || at.y < second.top + 8 || at.y > second.bottom - 8) {
            at.x += 10 * toward;
            at.y = y;
            SetCursorPos(at.x, at.y);
        }
        last = at;
        return PtInRect(&second, at);
    }, 15000);
    GetCursorPos(&at);
    EXPECT_TRUE(PtInRect(&second, at)) << "cursor at " << at.x << "," << at.y;
}

}  // namespace
