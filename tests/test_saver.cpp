/* The saver role, black-box: the built program run under Wine by name and
   command line, worked through real input and messages. */
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <regex>
#include <string>

#include "tests/saverfixture.h"

namespace {

/* Wine keeps system parameters cached in each process once read, so
   another process's change is seen only in the volatile key it lands in. */
int screenSaverRunning()
{
    char value[8] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop",
                     "WINE_ScreenSaverRunning", RRF_RT_REG_SZ, NULL, value, &size) != ERROR_SUCCESS)
        return -1;
    return value[0] == '1';
}

struct NameCase {
    const char *name;
    int saver;
    const char *dialog;     /* copied into a folder of double-byte letters (code page 932), the
                               path under 260 characters but over 260 bytes, and started with /c */
};

class RoleByName : public Saver, public ::testing::WithParamInterface<NameCase> {};

TEST_P(RoleByName, OnlyScrNamesRunTheSaver)
{
    const NameCase &c = GetParam();
    if (c.dialog != NULL) {
        if (GetACP() != 932)
            GTEST_SKIP() << "needs code page 932";
        char copy[MAX_PATH];
        ASSERT_TRUE(copyProgram(c.name, copy, MAX_PATH));
        std::wstring from = widen(copy), folder = from.substr(0, from.rfind(L'\\') + 1);
        /* 260 bytes end inside a letter for the saver, after one for setup:
           either way the cut path reads as the other role's */
        folder += std::wstring((MAX_PATH - folder.size()) % 2 != (size_t)c.saver, L'x') + std::wstring(120, L'\x03b1');
        std::wstring path = folder + L"\\" + widen(c.name), line = L"\"" + path + L"\" /c";
        STARTUPINFOW startup = { sizeof startup };
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL) && MoveFileW(from.c_str(), path.c_str()));
        run.started = CreateProcessW(path.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &run.process);
        char caption[64] = "";
        GetWindowTextA(waitForWindow(&run, "#32770"), caption, sizeof caption);
        EXPECT_STREQ(c.dialog, caption);
        finishRun(&run);
        EXPECT_TRUE(DeleteFileW(path.c_str()) && RemoveDirectoryW(folder.c_str()));
    } else if (c.saver) {
        start(c.name, "/s");
        PostMessageA(window, WM_CHAR, 'q', 0);
        EXPECT_TRUE(endsWith(&run));
    } else {
        /* any other name is the installer, whatever the command line: the
           saver's switches are none of its own, and its box says so */
        ASSERT_TRUE(startProgram(c.name, "/c", &run));
        EXPECT_TRUE(waitForWindow(&run, "#32770") != NULL);
        EXPECT_EQ(NULL, waitForWindow(&run, "ssaverzub", 500));
    }
}

const NameCase nameCases[] = {
    { "x.scr", 1 }, { "X.SCR", 1 }, { "xscr", 1 }, { "x.scrx", 0 }, { "x.exe", 0 },
    { "kelpVole99.scr", 1, "zUb's kelpVole'99 config" }, { "kelpVole99.exe", 0, "message" },
};
void PrintTo(const NameCase &c, std::ostream *out) { *out << c.name; }
INSTANTIATE_TEST_SUITE_P(Names, RoleByName, ::testing::ValuesIn(nameCases));

/* A bare start configures, as "/c" does; the dialog is then cancelled. */
TEST_F(Saver, CommandLinesWithoutTheSaverLetterShowNoSaver)
{
    const char *lines[] = { "/x", "/p", "/c", "/a 12", "" };
    for (size_t i = 0; i < sizeof lines / sizeof lines[0]; i++) {
        ProgramRun other;
        int configures = lines[i][0] == 0 || lines[i][1] == 'c';
        ASSERT_TRUE(startProgram("k.scr", lines[i], &other)) << lines[i];
        EXPECT_EQ(NULL, waitForWindow(&other, "ssaverzub", 1000)) << lines[i];
        HWND dialog = waitForWindow(&other, "#32770", configures ? waitMs : 0);
        EXPECT_EQ(configures, dialog != NULL) << lines[i];
        if (dialog != NULL)
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(endsWith(&other)) << lines[i];
        finishRun(&other);
    }
}

