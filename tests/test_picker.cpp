/* The location picker through setup's "browse...", worked from outside.
   Lists are read with the W calls: across processes Wine's A calls hand
   back UTF-16. */
#include <windows.h>
#include <gtest/gtest.h>
#include <fstream>
#include <regex>
#include <stdlib.h>
#include <string>

#include "resource.h"
#include "tests/driver.h"

namespace {

const std::string base = "C:\\kelpPicker", deep(150, 'd'), longName(120, 'n'), cut(98, 'n');
/* every folder a test may leave, removed innermost first */
const std::string made[7] = { base + "\\made", base + "\\" + cut, base + "\\" + deep,
                              base + "\\Long Folder Name", base + "\\disk",
                              base + "\\\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f", base };

int findEntry(HWND list, const std::string &text, int combo)
{
    WCHAR entry[MAX_PATH + 8], wanted[MAX_PATH + 8];
    lstrcpynW(wanted, widen(text).c_str(), MAX_PATH + 8);
    int count = (int)SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++)
        if (SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, (LPARAM)entry) > 0
            && lstrcmpiW(entry, wanted) == 0)
            return i;
    return -1;
}

class Picker : public ::testing::Test {
protected:
    ProgramRun run;
    HWND setup = NULL, picker = NULL;
    std::string driveLink;

    void SetUp() override
    {
        for (int i : { 6, 3, 2 })
            CreateDirectoryA(made[i].c_str(), NULL);
    }
    void TearDown() override
    {
        finishRun(&run);
        DeleteFileA((base + "\\parent's file").c_str());
        for (int i = 0; i < 7; i++)
            RemoveDirectoryW(widen(made[i]).c_str());
        if (!driveLink.empty())
            runCommand("/bin/rm -f " + driveLink);
    }

    void waitGone(HWND window) { waitUntil([&] { return !IsWindowVisible(window); }); }
    void openPicker()
    {
        ASSERT_TRUE(startProgram("kelpVole99.exe", "", &run));
        ASSERT_TRUE((setup = waitForBox(&run, "setup")) != NULL);
        PostMessageA(GetDlgItem(setup, IDC_SETUP_BROWSE), BM_CLICK, 0, 0);
        ASSERT_TRUE((picker = waitForBox(&run, "Select install location")) != NULL);
    }
    int click(const std::string &folder, int notification = LBN_DBLCLK)
    {
        HWND list = GetDlgItem(picker, IDC_PICKER_FOLDERS);
        int index = findEntry(list, "[" + folder + "]", 0);
        SendMessageA(list, LB_SETCURSEL, index, 0);
        SendMessageA(picker, WM_COMMAND, MAKEWPARAM(IDC_PICKER_FOLDERS, notification), (LPARAM)list);
        return index >= 0;
    }
    /* The boxes that answer a name ("|open" when dialog 141 stays); none
       when the picker moves into the new folder. */
    std::string newFolder(const std::string &name)
    {
        std::string before = itemText(picker, IDC_PICKER_PATH), boxes;
        PostMessageA(GetDlgItem(picker, IDC_PICKER_NEWFOLDER), BM_CLICK, 0, 0);
        HWND dialog = waitForBox(&run, "create new folder");
        EXPECT_FALSE(IsWindowEnabled(picker)) << "behind the new-folder dialog";
        SetDlgItemTextW(dialog, IDC_NEWFOLDER_NAME, widen(name).c_str());
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        waitUntil([&] {
            if (findBox(&run, "message") != NULL) {     /* over the new-folder dialog, or after it */
                EXPECT_FALSE(IsWindowEnabled(IsWindowVisible(dialog) ? dialog : picker));
                boxes = closeBox(&run, "message");
            }
            return !boxes.empty() || itemText(picker, IDC_PICKER_PATH) != before;
        });
        if (boxes.empty() && itemText(picker, IDC_PICKER_PATH) != before)
            return boxes;
        if (IsWindowVisible(dialog)) {
            boxes += "|open";
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            waitGone(dialog);
        }
        return boxes;
    }
    /* Waits for the path label to move: a second choice must not overtake. */
    void selectDrive(const char *drive)
    {
        HWND box = GetDlgItem(picker, IDC_PICKER_DRIVES);
        std::string before = itemText(picker, IDC_PICKER_PATH);
        SendMessageA(box, CB_SETCURSEL, findEntry(box, drive, 1), 0);
        PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDC_PICKER_DRIVES, CBN_SELCHANGE), (LPARAM)box);
        waitUntil([&] { return itemText(picker, IDC_PICKER_PATH) != before; }, 2000);
    }
    int selectedDrive(const char *drive)
    {
        return findEntry(GetDlgItem(picker, IDC_PICKER_DRIVES), drive, 1)
            == SendDlgItemMessageA(picker, IDC_PICKER_DRIVES, CB_GETCURSEL, 0, 0);
    }
    void expectLeaves(int button, const std::string &saverPath)
    {
        PostMessageA(GetDlgItem(picker, button), BM_CLICK, 0, 0);
        waitGone(picker);
        EXPECT_FALSE(IsWindowVisible(picker));
        /* written once the picker has gone */
        waitUntil([&] { return itemText(setup, IDC_SETUP_SAVERPATH) == saverPath; });
        EXPECT_EQ(saverPath, itemText(setup, IDC_SETUP_SAVERPATH));
    }
};

