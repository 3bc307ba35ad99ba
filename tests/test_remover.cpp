/* The remover, black-box: an install record laid out by the test (saver
   file, keys, start-menu folder in the scratch folder), the built remover
   run on it, its report and what it left read back. */
#include <stdio.h>
#include <algorithm>
#include <string>

#include "tests/saverfixture.h"

namespace {

const char uninstallKey[] = "software\\microsoft\\windows\\currentversion\\uninstall\\";
const char appPathsKey[] = "software\\microsoft\\windows\\currentversion\\app paths\\";

enum { MENU = 1, SUBFOLDER = 2, TAMPERED = 4, NOT_A_STRING = 8, MANY = 16 };

struct RemoveCase {
    const char *what;
    const char *arguments;
    const char *record;     /* whose keys are written, with the flags below */
    const char *file;       /* the program the record names */
    int layout;
    const char *report;     /* part of the progress text; '@' is the scratch folder */
    int fileLeft, menuLeft, linksLeft;
};
void PrintTo(const RemoveCase &c, std::ostream *out) { *out << c.what; }

void writeFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    CloseHandle(file);
}

/* Files, not folders, in a folder. */
int filesIn(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    int count = 0;
    while (search != INVALID_HANDLE_VALUE) {
        count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        if (!FindNextFileA(search, &found))
            break;
    }
    FindClose(search);
    return count;
}

int exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Remover : public ::testing::TestWithParam<RemoveCase> {
protected:
    KeyBackup keys[4];
    ProgramRun run;
    HWND dialog;
    std::string scratch;

    void SetUp() override
    {
        char path[MAX_PATH];
        memset(&run, 0, sizeof run);
        scratchPath("", path, sizeof path);
        scratch = path;
        scratch.erase(scratch.size() - 1);
        backupKey(HKEY_LOCAL_MACHINE, (std::string(uninstallKey) + "kelpVole99").c_str(), &keys[0]);
        backupKey(HKEY_LOCAL_MACHINE, (std::string(appPathsKey) + "kelpVole99").c_str(), &keys[1]);
        backupKey(HKEY_CURRENT_USER, "software\\zub_Kram", &keys[2]);
        backupKey(HKEY_CURRENT_USER, "software\\zub_Kram\\kelpVole99", &keys[3]);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keys[0].path);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keys[1].path);
        HKEY parent;
        RegCreateKeyExA(HKEY_CURRENT_USER, "software\\zub_Kram", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &parent, NULL);
        RegCloseKey(parent);
    }
    void TearDown() override
    {
        finishRun(&run);
        for (int i = 3; i >= 0; i--)
            restoreKey(&keys[i]);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(uninstallKey) + "someapp.exe").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(appPathsKey) + "someapp.exe").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "software\\zub_Kram\\someapp.exe");
        removeTree((scratch + "\\zub_Savers").c_str());
        removeTree((scratch + "\\Documents").c_str());
    }
    std::string expand(const char *text)
    {
        std::string out;
        for (; *text; text++)
            out += *text == '@' ? scratch : std::string(1, *text);
        return out;
    }
    /* The record setup would leave for `name`, in the scratch folder. */
    void install(const char *name, const char *file, int layout)
    {
        std::string saver = scratch + "\\" + file;
        std::string menu = scratch + (layout & TAMPERED ? "\\Documents" : "\\zub_Savers\\kelpVole99");
        std::string uninstall = std::string(uninstallKey) + name, app = std::string(appPathsKey) + name;
        writeFile(saver);
        setRawValue(HKEY_LOCAL_MACHINE, uninstall.c_str(), "displayName", REG_SZ, "x", 2);
        if (layout & NOT_A_STRING)
            setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), NULL, REG_DWORD, "abcd", 4);
        else
            setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), NULL, REG_SZ, saver.c_str(), saver.size() + 1);
        setRawValue(HKEY_CURRENT_USER, (std::string("software\\zub_Kram\\") + name).c_str(),
                    "speed", REG_DWORD, "abcd", 4);
        if (!(layout & (MENU | TAMPERED)))
            return;
        CreateDirectoryA((scratch + "\\zub_Savers").c_str(), NULL);
        CreateDirectoryA(menu.c_str(), NULL);
        setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), "smPath", REG_SZ, menu.c_str(), menu.size() + 1);
        for (int i = 0; i < (layout & MANY ? 12 : 3); i++) {
            char file[200];
            sprintf(file, "\\link %03d%0*d.lnk", i, layout & MANY ? 120 : 1, 0);
            if (layout & MANY && i % 2 == 0)    /* long lines of failures, more than the report holds */
                CreateDirectoryA((menu + file).c_str(), NULL);
            else
                writeFile(menu + file);
        }
        if (layout & SUBFOLDER)
            CreateDirectoryA((menu + "\\sub").c_str(), NULL);
    }
    /* The remover pauses 200 ms for every start-menu entry. */
    HWND waitForBox(const char *caption)
    {
        for (int waited = 0; waited < 20000; waited += 20) {
            HWND box = FindWindowA("#32770", caption);
            if (box != NULL && IsWindowVisible(box))
                return box;
            pumpMessages(20);
        }
        return NULL;
    }
    void closeBox(const char *caption)
    {
        HWND box = waitForBox(caption);
        ASSERT_TRUE(box != NULL) << caption;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (int waited = 0; waited < endMs && IsWindow(box); waited += 20)
            pumpMessages(20);
    }
    void start(const char *arguments)
    {
        ASSERT_TRUE(startBuilt("zUbSavRemov_1_51.exe", "zUbSavRemov_1_51.exe", arguments, &run));
        dialog = waitForWindow(&run, "#32770", startMs);
        ASSERT_TRUE(dialog != NULL);
    }
    std::string text(int id)
    {
        char buffer[1200] = "";
        GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
        return buffer;
    }
    void expectEnds()
    {
        DWORD code = 1234;
        ASSERT_TRUE(waitForExit(&run, endMs, &code));
        EXPECT_EQ(0u, code);
    }
};

