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
    for (int waited = 0; waited < 40000; waited += 500) {
        if (shareOf(colour, x0, x1, y) >= 0.8)
            return 1;
        pumpMessages(500);
    }
    return 0;
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
        pumpMessages(300);
    }
    void TearDown() override
    {
        if (window != NULL) {
            PostMessageA(window, WM_CHAR, 'q', 0);
            expectEndsCleanly();
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

/* Once the water stands well over the rows both monitors share, a fish
   pushed towards the second monitor swims onto it by itself.  The push is
   repeated whenever it is seen swimming away: a tick may come between
   placing the cursor and pushing it. */
TEST_F(TwoMonitors, FishSwimsOntoTheSecondMonitor)
{
    int toward = second.left < primary.left ? -1 : 1;
    int x = toward < 0 ? primary.left + 30 : primary.right - 30;
    int y = (second.bottom < primary.bottom ? second.bottom : primary.bottom) - 40;
    SetCursorPos(x, y);
    start();
    waitForShare(paper & water, primary.left + 100, primary.right - 100, y - 100);
    SetCursorPos(x, y);
    POINT at = { x, y }, last = at;
    for (int waited = 0; waited < 15000 && !PtInRect(&second, at); waited += 50) {
        pumpMessages(50);
        GetCursorPos(&at);
        if ((at.x - last.x) * toward < 0) {
            at.x += 10 * toward;
            SetCursorPos(at.x, at.y);
        }
        last = at;
    }
    EXPECT_TRUE(PtInRect(&second, at)) << "cursor at " << at.x << "," << at.y;
}

}  // namespace
