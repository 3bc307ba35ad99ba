/* The preview's drawing, in-process: under Wine a child painted from
   another process is not visible, so here the host is the test's own. */
#include <gtest/gtest.h>
#include <string.h>

#include "preview/preview.h"
#include "saver/saver.h"
#include "tests/testutil.h"

namespace {

const COLORREF hostColour = RGB(0, 128, 128);

class PreviewDraw : public ::testing::Test {
protected:
    HWND host;
    HBRUSH brush;
    HDC referenceDC;
    HBITMAP referenceBitmap, referenceOld;
    DWORD *reference;

    void SetUp() override
    {
        WNDCLASSA hostClass = {};
        brush = CreateSolidBrush(hostColour);
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(NULL);
        hostClass.hbrBackground = brush;
        hostClass.lpszClassName = "kelptestpreviewhost";
        RegisterClassA(&hostClass);
        host = CreateWindowExA(0, "kelptestpreviewhost", "", WS_POPUP | WS_VISIBLE, 40, 40,
                               152, 112, NULL, NULL, GetModuleHandleA(NULL), NULL);
        UpdateWindow(host);
        pumpMessages(100);
        launchContext.instance = GetModuleHandleA(NULL);

        reference = NULL;
        referenceDC = CreateCompatibleDC(NULL);
        referenceBitmap = createDib32(152, 112, &reference);
        referenceOld = (HBITMAP)SelectObject(referenceDC, referenceBitmap);
        RECT all = { 0, 0, 152, 112 };
        FillRect(referenceDC, &all, brush);
    }

    void TearDown() override
    {
        SelectObject(referenceDC, referenceOld);
        DeleteObject(referenceBitmap);
        DeleteDC(referenceDC);
        DestroyWindow(host);
        UnregisterClassA("zubsaverpreview", GetModuleHandleA(NULL));
        UnregisterClassA("kelptestpreviewhost", GetModuleHandleA(NULL));
        DeleteObject(brush);
    }

    /* What the block drawn at y looks like, added to what was there. */
    void drawReference(int y, int lineHeight)
    {
        const char *lines[5] = { "   ----------------------------------   ",
                                 "     kelpVole Saver '99     ", "   ONLY AVAILABLE AT   ",
                                 siteLine, "   ----------------------------------   " };
        SetTextAlign(referenceDC, TA_CENTER | TA_TOP);
        for (int i = 0; i < 5; i++)
            TextOutA(referenceDC, 76, y + i * lineHeight, lines[i], (int)strlen(lines[i]));
        GdiFlush();
    }

    int childMatchesReference()
    {
        DWORD *shown = NULL;
        HDC dc = GetDC(previewState.child);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = createDib32(152, 112, &shown);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, 152, 112, dc, 0, 0, SRCCOPY);
        GdiFlush();
        int same = memcmp(shown, reference, 152 * 112 * 4) == 0;
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(previewState.child, dc);
        return same;
    }
};

TEST_F(PreviewDraw, BlockSlidesThreePixelsATickAndStartsAgainAboveTheTop)
{
    ASSERT_EQ(1, startPreview(host));
    EXPECT_EQ(152, previewState.width);
    EXPECT_EQ(112, previewState.height);
    EXPECT_EQ(0, previewState.scrollY);
    int lh = previewState.lineHeight;
    ASSERT_GT(lh, 0);
    TEXTMETRICA metrics;
    GetTextMetricsA(referenceDC, &metrics);
    ASSERT_EQ(metrics.tmHeight, lh);

    /* 0, 3, ..., 111 (38 ticks), then -5 line heights */
    int y = 0;
    for (int t = 1; t <= 50; t++) {
        drawPreviewText();
        drawReference(y, lh);
        if (t == 1 || t == 2 || t == 37 || t == 38 || t == 39 || t == 50)
            EXPECT_TRUE(childMatchesReference()) << "tick " << t << " at y " << y;
        y = y + 3 > 112 ? -5 * lh : y + 3;
        ASSERT_EQ(y, previewState.scrollY) << "tick " << t;
        if (t == 38)
            EXPECT_EQ(-5 * lh, previewState.scrollY);
    }
}

TEST_F(PreviewDraw, CloseStopsTheLoopWithoutDestroyingTheWindow)
{
    ASSERT_EQ(1, startPreview(host));
    SendMessageA(previewState.child, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(previewState.child));
    MSG message;
    int quit = 0;
    for (int i = 0; i < 1000 && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE); i++) {
        quit |= message.message == WM_QUIT;
        DispatchMessageA(&message);
    }
    EXPECT_EQ(1, quit);
    EXPECT_FALSE(KillTimer(previewState.child, KELP_TIMER_ID));   /* already stopped */
}

}  // namespace