TEST_F(Saver, WindowCoversTheScreenOnTop)
{
    start("kelptest.scr", "-S");
    char text[32];
    RECT rect, screen = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };

    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ("ssaverzub", text);
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ("ssave", text);

    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);

    GetWindowRect(window, &rect);
    EXPECT_TRUE(EqualRect(&rect, &screen)) << rect.left << "," << rect.top << " " << rect.right
                                           << "," << rect.bottom;
}

struct InputCase {
    const char *what;
    int kind;       /* 0 key, 1 mouse button, 2 mouse move */
    WORD key;
    DWORD down, up;
    int ends;
};

class Input : public Saver, public ::testing::WithParamInterface<InputCase> {};

TEST_P(Input, CharactersAndButtonsEndTheSaverOthersDoNot)
{
    const InputCase &c = GetParam();
    start();
    SetForegroundWindow(window);
    if (c.kind == 0) {
        pressKey(c.key);
    } else if (c.kind == 1) {
        clickMouse(c.down, c.up);
    } else {
        POINT p;
        GetCursorPos(&p);
        SetCursorPos(p.x + 200, p.y + 150);
        pumpMessages(50);
        SetCursorPos(5, 5);
    }
    if (c.ends) {
        EXPECT_TRUE(endsWith(&run));
    } else {
        expectStillRuns();
        pressKey('A');
        EXPECT_TRUE(endsWith(&run));
    }
}

const InputCase inputCases[] = {
    { "letter", 0, 'A', 0, 0, 1 },
    { "space", 0, VK_SPACE, 0, 0, 1 },
    { "enter", 0, VK_RETURN, 0, 0, 1 },
    { "escape", 0, VK_ESCAPE, 0, 0, 1 },
    { "backspace", 0, VK_BACK, 0, 0, 1 },
    { "left button", 1, 0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 1 },
    { "right button", 1, 0, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1 },
    { "middle button", 1, 0, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 1 },
    { "arrow key", 0, VK_LEFT, 0, 0, 0 },
    { "shift", 0, VK_SHIFT, 0, 0, 0 },
    { "function key", 0, VK_F5, 0, 0, 0 },
    { "mouse move", 2, 0, 0, 0, 0 },
};
void PrintTo(const InputCase &c, std::ostream *out) { *out << c.what; }
INSTANTIATE_TEST_SUITE_P(Table, Input, ::testing::ValuesIn(inputCases),
    [](const ::testing::TestParamInfo<InputCase> &info) {
        return std::regex_replace(info.param.what, std::regex(" "), "_");
    });

TEST_F(Saver, CloseFromAnotherProgramIsIgnored)
{
    start();
    DWORD_PTR result = 1;
    EXPECT_TRUE(SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, &result));
    EXPECT_EQ(0u, result);
    expectStillRuns();
    PostMessageA(window, WM_RBUTTONDOWN, 0, 0);
    EXPECT_TRUE(endsWith(&run));
}

TEST_F(Saver, ScreenSaveCommandIsSwallowed)
{
    start();
    DWORD_PTR result = 1;
    EXPECT_TRUE(SendMessageTimeoutA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0, SMTO_NORMAL, 2000,
                                    &result));
    EXPECT_EQ(0u, result);
    expectStillRuns();
    PostMessageA(window, WM_CHAR, ' ', 0);
    EXPECT_TRUE(endsWith(&run));
}

TEST_F(Saver, EndingPutsBackRunningStateAndForeground)
{
    HWND mine = CreateWindowExA(0, "STATIC", "foreground before", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                50, 50, 300, 200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    SetForegroundWindow(mine);
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == mine; }));

    start();
    EXPECT_EQ(1, screenSaverRunning());
    EXPECT_EQ(window, GetForegroundWindow());

    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(endsWith(&run));
    EXPECT_EQ(0, screenSaverRunning());
    char held[64] = "";
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == mine; }))
        << "the foreground went to a " << (GetClassNameA(GetForegroundWindow(), held, 64), held);
    DestroyWindow(mine);
}

/* A fault in any thread of a program under test ends it, as on Windows,
   and so fails the test that runs it. */
