/* The control-panel preview, black-box: the program started with /p and
   the handle of a host window standing in for the control panel's area. */
#include <stdio.h>

#include "tests/saverfixture.h"

namespace {

class Preview : public ::testing::Test {
protected:
    ProgramRun run;
    HWND host, child;

    void SetUp() override
    {
        child = NULL;
        host = CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE,
                               100, 100, 152, 112, NULL, NULL, GetModuleHandleA(NULL), NULL);
        pumpMessages(50);
    }

    void TearDown() override
    {
        finishRun(&run);
        if (IsWindow(host))
            DestroyWindow(host);
    }

    void start()
    {
        char arguments[32];
        _snprintf(arguments, sizeof arguments, "/p %lu", (unsigned long)(UINT_PTR)host);
        arguments[sizeof arguments - 1] = 0;
        ASSERT_TRUE(startProgram("preview.scr", arguments, &run));
        /* The child is made across processes: keep the host answering.  It
           becomes visible only at the end of its creation. */
        ASSERT_TRUE(waitUntil([&] {
            child = FindWindowExA(host, NULL, "zubsaverpreview", NULL);
            return child != NULL && IsWindowVisible(child);
        })) << "no preview child";
        pumpMessages(100);  /* and its timer is started after that */
    }
};

TEST_F(Preview, ChildFillsTheHostDisabled)
{
    start();
    char title[16];
    RECT rect, hostArea = { 0, 0, 152, 112 };
    DWORD owner = 0;

    GetWindowTextA(child, title, sizeof title);
    EXPECT_STREQ("zUb99", title);
    GetWindowThreadProcessId(child, &owner);
    EXPECT_EQ(run.process.dwProcessId, owner);
    EXPECT_EQ((LONG)(WS_CHILD | WS_VISIBLE | WS_DISABLED),
              GetWindowLongA(child, GWL_STYLE) & ~(WS_CLIPSIBLINGS));
    EXPECT_EQ(0, GetWindowLongA(child, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY);
    EXPECT_FALSE(IsWindowEnabled(child));
    GetWindowRect(child, &rect);
    MapWindowPoints(NULL, host, (POINT *)&rect, 2);
    EXPECT_TRUE(EqualRect(&rect, &hostArea)) << rect.right << "x" << rect.bottom;
    PostMessageA(child, WM_CLOSE, 0, 0);
    EXPECT_TRUE(endsWith(&run));
}

TEST_F(Preview, DestroyingTheHostEndsIt)
{
    start();
    pumpMessages(200);
    EXPECT_TRUE(stillRunning(&run));
    DestroyWindow(host);
    EXPECT_TRUE(endsWith(&run));
}

}  // namespace
