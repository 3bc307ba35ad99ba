/* The configuration dialog, black-box: the program started with /c, its
   controls read and worked from outside, the stored record read back. */
#include <stdio.h>
#include <string>

#include "tests/saverfixture.h"
#include "resource.h"

namespace {

const char keyPath[] = "software\\zub_Kram\\kelpVole99";
const char *const names[11] = { "speed", "fillTo", "aquaR", "aquaG", "aquaB", "bubbleR",
                                "bubbleG", "bubbleB", "sound", "bltMode", "bltIdx" };

class Config : public ::testing::Test {
protected:
    KeyBackup parent, key;
    ProgramRun run;
    HWND dialog;
    DWORD values[11];   /* the stored record, read by stored() */

    void SetUp() override
    {
        backupKey(HKEY_CURRENT_USER, "software\\zub_Kram", &parent);
        backupKey(HKEY_CURRENT_USER, keyPath, &key);
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath);
    }
    void TearDown() override
    {
        finishRun(&run);
        restoreKey(&key);
        restoreKey(&parent);
    }
    void start(const char *arguments = "/c")
    {
        char caption[64] = "";
        ASSERT_TRUE(startProgram("config.scr", arguments, &run));
        dialog = waitForWindow(&run, "#32770");
        ASSERT_TRUE(dialog != NULL) << "no dialog";
        GetWindowTextA(dialog, caption, sizeof caption);
        ASSERT_STREQ("zUb's kelpVole'99 config", caption);
        pumpMessages(300);      /* the preview starts on the box's first paint */
    }
    void set(const char *name, DWORD value)
    {
        setRawValue(HKEY_CURRENT_USER, keyPath, name, REG_DWORD, &value, sizeof value);
    }
    void finishWith(int id)
    {
        PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        ASSERT_TRUE(endsWith(&run));
    }
    int stored()
    {
        HKEY k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return 0;
        for (int i = 0; i < 11; i++) {
            DWORD size = sizeof values[i];
            values[i] = 0xDEADBEEF;
            RegQueryValueExA(k, names[i], NULL, NULL, (BYTE *)&values[i], &size);
        }
        RegCloseKey(k);
        return 1;
    }
    SCROLLINFO bar(int id)
    {
        SCROLLINFO info = { sizeof info, SIF_ALL };
        GetScrollInfo(GetDlgItem(dialog, id), SB_CTL, &info);
        return info;
    }
    void thumbTrack(int id, int pos)
    {
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, pos),
                     (LPARAM)GetDlgItem(dialog, id));
    }
    POINT at(int id, int x, int y)
    {
        POINT p = { x, y };
        ClientToScreen(GetDlgItem(dialog, id), &p);
        return p;
    }
};

TEST_F(Config, FirstStartShowsTheDefaultsAndOkStoresThemUnchanged)
{
    const struct { int id, min, max, pos; } bars[] = {
        { IDC_TURBULENCE, 1, 250, 250 }, { IDC_FILL, 13, 100, 100 },
        { IDC_AQUA_R, 0, 255, 155 }, { IDC_AQUA_G, 0, 255, 155 }, { IDC_AQUA_B, 0, 255, 255 },
        { IDC_BUBBLE_R, 0, 255, 155 }, { IDC_BUBBLE_G, 0, 255, 255 }, { IDC_BUBBLE_B, 0, 255, 255 },
    };
    const DWORD defaults[11] = { 2500, 100, 155, 155, 255, 155, 255, 255, 1, SRCAND, 0 };
    start();
    for (size_t i = 0; i < sizeof bars / sizeof bars[0]; i++) {
        SCROLLINFO info = bar(bars[i].id);
        EXPECT_EQ(bars[i].min, info.nMin) << bars[i].id;
        EXPECT_EQ(bars[i].max, info.nMax) << bars[i].id;
        EXPECT_EQ(1u, info.nPage) << bars[i].id;
        EXPECT_EQ(bars[i].pos, info.nPos) << bars[i].id;
    }
    EXPECT_EQ("mode #1", itemText(dialog, IDC_WATER_MODE));
    EXPECT_EQ(5, SendDlgItemMessageA(dialog, IDC_WATER_MODE, CB_GETCOUNT, 0, 0));
    EXPECT_EQ((LRESULT)BST_CHECKED, SendDlgItemMessageA(dialog, IDC_PLAY_SOUND, BM_GETCHECK, 0, 0));
    EXPECT_EQ("Fill up to 100 percent", itemText(dialog, IDC_FILL_LABEL));
    finishWith(IDOK);
    ASSERT_TRUE(stored());
    for (int i = 0; i < 11; i++)
        EXPECT_EQ(defaults[i], values[i]) << names[i];
}