TEST(Crash, AFaultInASecondThreadEndsTheProgram)
{
    ProgramRun run;
    ASSERT_TRUE(startBuilt("standin\\faulting.exe", "faulting.exe", "", &run));
    EXPECT_TRUE(endsWith(&run, EXCEPTION_ACCESS_VIOLATION));
    EXPECT_TRUE(finishRun(&run));
}

TEST_F(Saver, EndingKeepsARunningStateFoundAtStart)
{
    BOOL old;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, &old, 0);
    start();
    PostMessageA(window, WM_CHAR, 'q', 0);
    EXPECT_TRUE(endsWith(&run));
    EXPECT_EQ(1, screenSaverRunning());
}

TEST_F(Saver, FirstPaintShowsTheDesktopWithoutBanner)
{
    HWND desktop = showKnownDesktop();
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    start();

    /* Read back what is on the screen once the saver draws (the water, the
       desktop ANDed with its colour, stands in the bottom rows): the
       saver's window on top. */
    const POINT points[] = {
        { 5, 5 }, { w / 2, h / 2 }, { w / 2, h / 2 - 6 }, { w / 2 - 20, h / 2 + 6 },
        { w - 10, h - 150 }, { w / 3, 2 * h / 3 }, { 40, h - 150 },  /* above the rising water */
    };
    HDC screen = GetDC(NULL);
    const COLORREF water = RGB(155, 155, 255);
    EXPECT_TRUE(waitUntil([&] { return GetPixel(screen, 16, h - 16) == (knownColour(16, h - 16) & water); }));
    for (const POINT &p : points)
        EXPECT_EQ(knownColour(p.x, p.y), GetPixel(screen, p.x, p.y)) << "at " << p.x << "," << p.y;
    ReleaseDC(NULL, screen);

    /* the saver's window, not ours, is what was read */
    POINT centre = { w / 2, h / 2 };
    EXPECT_EQ(window, WindowFromPoint(centre));
    PostMessageA(window, WM_CHAR, 'x', 0);
    EXPECT_TRUE(endsWith(&run));
    closeKnownDesktop(desktop);
}

TEST_F(Saver, WaterRisesAndTheCursorBecomesAFishWithBubbles)
{
    HWND desktop = showKnownDesktop();
    SetCursorPos(300, 750);
    start();

    /* The bottom band becomes water: the desktop ANDed with the water colour.
       Stretched tiles and squares show it shifted by a few pixels, which
       matters only next to the edges of the desktop picture's blocks.  A
       busy machine delivers fewer ticks, so look again until it is there. */
    const COLORREF water = RGB(155, 155, 255), bubble = RGB(155, 255, 255);
    int w = 0, h = 0, exact = 0, other = 0, total = 0, bubblePixels = 0;
    DWORD *screen = NULL;
    waitUntil([&] {
        delete[] screen;
        screen = grabScreen(&w, &h);
        exact = other = total = bubblePixels = 0;
        for (int y = h - 60; y < h - 20; y += 3)
            for (int x = 0; x < w - 300; x += 7) {
                COLORREF p = pixelColour(screen[y * w + x]);
                int matches = p == bubble;
                for (int dy = -4; dy <= 4 && !matches; dy++)
                    for (int dx = -4; dx <= 4 && !matches; dx++)
                        matches = p == (knownColour(x + dx, y + dy) & water);
                total++;
                exact += p == (knownColour(x, y) & water);
                other += !matches;
            }
        /* bubbles: circles in the bubble colour, which the desktop does not have */
        for (int i = 0; i < w * h; i++)
            bubblePixels += pixelColour(screen[i]) == bubble;
        return exact > total * 9 / 10 && other == 0 && bubblePixels > 20;
    }, 15000);
    EXPECT_GT(exact, total * 9 / 10) << exact << " of " << total;
    EXPECT_EQ(0, other);
    EXPECT_GT(bubblePixels, 20);

    /* Well above the surface the desktop is untouched. */
    for (int x = 0; x < w; x += 50)
        EXPECT_EQ(knownColour(x, 100), pixelColour(screen[100 * w + x])) << x;

    delete[] screen;

    /* The fish swims by itself, 2 px a tick, with the fish cursor shown. */
    POINT before, after;
    GetCursorPos(&before);
    EXPECT_TRUE(waitUntil([&] { return GetCursorPos(&after) && abs(after.x - before.x) >= 6; }));
    EXPECT_GT(after.y, 600);
    CURSORINFO info;
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetCursorInfo(&info));
    EXPECT_TRUE(info.hCursor != NULL);
    EXPECT_NE(LoadCursorA(NULL, IDC_ARROW), info.hCursor);

    pressKey('Q');
    EXPECT_TRUE(endsWith(&run));
    closeKnownDesktop(desktop);
}