TEST_P(Remover, RemovesWhatTheRecordNamesAndReports)
{
    const RemoveCase &c = GetParam();
    if (c.record != NULL)
        install(c.record, c.file, c.layout);
    start(c.arguments);
    DWORD started = GetTickCount();
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(waitForBox("info") != NULL);
    if (c.report == removerFullReport)
        printf("full run with three links: %lu ms\n", GetTickCount() - started);

    std::string report = text(1000), want = expand(c.report);
    EXPECT_NE(std::string::npos, report.find(want)) << report;
    if (c.report == removerFullReport)
        EXPECT_EQ(want, report);
    EXPECT_TRUE(report.size() > 14 && report.compare(report.size() - 14, 14, "\n\n... FINISHED") == 0)
        << report;
    EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 23) << report;
    EXPECT_EQ("Exit", text(IDOK));
    std::string saver = scratch + "\\" + c.file;
    EXPECT_EQ(c.fileLeft, exists(saver)) << saver;
    std::string menu = scratch + (c.layout & TAMPERED ? "\\Documents" : "\\zub_Savers\\kelpVole99");
    EXPECT_EQ(c.menuLeft, exists(menu));
    EXPECT_EQ(c.linksLeft, filesIn(menu));
    EXPECT_TRUE(exists(scratch + "\\zub_Savers") || !(c.layout & MENU));
    if (c.record != NULL) {     /* the registry steps as written: whatever the argument names */
        HKEY k;
        int left = RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(uninstallKey) + c.record).c_str(),
                                 0, KEY_READ, &k) == ERROR_SUCCESS;
        if (left)
            RegCloseKey(k);
        EXPECT_EQ(strcmp(c.arguments, c.record) != 0, left);
    }

    closeBox("info");
    if (c.report == removerFullReport) {      /* Cancel still asks after a run */
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        closeBox("message");
    } else {
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);   /* "Exit" */
    }
    expectEnds();
    DeleteFileA(saver.c_str());
}

const RemoveCase removeCases[] = {
    { "full", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU, removerFullReport, 0, 0, 0 },
    { "no smPath", "kelpVole99", "kelpVole99", "kelpVole99.scr", 0,
      "  Done\n\nDeleting saver files...\nOK\n\nDeleting registry entries...\nOK\nOK\nOK\n\n... FINISHED", 0, 0, 0 },
    { "subfolder", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | SUBFOLDER,
      "Removing start menu Folder...\ncant't delete folder: @\\zub_Savers\\kelpVole99\n", 0, 1, 0 },
    { "never installed", "kelpVole99", NULL, "none", 0,
      "Reading uninstall info...\nerror cant't read uninstall registry entry:\n   HKEY_LOCAL_MACHINE\\"
      "software\\microsoft\\windows\\currentversion\\app paths\\kelpVole99\n\nDeleting registry entries...\n"
      "can't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\uninstall\\kelpVole99\n"
      "can't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\kelpVole99\n"
      "no saver inifile found:\n   HKEY_CURRENT_USER\\software\\zub_kram\\kelpVole99\n\n... FINISHED", 0, 0, 0 },
    { "trailing blanks", "kelpVole99  ", "kelpVole99", "kelpVole99.scr", MENU,
      "app paths\\kelpVole99  \n\nDeleting registry entries...\ncan't delete key:", 1, 1, 3 },
    { "tampered smPath", "kelpVole99", "kelpVole99", "kelpVole99.scr", TAMPERED,
      "Deleting start menu entries...\n\nRemoving start menu Folder...\ncant't delete folder: @\\Documents\n", 0, 1, 3 },
    { "another program", "someapp.exe", "someapp.exe", "someapp.exe", 0,
      "Deleting saver files...\ncan't find file to remove:\n   @\\someapp.exe\n", 1, 0, 0 },
    { "default not a string", "kelpVole99", "kelpVole99", "kelpVole99.scr", NOT_A_STRING,
      "Deleting saver files...\ncan't find file to remove:\n   \n\n", 1, 0, 0 },
    { "12 long entries", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | MANY,
      "\n\nRemoving start menu Folder...\ncant't delete folder: @\\zub_Savers\\kelpVole99\n\n... FINISHED",
      0, 1, 0 },
};
INSTANTIATE_TEST_SUITE_P(Records, Remover, ::testing::ValuesIn(removeCases));

TEST_F(Remover, WithoutArgumentOnlyComplains)
{
    start("");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    pumpMessages(300);
    EXPECT_EQ("ERROR: command line is missing !\n", text(1000));
    EXPECT_EQ("OK", text(IDOK));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    expectEnds();
}

/* Cancel asks nothing but shows its box; the close box shows none. */
TEST_F(Remover, CancelAndTheCloseBoxTouchNothing)
{
    install("kelpVole99", "kelpVole99.scr", MENU);
    for (int way = 0; way < 2; way++) {
        start("kelpVole99");
        if (way == 0) {
            PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            closeBox("message");
        } else {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        expectEnds();
        EXPECT_TRUE(FindWindowA("#32770", "message") == NULL);
        finishRun(&run);
    }
    EXPECT_TRUE(exists(scratch + "\\kelpVole99.scr"));
    EXPECT_TRUE(exists(scratch + "\\zub_Savers\\kelpVole99\\link 0000.lnk"));
    DeleteFileA((scratch + "\\kelpVole99.scr").c_str());
}

}  // namespace