/* Real mouse input: an arrow and a trough click, then a thumb drag. */
TEST_F(Config, OnlyADraggedThumbMovesABar)
{
    start();
    RECT turbulence, fill;
    GetClientRect(GetDlgItem(dialog, IDC_TURBULENCE), &turbulence);
    GetClientRect(GetDlgItem(dialog, IDC_FILL), &fill);
    const POINT clicks[] = { at(IDC_TURBULENCE, 3, turbulence.bottom / 2),
                             at(IDC_FILL, fill.right / 3, fill.bottom / 2) };
    for (const POINT &p : clicks) {
        SetCursorPos(p.x, p.y);
        clickMouse(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        pumpMessages(150);
    }
    EXPECT_EQ(250, bar(IDC_TURBULENCE).nPos);
    EXPECT_EQ(100, bar(IDC_FILL).nPos);

    /* The fill thumb sits at the top of its range, left of the right arrow. */
    POINT p = at(IDC_FILL, fill.right - GetSystemMetrics(SM_CXHSCROLL) - 3, fill.bottom / 2);
    SetCursorPos(p.x, p.y);
    clickMouse(MOUSEEVENTF_LEFTDOWN, 0);
    int last = 100, steps = 0;
    for (int dx = 8; dx <= 64; dx += 8) {
        char label[40];
        SetCursorPos(p.x - dx, p.y);
        waitUntil([&] { return bar(IDC_FILL).nPos < last; }, 500);
        int pos = bar(IDC_FILL).nPos;
        sprintf(label, "Fill up to %d percent", pos);
        EXPECT_EQ(label, itemText(dialog, IDC_FILL_LABEL));
        steps += pos < last;
        last = pos;
    }
    clickMouse(MOUSEEVENTF_LEFTUP, 0);
    EXPECT_GE(steps, 6);
    finishWith(IDOK);
    ASSERT_TRUE(stored());
    EXPECT_EQ(2500u, values[0]);
    EXPECT_EQ((DWORD)last, values[1]);
}

struct ModeCase {
    DWORD idx, mode;    /* stored before */
    int pick;           /* row picked in the open list, -1: none */
    int downKeys;       /* arrow-down presses with the list closed instead */
    DWORD wantIdx, wantMode;
};
void PrintTo(const ModeCase &c, std::ostream *out) { *out << c.idx << " pick " << c.pick; }

class WaterMode : public Config, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(WaterMode, TakenWhenPicked)
{
    const ModeCase &c = GetParam();
    set("bltIdx", c.idx);
    set("bltMode", c.mode);
    start();
    HWND list = GetDlgItem(dialog, IDC_WATER_MODE);
    for (int i = 0; i < c.downKeys; i++)
        SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    if (c.downKeys == 0) {
        SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
        if (c.pick >= 0)
            SendMessageA(list, CB_SETCURSEL, c.pick, 0);
        SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
    }
    finishWith(IDOK);
    ASSERT_TRUE(stored());
    EXPECT_EQ(c.wantIdx, values[10]);
    EXPECT_EQ(c.wantMode, values[9]);
}

const ModeCase modeCases[] = {
    { 0, SRCAND, 2, 0, 2, SRCINVERT },
    { 3, SRCAND, 4, 0, 4, NOTSRCERASE },
    { 7, SRCPAINT, -1, 0, 0xFFFFFFFF, SRCPAINT },
    { 0, SRCAND, -1, 2, 2, SRCINVERT },     /* by keyboard, the list closed */
};
INSTANTIATE_TEST_SUITE_P(Picks, WaterMode, ::testing::ValuesIn(modeCases));

/* A handle of a window that has gone still opens the dialog, unowned. */
TEST_F(Config, DeadOwnerHandleStillOpensTheDialog)
{
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(gone);
    start(("/c:" + std::to_string((UINT_PTR)gone)).c_str());
    EXPECT_TRUE(GetWindow(dialog, GW_OWNER) == NULL);
    finishWith(IDCANCEL);
}

TEST_F(Config, CancelEscAndTheCloseBoxStoreNothing)
{
    for (int way = 0; way < 3; way++) {
        start();
        thumbTrack(IDC_FILL, 40);
        PostMessageA(GetDlgItem(dialog, IDC_PLAY_SOUND), BM_CLICK, 0, 0);
        if (way == 0)
            PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        else if (way == 1)
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        else {
            SetForegroundWindow(dialog);
            pressKey(VK_ESCAPE);
        }
        ASSERT_TRUE(endsWith(&run)) << way;
        EXPECT_FALSE(stored()) << way;
        finishRun(&run);
    }
}

class PreviewBox : public Config, public ::testing::WithParamInterface<DWORD> {};

/* The box shows the screen's top-left area, of the dialog's size, shrunk
   and combined with the water colour; the swatch shows the bubble colour.
   Points are taken in the middle of the known desktop's blocks, clear of
   the dialog itself, so that the shimmer's one-pixel shifts do not matter. */
TEST_P(PreviewBox, ShowsTheScreenThroughTheWaterAndFollowsTheBars)
{
    HWND desktop = showKnownDesktop();
    SetWindowPos(desktop, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    set("bltMode", GetParam());
    start();
    RECT box, outer, swatch;
    GetClientRect(GetDlgItem(dialog, IDC_PREVIEW_BOX), &box);
    GetClientRect(GetDlgItem(dialog, IDC_BUBBLE_SWATCH), &swatch);
    GetWindowRect(dialog, &outer);
    POINT origin = at(IDC_PREVIEW_BOX, 0, 0);
    POINT swatchCentre = at(IDC_BUBBLE_SWATCH, swatch.right / 2, swatch.bottom / 2);
    int dw = outer.right - outer.left, dh = outer.bottom - outer.top;

    for (int pass = 0; pass < 2; pass++) {
        COLORREF water = pass ? RGB(20, 155, 255) : RGB(155, 155, 255);
        COLORREF bubble = pass ? RGB(155, 255, 40) : RGB(155, 255, 255);
        int w, h, checked, wrong;
        COLORREF swatchShows;
        /* until the preview's timer has drawn with the pass's colours */
        waitUntil([&] {
            DWORD *screen = grabScreen(&w, &h);
            checked = wrong = 0;
            for (int by = 2; by < box.bottom - 2; by++)
                for (int bx = 2; bx < box.right - 2; bx++) {
                    int sx = bx * dw / box.right, sy = by * dh / box.bottom;
                    if (sx % 32 < 10 || sx % 32 > 22 || sy % 32 < 10 || sy % 32 > 22
                        || (sx > outer.left - 10 && sy > outer.top - 10))
                        continue;
                    COLORREF k = knownColour(sx, sy);
                    COLORREF want = GetParam() == SRCAND ? (k & water) : (k ^ water);
                    wrong += pixelColour(screen[(origin.y + by) * w + origin.x + bx]) != want;
                    checked++;
                }
            swatchShows = pixelColour(screen[swatchCentre.y * w + swatchCentre.x]);
            delete[] screen;
            return wrong == 0 && swatchShows == bubble;
        });
        EXPECT_GT(checked, 100) << pass;
        EXPECT_EQ(0, wrong) << pass;
        EXPECT_EQ(bubble, swatchShows) << pass;
        thumbTrack(IDC_AQUA_R, 20);
        thumbTrack(IDC_BUBBLE_B, 40);
    }
    finishWith(IDCANCEL);
    closeKnownDesktop(desktop);
}

INSTANTIATE_TEST_SUITE_P(Modes, PreviewBox, ::testing::Values((DWORD)SRCAND, (DWORD)SRCINVERT),
                         [](const ::testing::TestParamInfo<DWORD> &i) {
                             return std::string(i.param == SRCAND ? "SRCAND" : "SRCINVERT");
                         });

TEST_F(Config, ReadMeShowsAboutThenInfo)
{
    start();
    PostMessageA(GetDlgItem(dialog, IDC_READ_ME), BM_CLICK, 0, 0);
    for (const char *caption : { "ABOUT", "INFO" }) {
        HWND box = waitForBox(&run, caption);
        ASSERT_TRUE(box != NULL) << caption;
        EXPECT_EQ(dialog, GetWindow(box, GW_OWNER)) << caption;
        answerBox(box, IDOK);
    }
    finishWith(IDCANCEL);
}

}  // namespace

namespace {

typedef LONG (WINAPI *DeleteKeyCall)(HKEY);

/* The settings key as a registry link to a place that cannot exist: it can
   be neither opened nor created.  The dialog shows the defaults, OK reports
   the failed write, and the dialog closes all the same. */
TEST_F(Config, AKeyThatCannotBeOpenedOrWrittenIsReportedAndTheDialogCloses)
{
    const WCHAR target[] = L"\\Registry\\Nowhere\\kelpVole99";
    HKEY link;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, NULL,
                                             REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                                             KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link, NULL));
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE *)target,
                   sizeof target - sizeof(WCHAR));
    RegCloseKey(link);

    start();
    EXPECT_EQ("Fill up to 100 percent", itemText(dialog, IDC_FILL_LABEL));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ("can't write config to registry", closeBox(&run, "ERROR"));
    EXPECT_TRUE(endsWith(&run));

    /* the link itself goes, not what it points at */
    DeleteKeyCall deleteKey = (DeleteKeyCall)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
        deleteKey(link);
        RegCloseKey(link);
    }
}

}  // namespace