/* On a desktop of its own the saver lays out the wallpaper and, once it is
   decoded, makes the water from it.  The picture's two colours repeat
   every `period` pixels across the screen (0: once across it); an
   unreadable file (-1) leaves the desktop colour.  On the test's own
   desktop (-2) a dark grey screen with a little text is photographed as it is.
   A key as the window appears (-3), while a large picture decodes, ends the
   saver at once: a second is a generous limit, tools/firstframe.sh tells how soon.
   So does a key once the saver has let go of a picture beyond what it decodes (-4).
   One just beyond it (-5), let go of unread, leaves the desktop colour. */
struct WallpaperCase { const char *file, *style, *tile; int period, beyondCodePage; };

const char desktopKey[] = "Control Panel\\Desktop";
const char *const wallpaperValues[3] = { "Wallpaper", "WallpaperStyle", "TileWallpaper" };

LRESULT CALLBACK darkScreenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PAINTSTRUCT paint;
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    HDC dc = BeginPaint(window, &paint);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 10, 60, "C:\\>dir", 7);     /* both lines between a 16 x 16 grid's rows */
    TextOutA(dc, 10, 76, "C:\\>_", 5);
    EndPaint(window, &paint);
    return 0;
}

class Wallpaper : public Saver, public ::testing::WithParamInterface<WallpaperCase> {
protected:
    ValueBackup saved[3];
    char desktopName[64];
    HDESK desktop = NULL;
    void SetUp() override
    {
        Saver::SetUp();
        for (int i = 0; i < 3; i++)
            backupValue(HKEY_CURRENT_USER, desktopKey, wallpaperValues[i], &saved[i]);
        _snprintf(desktopName, sizeof desktopName, "Screen-saver-%lu-%lu", GetCurrentProcessId(), GetTickCount());
        desktop = CreateDesktopA(desktopName, NULL, NULL, 0, GENERIC_ALL, NULL);
    }
    void TearDown() override { Saver::TearDown(); for (ValueBackup &b : saved) restoreValue(&b); CloseDesktop(desktop); }
};