TEST_F(Picker, OkRightAwayKeepsTheFolderInStoredSpellingWithTrueFreeSpace)
{
    ULARGE_INTEGER available, total, free;
    openPicker();
    GetDiskFreeSpaceExA("C:\\", &available, &total, &free);
    EXPECT_EQ("c:\\windows", itemText(picker, IDC_PICKER_PATH));
    EXPECT_TRUE(selectedDrive("[-c-]"));
    /* read back, the count is the drive's own within what a busy disk moves */
    std::string label = itemText(picker, IDC_PICKER_FREE);
    EXPECT_TRUE(std::regex_match(label, std::regex("free: [1-9][0-9]{0,2}(\\.[0-9]{3})* bytes")));
    label = std::regex_replace(label, std::regex("[^0-9]"), "");
    EXPECT_NEAR((double)free.QuadPart, strtod(label.c_str(), NULL), free.QuadPart / 50.0);
    expectLeaves(IDOK, "c:\\windows\\kelpVole99.scr");
}

TEST_F(Picker, OnlyADoubleClickEntersAndCancelKeepsTheInstallFolder)
{
    openPicker();
    ASSERT_TRUE(click(".."));
    EXPECT_EQ("c:\\", itemText(picker, IDC_PICKER_PATH));
    ASSERT_TRUE(click("kelpPicker", LBN_SELCHANGE));
    EXPECT_EQ("c:\\", itemText(picker, IDC_PICKER_PATH));
    ASSERT_TRUE(click("kelpPicker") && click("long folder name"));
    EXPECT_EQ("c:\\kelpPicker\\Long Folder Name", itemText(picker, IDC_PICKER_PATH));
    EXPECT_EQ(1, SendDlgItemMessageW(picker, IDC_PICKER_FOLDERS, LB_GETCOUNT, 0, 0));
    expectLeaves(IDCANCEL, "C:\\windows\\kelpVole99.scr");
}

TEST_F(Picker, NewFoldersAreMadeAndEnteredOrRefused)
{
    const struct { std::string from, name, boxes, made; } cases[] = {
        { "", "", "please enter a name for the new Folder\nor press cancel|open", "" },
        { "", "Long Folder Name", "Folder already exists", "" },
        { "", longName, "", cut },
        /* the path would pass its buffer: refused, not cut */
        { deep, longName, "ERROR: can't create folder", "" },
        /* beyond code page 1252 (Новая), taken whole */
        { "", "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f", "", "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xb0\xd1\x8f" },
        { "", "Made", "", "Made" },
    };
    std::ofstream((base + "\\parent's file").c_str()) << "x";
    openPicker();
    ASSERT_TRUE(click("..") && click("kelpPicker"));
    for (const auto &c : cases) {
        std::string at = "c" + base.substr(1) + (c.from.empty() ? "" : "\\" + c.from);
        if (!c.from.empty())
            ASSERT_TRUE(click(c.from));
        EXPECT_EQ(c.boxes, newFolder(c.name)) << c.name;
        /* a new folder is shown in its stored spelling, and its own files */
        EXPECT_EQ(c.made.empty() ? at : at + "\\" + c.made, itemText(picker, IDC_PICKER_PATH));
        if (!c.made.empty()) {
            EXPECT_EQ(1, SendDlgItemMessageW(picker, IDC_PICKER_FOLDERS, LB_GETCOUNT, 0, 0)) << "only [..]";
            EXPECT_EQ(0, SendDlgItemMessageW(picker, IDC_PICKER_FILES, LB_GETCOUNT, 0, 0)) << c.name;
        }
        if (&c != &cases[sizeof cases / sizeof *cases - 1] && (!c.made.empty() || !c.from.empty()))
            ASSERT_TRUE(click(".."));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((base + "\\" + deep + "\\" + cut).c_str()));
    expectLeaves(IDOK, "c:\\kelpPicker\\Made\\kelpVole99.scr");
}

