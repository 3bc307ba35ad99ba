/* The saver password path, black-box: the real saver with a stand-in for
   the system's PASSWORD.CPL placed in the system folder (where the saver
   takes it from; Wine has none) and taken away after, and the user's
   "Control Panel\desktop" flags set for each case and put back after. */
#include <fstream>

#include "tests/saverfixture.h"

namespace {

const char desktopKey[] = "Control Panel\\desktop";

class Password : public Saver {
protected:
    ValueBackup usePassword, isSecure;

    void SetUp() override
    {
        Saver::SetUp();
        backupValue(HKEY_CURRENT_USER, desktopKey, "ScreenSaveUsePassword", &usePassword);
        backupValue(HKEY_CURRENT_USER, desktopKey, "ScreenSaverIsSecure", &isSecure);
        deleteValue(HKEY_CURRENT_USER, desktopKey, "ScreenSaveUsePassword");
        deleteValue(HKEY_CURRENT_USER, desktopKey, "ScreenSaverIsSecure");
        removeScratch();
    }

    void TearDown() override
    {
        Saver::TearDown();
        restoreValue(&usePassword);
        restoreValue(&isSecure);
        removeScratch();
    }

    /* The stand-in's files are beside it. */
    static int systemPath(const char *name, char *path, int size)
    {
        UINT n = GetSystemDirectoryA(path, size);
        return n > 0 && n + 1 + lstrlenA(name) < (UINT)size && lstrcatA(lstrcatA(path, "\\"), name);
    }

    void removeScratch()
    {
        const char *names[] = { "PASSWORD.CPL", "pwdanswer.txt", "pwdcalls.txt" };
        for (size_t i = 0; i < sizeof names / sizeof names[0]; i++) {
            char path[MAX_PATH];
            if (systemPath(names[i], path, sizeof path))
                DeleteFileA(path);
        }
    }

    void withStandIn(int accepts)
    {
        char built[MAX_PATH], placed[MAX_PATH];
        ASSERT_TRUE(copyBesideProgram("standin\\PASSWORD.CPL", "PASSWORD.CPL"));
        ASSERT_TRUE(scratchPath("PASSWORD.CPL", built, MAX_PATH) && systemPath("PASSWORD.CPL", placed, MAX_PATH));
        ASSERT_TRUE(MoveFileA(built, placed));
        answer(accepts);
    }

    void answer(int accepts)
    {
        char path[MAX_PATH];
        ASSERT_TRUE(systemPath("pwdanswer.txt", path, sizeof path));
        ASSERT_TRUE(std::ofstream(path) << (accepts ? "1" : "0"));
    }

    /* How often the stand-in was asked, and about which window last. */
    int asked(DWORD *lastWindow = NULL)
    {
        char path[MAX_PATH];
        int count = 0;
        if (!systemPath("pwdcalls.txt", path, sizeof path))
            return -1;
        std::ifstream calls(path);
        for (DWORD window; calls >> window; count++)
            if (lastWindow)
                *lastWindow = window;
        return count;
    }
};

struct FlagCase {
    const char *what;
    const char *name;
    DWORD type;
    BYTE data[8];
    DWORD size;
    int standIn;        /* the library is there (and accepts) */
    int asks;           /* the library is asked */
};

void PrintTo(const FlagCase &c, std::ostream *out) { *out << c.what; }

class PasswordFlags : public Password, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(PasswordFlags, LibraryAskedOnlyWhenAFlagIsOn)
{
    const FlagCase &c = GetParam();
    if (c.name)
        setRawValue(HKEY_CURRENT_USER, desktopKey, c.name, c.type, c.data, c.size);
    if (c.standIn)
        withStandIn(1);
    start();
    pressKey('K');
    EXPECT_TRUE(endsWith(&run));
    DWORD askedAbout = 0;
    EXPECT_EQ(c.asks, asked(&askedAbout));
    if (c.asks)
        EXPECT_EQ((DWORD)(UINT_PTR)window, askedAbout);
}

const FlagCase flagCases[] = {
    { "no flags", NULL, 0, { 0 }, 0, 1, 0 },
    { "use password dword 1", "ScreenSaveUsePassword", REG_DWORD, { 1 }, 4, 1, 1 },
    { "is secure as the string 0", "ScreenSaverIsSecure", REG_SZ, { '0', 0 }, 2, 1, 1 },
    { "is secure dword 0", "ScreenSaverIsSecure", REG_DWORD, { 0 }, 4, 1, 0 },
    { "five bytes are too long to count", "ScreenSaveUsePassword", REG_BINARY,
      { 1, 1, 1, 1, 1 }, 5, 1, 0 },
    { "flag on but no library", "ScreenSaveUsePassword", REG_DWORD, { 1 }, 4, 0, 0 },
};
INSTANTIATE_TEST_SUITE_P(Table, PasswordFlags, ::testing::ValuesIn(flagCases));

TEST_F(Password, RefusedPasswordKeepsTheSaverAnimating)
{
    DWORD on = 1;
    setRawValue(HKEY_CURRENT_USER, desktopKey, "ScreenSaveUsePassword", REG_DWORD, &on, 4);
    withStandIn(0);
    start();
    pressKey('K');
    EXPECT_TRUE(waitUntil([&] { return asked() != 0; }));
    EXPECT_EQ(1, asked());
    expectStillRuns();

    /* the water goes on rising under the refused check */
    int w, h;
    DWORD *before = grabScreen(&w, &h);
    EXPECT_TRUE(waitUntil([&] {
        DWORD *after = grabScreen(&w, &h);
        int moved = memcmp(before, after, sizeof(DWORD) * w * h) != 0;
        delete[] after;
        return moved;
    }));
    delete[] before;

    answer(1);
    SetForegroundWindow(window);
    pressKey('L');
    EXPECT_TRUE(endsWith(&run));
    EXPECT_EQ(2, asked());
}

/* Wine's PwdChangePasswordA is a stub that returns at once, with or
   without a parent window. */
TEST_F(Password, ChangeRoleEndsQuietly)
{
    const char *lines[] = { "/a", "/a 1234", "-A:99" };
    for (size_t i = 0; i < sizeof lines / sizeof lines[0]; i++) {
        ProgramRun other;
        ASSERT_TRUE(startProgram("k.scr", lines[i], &other));
        EXPECT_TRUE(endsWith(&other)) << lines[i];
        finishRun(&other);
    }
}

}  // namespace