TEST_P(Wallpaper, LaidOutOnADesktopOfItsOwnOnly)
{
    const WallpaperCase &c = GetParam();
    char path[MAX_PATH];
    ASSERT_EQ(c.period != -1, copyBesideProgram(c.file, c.file) != 0);
    ASSERT_TRUE(scratchPath(c.file, path, sizeof path));
    const char *values[3] = { path, c.style, c.tile };
    for (int i = 0; i < 3; i++)
        setRawValue(HKEY_CURRENT_USER, desktopKey, wallpaperValues[i], REG_SZ, values[i],
                    (DWORD)strlen(values[i]) + 1);
    WCHAR wide[MAX_PATH];
    HKEY key;
    if (c.beyondCodePage) {     /* a name the ANSI code page cannot spell: Łódź.jpg */
        MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
        wcscpy(wcsrchr(wide, L'\\') + 1, L"\x0141\x00f3d\x017a.jpg");
        ASSERT_TRUE(MoveFileW(std::wstring(wide).replace(wcsrchr(wide, L'\\') + 1 - wide, 99,
                                                         L"wall.jpg").c_str(), wide));
        RegOpenKeyExA(HKEY_CURRENT_USER, desktopKey, 0, KEY_SET_VALUE, &key);
        RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, (const BYTE *)wide, (DWORD)(wcslen(wide) + 1) * 2);
        RegCloseKey(key);
    }
    SetCursorPos(5, 5);
    int w = 0, h = 0, wrong = 0, text = 0;
    auto textShown = [&](DWORD *screen) {   /* white pixels in the lines' rows */
        text = 0;
        for (int i = 60 * w; i < 92 * w; i++)
            text += pixelColour(screen[i]) == RGB(255, 255, 255);
        return text > 20;
    };
    HWND dark = NULL;
    if (c.period == -2) {
        WNDCLASSA darkClass = {};
        darkClass.lpfnWndProc = darkScreenProc;
        darkClass.hbrBackground = (HBRUSH)GetStockObject(DKGRAY_BRUSH);
        darkClass.lpszClassName = "kelptestdark";
        RegisterClassA(&darkClass);     /* fails harmlessly when an earlier row made it */
        dark = CreateWindowExA(WS_EX_TOPMOST, "kelptestdark", "", WS_POPUP | WS_VISIBLE, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, NULL, NULL);
        ASSERT_TRUE(waitUntil([&] { DWORD *screen = grabScreen(&w, &h); int shown = textShown(screen); delete[] screen; return shown; }));
        start();
    } else {
        ASSERT_TRUE(startProgram("kelptest.scr", "/s", &run, desktopName));
        window = waitForWindow(&run, "ssaverzub");
        ASSERT_TRUE(window != NULL) << "no saver window on its desktop";
    }
    for (int moves = 0; c.period == -5 && moves < 3; moves++) {
        /* let go of, then the water moved on twice: by then a picture decoded would be laid in */
        DWORD *before = moves == 0 ? NULL : grabScreen(&w, &h);
        EXPECT_TRUE(waitUntil([&] {
            DWORD *now = before != NULL ? grabScreen(&w, &h) : NULL;
            int done = now != NULL ? memcmp(now, before, 4 * w * h) != 0 : DeleteFileA(path) != 0;
            delete[] now;
            return done;
        }, 3 * waitMs));
        delete[] before;
    }
    if (c.period == -3 || c.period == -4) {
        EXPECT_TRUE(c.period == -3 || waitUntil([&] { return DeleteFileA(path) != 0; }));
        PostMessageA(window, WM_CHAR, 'q', 0);
        EXPECT_TRUE(endsWith(&run, 0, 1000));
        DeleteFileA(path);
        return;
    }

    const COLORREF halves[2] = { RGB(240, 200, 40), RGB(40, 120, 220) };
    const COLORREF water = RGB(155, 155, 255), colour = GetSysColor(COLOR_DESKTOP);
    auto alike = [](COLORREF a, COLORREF b) {   /* as JPEG keeps a flat colour */
        return abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) <= 4
            && abs(GetBValue(a) - GetBValue(b)) <= 2;
    };
    /* until the picture is laid in and the water stands over the row it is read in */
    waitUntil([&] {
        DWORD *screen = grabScreen(&w, &h);
        int period = c.period > 0 ? c.period : w;
        wrong = c.period == -2 && !textShown(screen);
        for (int x = 0; x < w - 300; x += 5) {
            int at = x % period, half = period / 2, blur = period / 8;
            if (at < blur || abs(at - half) < blur || period - at < blur)
                continue;   /* where the colours meet, the stretched ones blurred */
            COLORREF want = c.period == -1 || c.period == -5 ? colour : c.period == -2 ? RGB(64, 64, 64) : halves[at >= half];
            COLORREF dry = pixelColour(screen[100 * w + x]);
            COLORREF wet = pixelColour(screen[(h - 40) * w + x]);
            wrong += !alike(dry, want) || wet != (dry & water);
        }
        delete[] screen;
        return wrong == 0;
    }, 15000);
    EXPECT_EQ(0, wrong) << text << " white pixels of text";
    PostMessageA(window, WM_CHAR, 'q', 0);
    EXPECT_TRUE(endsWith(&run));
    DeleteFileA(path);
    if (c.beyondCodePage)
        DeleteFileW(wide);
    if (dark != NULL)
        DestroyWindow(dark);
}