/* At a drive's root the path shown already ends in its separator: the
   new folder is joined with no second one. */
TEST_F(Picker, ANewFolderAtADriveRootHasOneSeparator)
{
    const std::string name = "kelpRoot" + std::to_string(GetCurrentProcessId());
    openPicker();
    ASSERT_TRUE(click(".."));
    const std::string drive = itemText(picker, IDC_PICKER_PATH).substr(0, 2);    /* as the picker writes it */
    EXPECT_EQ("", newFolder(name));
    EXPECT_EQ(drive + "\\" + name, itemText(picker, IDC_PICKER_PATH));
    expectLeaves(IDOK, drive + "\\" + name + "\\kelpVole99.scr");
    finishRun(&run);        /* which stood in the folder */
    EXPECT_TRUE(RemoveDirectoryA(("c:\\" + name).c_str()));
}

/* Drive y: links to a folder that is then removed, as a disk taken out:
   the drive is either still in the box when chosen, or, when the install
   folder is on it, gone from the box when the picker opens. */
TEST_F(Picker, ADriveThatCannotBeEnteredKeepsWhatWasShown)
{
    char prefix[MAX_PATH];
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH))
        GTEST_SKIP() << "drives are linked in a Wine prefix";
    driveLink = prefix + std::string("/dosdevices/y:");
    ASSERT_TRUE(CreateDirectoryA((base + "\\disk").c_str(), NULL));
    ASSERT_TRUE(runCommand("/bin/ln -sfn ../drive_c/kelpPicker/disk " + driveLink));
    openPicker();
    selectDrive("[-y-]");
    EXPECT_EQ("y:\\", itemText(picker, IDC_PICKER_PATH));
    expectLeaves(IDOK, "y:\\kelpVole99.scr");

    /* the setup process stands in the folder: only Unix can take it now */
    ASSERT_TRUE(runCommand(std::string("/bin/rm -r ") + prefix + "/drive_c/kelpPicker/disk", base + "\\disk", 0));
    PostMessageA(GetDlgItem(setup, IDC_SETUP_BROWSE), BM_CLICK, 0, 0);
    EXPECT_EQ("error accessing drive!", closeBox(&run, "message"));
    ASSERT_TRUE((picker = waitForBox(&run, "Select install location")) != NULL);
    EXPECT_EQ(CB_ERR, SendDlgItemMessageA(picker, IDC_PICKER_DRIVES, CB_GETCURSEL, 0, 0));
    expectLeaves(IDCANCEL, "y:\\kelpVole99.scr");

    ASSERT_TRUE(CreateDirectoryA((base + "\\disk").c_str(), NULL));
    PostMessageA(GetDlgItem(setup, IDC_SETUP_BROWSE), BM_CLICK, 0, 0);
    ASSERT_TRUE((picker = waitForBox(&run, "Select install location")) != NULL);
    selectDrive("[-c-]");
    ASSERT_TRUE(RemoveDirectoryA((base + "\\disk").c_str()));
    std::string shown = itemText(picker, IDC_PICKER_PATH);
    LRESULT listed = SendDlgItemMessageW(picker, IDC_PICKER_FOLDERS, LB_GETCOUNT, 0, 0);
    selectDrive("[-y-]");
    EXPECT_EQ("error accessing drive!", closeBox(&run, "message"));
    EXPECT_TRUE(selectedDrive("[-c-]"));
    EXPECT_EQ(shown, itemText(picker, IDC_PICKER_PATH));
    EXPECT_EQ(listed, SendDlgItemMessageW(picker, IDC_PICKER_FOLDERS, LB_GETCOUNT, 0, 0)) << "lists kept";
}

}  // namespace