const WallpaperCase wallpaperCases[] = {
    { "wall.bmp", "0", "1", 64 }, { "wall.jpg", "2", "0", 0 }, { "nowall.bmp", "10", "0", -1 },
    { "wallbig.jpg", "10", "0", 0 }, { "wall.jpg", "2", "0", -2 }, { "wall.jpg", "2", "0", 0, 1 },
    { "wallslow.jpg", "10", "0", -3 }, { "wallhuge.png", "10", "0", -4 },
    { "wallhuger.png", "10", "0", -5 },
};
void PrintTo(const WallpaperCase &c, std::ostream *out) { *out << c.file; }
INSTANTIATE_TEST_SUITE_P(Styles, Wallpaper, ::testing::ValuesIn(wallpaperCases));

}  // namespace

namespace {

/* Both programs' manifests as the system's own parser reads them: run as
   invoked, made for Vista to 11, and the saver per-monitor DPI aware.  Wine
   treats every process as DPI aware whatever it declares, so only the
   declaration can be checked. */
struct ManifestCase { const char *built; const wchar_t *dpiAware, *dpiAwareness; };

class Manifest : public ::testing::TestWithParam<ManifestCase> {};

TEST_P(Manifest, ParsesWithLevelSystemsAndDpiAwareness)
{
    const ManifestCase &c = GetParam();
    char path[MAX_PATH];
    ASSERT_TRUE(copyBesideProgram(c.built, "manifest.bin"));
    ASSERT_TRUE(scratchPath("manifest.bin", path, sizeof path));
    ACTCTXA context = { sizeof context, ACTCTX_FLAG_RESOURCE_NAME_VALID, path };
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE parsed = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, parsed) << "error " << GetLastError();

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    EXPECT_TRUE(QueryActCtxW(0, parsed, NULL, RunlevelInformationInActivationContext, &level,
                             sizeof level, NULL));
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, level.RunLevel);
    EXPECT_EQ(0u, level.UiAccess);
    DWORD systems[64] = {};     /* the count, then one element per system */
    EXPECT_TRUE(QueryActCtxW(0, parsed, NULL, CompatibilityInformationInActivationContext,
                             systems, sizeof systems, NULL));
    EXPECT_EQ(5u, systems[0]);
    const wchar_t *names[2] = { L"dpiAware", L"dpiAwareness" };
    const wchar_t *wanted[2] = { c.dpiAware, c.dpiAwareness };
    const wchar_t *spaces[2] = { NULL, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings" };
    for (int i = 0; i < 2; i++) {
        wchar_t value[64] = L"";
        BOOL found = QueryActCtxSettingsW(0, parsed, spaces[i], names[i], value, 64, NULL);
        EXPECT_STREQ(wanted[i] != NULL ? wanted[i] : L"", found ? value : L"") << i;
    }
    ReleaseActCtx(parsed);
    DeleteFileA(path);
}

const ManifestCase manifestCases[] = {
    { "kelpVole99.exe", L"true/pm", L"PerMonitorV2, PerMonitor" },
    { "zUbSavRemov_1_51.exe", NULL, NULL },
};
void PrintTo(const ManifestCase &c, std::ostream *out) { *out << c.built; }
INSTANTIATE_TEST_SUITE_P(Programs, Manifest, ::testing::ValuesIn(manifestCases));

/* The program's resources, read from the built file as data: every one in
   German (Germany), and the remover as built.  The pictures' and the
   sound's formats are the asset checks'. */
TEST(Resources, EveryResourceIsThereInGerman)
{
    char path[MAX_PATH];
    ASSERT_TRUE(copyProgram("resources.exe", path, sizeof path));
    HMODULE program = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program != NULL);
    const WORD german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);

    struct { const char *type; int id; DWORD minSize; } table[] = {
        { (const char *)RT_GROUP_CURSOR, 103, 20 }, { (const char *)RT_GROUP_CURSOR, 105, 20 },
        { (const char *)RT_GROUP_ICON, 131, 20 }, { (const char *)RT_GROUP_ICON, 132, 20 },
        { (const char *)RT_GROUP_ICON, 133, 20 }, { (const char *)RT_BITMAP, 113, 40 },
        { (const char *)RT_BITMAP, 139, 40 }, { (const char *)RT_BITMAP, 140, 40 },
        { (const char *)RT_BITMAP, 142, 40 }, { (const char *)RT_BITMAP, 143, 40 },
        { (const char *)RT_BITMAP, 144, 40 }, { (const char *)RT_BITMAP, 145, 40 },
        { (const char *)RT_BITMAP, 146, 40 }, { (const char *)RT_BITMAP, 147, 40 },
        { (const char *)RT_BITMAP, 152, 40 }, { "WAVE", 102, 44 + 20239 },
        { (const char *)RT_VERSION, 1, 100 }, { (const char *)RT_DIALOG, 3, 100 },
        { (const char *)RT_DIALOG, 115, 100 }, { (const char *)RT_DIALOG, 137, 100 },
        { (const char *)RT_DIALOG, 141, 100 }, { (const char *)RT_RCDATA, 151, 1024 },
    };
    for (size_t i = 0; i < sizeof table / sizeof table[0]; i++) {
        HRSRC found = FindResourceExA(program, table[i].type, MAKEINTRESOURCEA(table[i].id), german);
        ASSERT_TRUE(found != NULL) << "resource " << table[i].id;
        EXPECT_GE(SizeofResource(program, found), table[i].minSize) << "resource " << table[i].id;
    }

    FreeLibrary(program);

    /* the remover, byte for byte as built, and small */
    char built[MAX_PATH];
    ASSERT_TRUE(copyBesideProgram("zUbSavRemov_1_51.exe", "remover.bin"));
    ASSERT_TRUE(scratchPath("remover.bin", built, sizeof built));
    std::string remover = fileBytes(built);
    EXPECT_TRUE(remover == resourceBytes(path, (LPCSTR)RT_RCDATA, 151));
    if (sizeof(void *) == 4)
        EXPECT_LE(remover.size(), 25600u) << "the 32-bit remover's size goal";
    DeleteFileA(built);
    DeleteFileA(path);
}

}  // namespace

namespace {

/* Whatever a window of the run is, the answer that ends it: a key for the
   saver, WM_CLOSE for a dialog, a message box, or a preview child that
   found a real window to live in. */
BOOL CALLBACK endWindow(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    char name[32] = "";
    GetWindowThreadProcessId(window, &owner);
    if (owner == (DWORD)processId) {
        GetClassNameA(window, name, sizeof name);
        PostMessageA(window, strcmp(name, "ssaverzub") == 0 ? WM_CHAR : WM_CLOSE, 'q', 0);
    }
    EnumChildWindows(window, endWindow, processId);
    return TRUE;
}

/* Random and hostile command lines through the real program: each run
   ends with exit code 0, by itself or when its window is answered.
   KELP_FUZZ_STARTS sets how many (default 200); CTest's limit follows it. */
TEST(Fuzz, HostileCommandLinesThroughTheProgram)
{
    unsigned state = 99;
    int failed = 0, starts = getenv("KELP_FUZZ_STARTS") ? atoi(getenv("KELP_FUZZ_STARTS")) : 200;
    for (int n = 0; n < starts && failed < 3; n++) {
        char line[400];
        int length = (state = state * 1103515245u + 12345u) >> 16 & 0xFF;
        for (int i = 0; i < length; i++) {
            state = state * 1103515245u + 12345u;
            int pick = state >> 16 & 0xFF;
            line[i] = n % 2 ? "0123456789/-+ \"cspaCSPA:"[pick % 24] : (char)(pick % 255 + 1);
        }
        line[length] = 0;
        ProgramRun run;
        DWORD code = 1234;
        ASSERT_TRUE(startProgram("fuzz.scr", line, &run));
        /* answered again and again: a window made after one answer gets the next */
        int ended = waitUntil([&] {
            if (waitForExit(&run, 30, &code))
                return 1;
            EnumWindows(endWindow, run.process.dwProcessId);
            return 0;
        });
        if (!ended || code != 0) {
            ADD_FAILURE() << "run " << n << " ended " << ended << " code " << code << ": " << line;
            failed++;
        }
        finishRun(&run);
    }
}

}  // namespace
