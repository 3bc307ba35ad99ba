/* The installer role.  Black-box: the built program started under its
   distributed name, its dialog and message boxes worked from outside, and
   what it left read back.  In-process: an install folder too long to hold,
   which from outside only the location picker could produce.  The tests
   run in the product's architecture, so they read the registry view it
   writes to (the 32-bit one for the i686 build). */
#include <windows.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>
#include <sddl.h>
#include <tlhelp32.h>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <regex>
#include <set>
#include <vector>
#include <string>

#include "saver/saver.h"
#include "setup/setup.h"
#include "common/rights.h"
#include "resource.h"
#include "remover/resource.h"
#include "tests/driver.h"
#include "tests/testutil.h"

namespace {

#define UNINSTALL_KEY "software\\microsoft\\windows\\currentversion\\uninstall\\kelpVole99"
#define APP_PATH_KEY "software\\microsoft\\windows\\currentversion\\app paths\\kelpVole99"
/* the second is where Wine keeps parameters set without SPIF_UPDATEINIFILE */
const char *const desktopKeys[2] = { "Control Panel\\Desktop",
    "Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop" };
enum { SAVER, REMOVER, MENU, DESK_CPL, DESK_CALLS, FILES };
/* where Wine is told, by a program's file name, which system it runs on */
const char *const systemKeys[4] = { "Software\\Wine\\AppDefaults", "Software\\Wine\\AppDefaults\\kelpVole99.exe",
    "Software\\Wine\\AppDefaults\\kelpVole99.scr", "Software\\Wine\\AppDefaults\\zUbSavRemov_1_51.exe" };

/* A REG_SZ value as stored, its NUL included, in UTF-8; a REG_DWORD's
   bytes.  (A NUL left uncounted is added by the system's RegSetValueEx
   itself, so this cannot catch that.) */
std::string storedText(HKEY root, const char *path, const char *name)
{
    WCHAR data[MAX_PATH + 64];
    DWORD type = 0, size = sizeof data;
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegQueryValueExW(key, name ? widen(name).c_str() : NULL, NULL, &type, (BYTE *)data, &size);
        RegCloseKey(key);
    }
    char text[4 * (MAX_PATH + 64)];
    if (rc == ERROR_SUCCESS && type == REG_SZ)      /* the count, so as to keep a stored NUL */
        return std::string(text, WideCharToMultiByte(CP_UTF8, 0, data, size / sizeof *data, text,
                                                     sizeof text, NULL, NULL));
    return rc == ERROR_SUCCESS && type == REG_DWORD ? std::string((char *)data, size) : none;
}

std::string iniLine()
{
    char line[MAX_PATH];
    GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", none.c_str(), line, sizeof line, "system.ini");
    return line;
}

/* "target|arguments|icon,index|folder" of a link file */
std::string readLink(const std::string &name)
{
    IShellLinkW *link = NULL;
    IPersistFile *file = NULL;
    WCHAR target[MAX_PATH] = L"", arguments[512] = L"", icon[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    int index = -1;
    CoInitialize(NULL);
    CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void **)&link);
    link->QueryInterface(IID_IPersistFile, (void **)&file);
    if (file->Load(widen(name).c_str(), STGM_READ) == S_OK) {
        /* Wine keeps the path text in the code page alone: then the target
           as the link's ID list holds it, which is what the shell follows */
        LPITEMIDLIST items = NULL;
        link->GetPath(target, MAX_PATH, NULL, 0);
        if (wcschr(target, L'?') != NULL && link->GetIDList(&items) == S_OK)
            SHGetPathFromIDListW(items, target);
        CoTaskMemFree(items);
        link->GetArguments(arguments, 512);
        link->GetIconLocation(icon, MAX_PATH, &index);
        link->GetWorkingDirectory(folder, MAX_PATH);
    }
    file->Release();
    link->Release();
    CoUninitialize();
    return utf8(target) + "|" + utf8(arguments) + "|" + utf8(icon) + "," + std::to_string(index)
        + "|" + utf8(folder);
}

/* The next message box of the run (or of this process), any window but
   the program's dialog, with its text; NULL once the run has ended. */
HWND nextBox(const ProgramRun *run, HWND dialog, std::string *text)
{
    HWND box = waitForBox(run, NULL, dialog);
    *text = boxText(box);
    return box;
}

/* Sets aside what an install touches, and puts it all back after. */
class Setup : public ::testing::Test {
protected:
    char windows[MAX_PATH], programs[MAX_PATH];
    std::string files[FILES], saver, menuFolder, scrnsave;
    KeyBackup keys[6];
    ValueBackup desktop[4];
    ProgramRun run;
    HWND dialog;

    void SetUp() override
    {
        const char *names[FILES] = { "kelpVole99.scr", "zUbSavRemov_1_51.exe", "", "desk.cpl",
                                     "deskcalls.txt" };
        GetWindowsDirectoryA(windows, MAX_PATH);
        SHGetFolderPathA(NULL, CSIDL_PROGRAMS, NULL, 0, programs);
        for (int i = 0; i < FILES; i++)
            files[i] = i == MENU ? programs + std::string("\\zUb_savers") : windows + ("\\" + std::string(names[i]));
        saver = files[SAVER];
        menuFolder = programs + std::string("\\zub_Savers\\kelpVole99");
        for (int i = 0; i < 2; i++) {
            backupKey(HKEY_LOCAL_MACHINE, i ? APP_PATH_KEY : UNINSTALL_KEY, &keys[i]);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, i ? APP_PATH_KEY : UNINSTALL_KEY);
        }
        for (int i = 0; i < 4; i++)
            backupKey(HKEY_CURRENT_USER, systemKeys[i], &keys[2 + i]);
        for (int i = 0; i < 4; i++) {
            const char *name = i & 1 ? "ScreenSaveTimeOut" : "ScreenSaveActive";
            backupValue(HKEY_CURRENT_USER, desktopKeys[i / 2], name, &desktop[i]);
            deleteValue(HKEY_CURRENT_USER, desktopKeys[i / 2], name);
        }
        scrnsave = iniLine();
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", NULL, "system.ini");
        for (int i = 0; i < FILES; i++)
            MoveFileA(files[i].c_str(), (files[i] + ".kelpsave").c_str());
    }

    void TearDown() override
    {
        const char *links[3] = { "\\test", "\\remove", "\\configure" };
        finishRun(&run);
        for (int i = 0; i < 3; i++)
            DeleteFileA((menuFolder + links[i] + " kelpVole99.lnk").c_str());
        RemoveDirectoryA(menuFolder.c_str());
        for (int i = 0; i < FILES; i++) {
            const char *f = files[i].c_str();   /* the settings page may still hold desk.cpl */
            waitUntil([&] { return DeleteFileA(f) || RemoveDirectoryA(f) || GetFileAttributesA(f) == INVALID_FILE_ATTRIBUTES; });
            MoveFileA((files[i] + ".kelpsave").c_str(), files[i].c_str());
        }
        for (int i = 0; i < 4; i++)
            restoreValue(&desktop[i]);
        for (int i = 5; i >= 0; i--)
            restoreKey(&keys[i]);
        WritePrivateProfileStringA("boot", "SCRNSAVE.EXE",
                                   scrnsave == none ? NULL : scrnsave.c_str(), "system.ini");
    }

    void start()
    {
        ASSERT_TRUE(startProgram("kelpVole99.exe", "", &run));
        dialog = waitForWindow(&run, "#32770");
        ASSERT_TRUE(dialog != NULL) << "no setup dialog";
    }

    void expectNothingRegistered()
    {
        EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "displayName"));
        EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, APP_PATH_KEY, NULL));
        EXPECT_EQ(none, iniLine());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(files[MENU].c_str()));
    }
};

TEST_F(Setup, CancelAsksWithNoPreselected)
{
    start();
    for (int answer = IDNO; ; answer = IDYES) {
        std::string text;
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        HWND box = nextBox(&run, dialog, &text);
        ASSERT_TRUE(box != NULL);
        EXPECT_EQ("You have not finished the installation yet !\nReally exit ?\n\n"
                  "To install select NO and push the SETUP button!", text);
        EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetDlgItem(box, IDNO), GWL_STYLE) & 0x0F);
        answerBox(box, answer);
        if (answer == IDYES)
            break;
        EXPECT_TRUE(IsWindowVisible(dialog)) << "No must keep the dialog";
    }
    EXPECT_TRUE(endsWith(&run, 2)) << "the code for cancelled";
    EXPECT_EQ(none, fileBytes(saver));
    expectNothingRegistered();
}

struct InstallCase {
    const char *what;
    const char *oldSaver;       /* a file already where the saver goes */
    int held;                   /* and held open without sharing, as by a running saver */
    int answer;                 /* to the overwrite question */
    int blockMenu;              /* a file where the start-menu folder goes */
    int wrapTimeout;            /* 100, one step up, and the settings page not wanted */
    const char *boxes;          /* every message box's text, in order, '|' between */
    int registered;
    int copied;                 /* the saver file is the program; else as it was */
    int lockedRecord;           /* the application-path key (1) or the uninstall key (2) takes no value */
    int plantedRundll;          /* a "rundll32.exe" of someone else's beside setup */
    DWORD code;                 /* the exit code */
};
void PrintTo(const InstallCase &c, std::ostream *out) { *out << c.what; }

class Install : public Setup, public ::testing::WithParamInterface<InstallCase> {};
const char installed[] = "saver successful installed !";

/* The start-menu folder opens in a shell window; closes it and waits
   until it lets go of the folder. */
int closeShellWindow()
{
    HWND shell = NULL;
    DWORD id = 0;
    waitUntil([&] { return (shell = FindWindowA("ExplorerWClass", "kelpVole99")) != NULL; });
    GetWindowThreadProcessId(shell, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    PostMessageA(shell, WM_CLOSE, 0, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    return shell != NULL;
}

TEST_P(Install, LeavesWhatItReports)
{
    const InstallCase &c = GetParam();
    char standIn[MAX_PATH];
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.oldSaver) {   /* a second install: the start-menu folders are there as well */
        std::ofstream(saver.c_str(), std::ios::binary) << c.oldSaver;
        CreateDirectoryA(files[MENU].c_str(), NULL);
        CreateDirectoryA(menuFolder.c_str(), NULL);
    }
    if (c.held)
        held = CreateFileA(saver.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (c.blockMenu)
        std::ofstream(files[MENU].c_str()) << "not a folder";
    if (c.plantedRundll)    /* found first by a bare name, it would not even start */
        ASSERT_TRUE(copyBesideProgram("standin\\planted.dll", "rundll32.exe"));
    PSECURITY_DESCRIPTOR readOnly = NULL;
    HKEY record;
    if (c.lockedRecord) {   /* as an administrator may lock it; the fixture deletes it */
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                         &readOnly, NULL));
        ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, c.lockedRecord == 2 ? UNINSTALL_KEY : APP_PATH_KEY, 0,
                                     NULL, 0, KEY_ALL_ACCESS, NULL, &record, NULL));
        EXPECT_EQ(0, RegSetKeySecurity(record, DACL_SECURITY_INFORMATION, readOnly));
        RegCloseKey(record);
        LocalFree(readOnly);
    }
    /* rundll32 finds a desk.cpl in the Windows directory */
    ASSERT_TRUE(copyBesideProgram("standin\\desk.cpl", "desk.cpl"));
    ASSERT_TRUE(scratchPath("desk.cpl", standIn, sizeof standIn));
    ASSERT_TRUE(MoveFileA(standIn, files[DESK_CPL].c_str()));
    start();
    SetFileAttributesA(run.path, FILE_ATTRIBUTE_READONLY);     /* as on a CD */
    if (c.wrapTimeout) {
        SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_SETPOS, 0, 100);
        SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, WM_KEYDOWN, VK_UP, 0);
        SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
    }

    std::string boxes, text;
    /* The shell's process that opens the start-menu folder is held as it
       starts, so the dialog waits out its whole look for the folder's
       window: messages it answers meanwhile, held with no box up, show it
       waits answering, not asleep.  Told when the box came with the window
       still held back (a hold taken too late lets it come first). */
    int answered = 0, heldBack = 0;
    auto folderShown = [] {
        HWND shell = FindWindowA("ExplorerWClass", "kelpVole99");
        return shell != NULL && IsWindowVisible(shell);
    };
    ASSERT_TRUE(holdNextStarted(run.process.dwProcessId));
    auto awaited = [&] {
        DWORD_PTR r;
        answered += heldProcess() != NULL && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, waitMs, &r)
                    && !IsWindowEnabled(dialog) && findBox(&run, NULL, dialog) == NULL;
        if (answered > 0)
            letHeldGo();
        return findBox(&run, NULL, dialog) != NULL || !stillRunning(&run);
    };
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    for (HWND box; waitUntil(awaited), (box = nextBox(&run, dialog, &text)) != NULL;) {
        heldBack |= text == installed && heldProcess() != NULL && !folderShown();
        letHeldGo();
        boxes += (boxes.empty() ? "" : "|") + text;
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "behind " << text;
        if (text == installed && !c.blockMenu)   /* in front of the start-menu folder's window */
            EXPECT_TRUE(waitUntil([&] {
                HWND shell = FindWindowA("ExplorerWClass", "kelpVole99");
                return shell != NULL && IsWindowVisible(shell) && GetForegroundWindow() == box;
            }));
        answerBox(box, text == "File exists !   Overwrite ?" ? c.answer : IDOK);
    }
    letHeldGo();
    EXPECT_EQ(c.boxes, boxes);
    EXPECT_TRUE(answered > 0 || !heldBack) << "the dialog stopped answering";
    EXPECT_TRUE(endsWith(&run, c.code));
    CloseHandle(held);
    SetFileAttributesA(run.path, FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE((c.copied ? fileBytes(run.path) : c.oldSaver) == fileBytes(saver));
    EXPECT_FALSE(GetFileAttributesA(saver.c_str()) & FILE_ATTRIBUTE_READONLY) << "the remover could not delete it";
    /* the remover goes out byte for byte once the program carries it */
    EXPECT_TRUE(fileBytes(files[REMOVER]) == resourceBytes(run.path, (LPCSTR)RT_RCDATA, IDR_REMOVER));
    if (!c.registered) {    /* the folders made above go, unless something was put in */
        RemoveDirectoryA(menuFolder.c_str());
        RemoveDirectoryA(files[MENU].c_str());
        expectNothingRegistered();
        return;
    }

    std::string removerPath = windows + std::string("\\zUbSavRemov_1_51.exe");
    char rundll32[MAX_PATH] = "";
    SearchPathA(NULL, "rundll32.exe", NULL, MAX_PATH, rundll32, NULL);
    EXPECT_EQ(saver, iniLine());
    struct { HKEY root; const char *key, *name; std::string text; } values[] = {
        { HKEY_CURRENT_USER, desktopKeys[0], "ScreenSaveActive", "1" },
        { HKEY_CURRENT_USER, desktopKeys[1], "ScreenSaveActive", "1" },
        { HKEY_CURRENT_USER, desktopKeys[0], "ScreenSaveTimeOut", c.wrapTimeout ? "60" : "180" },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "displayName", "kelpVole Screen Saver" },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString", removerPath + " kelpVole99" },
        { HKEY_LOCAL_MACHINE, APP_PATH_KEY, NULL, saver },
        { HKEY_LOCAL_MACHINE, APP_PATH_KEY, "Path", windows },
        { HKEY_LOCAL_MACHINE, APP_PATH_KEY, "smPath", menuFolder },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayIcon", saver },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayVersion", "1.52" },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "Publisher", "zUb" },
        { HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallLocation", windows },
    };
    for (const auto &v : values) {
        int inMenu = v.name != NULL && strcmp(v.name, "smPath") == 0;
        int locked = c.lockedRecord && strcmp(v.key, c.lockedRecord == 2 ? UNINSTALL_KEY : APP_PATH_KEY) == 0;
        EXPECT_EQ((c.blockMenu && inMenu) || locked ? none : v.text + '\0', storedText(v.root, v.key, v.name))
            << (v.name != NULL ? v.name : "(default)");
    }
    /* the numbers the system's program list reads: whole kilobytes of both files */
    struct { const char *name; DWORD number; } numbers[] = {
        { "EstimatedSize", (DWORD)((fileBytes(saver).size() + 1023) / 1024
                                   + (fileBytes(removerPath).size() + 1023) / 1024) },
        { "NoModify", 1 }, { "NoRepair", 1 },
    };
    for (const auto &n : numbers)
        EXPECT_EQ(c.lockedRecord == 2 ? none : std::string((const char *)&n.number, 4),
                  storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, n.name)) << n.name;

    if (!c.blockMenu)
        EXPECT_TRUE(closeShellWindow()) << "start-menu folder not opened";
    const std::string links[3][2] = {
        { "\\test", saver + "||,0|" + windows },
        { "\\remove", removerPath + "|kelpVole99|" + saver + ",2|" + windows },
        { "\\configure", rundll32 + ("|desk.cpl,InstallScreenSaver " + saver) + "|" + saver + ",1|" },
    };
    for (int i = 0; i < 3 && !c.blockMenu; i++)
        EXPECT_EQ(links[i][1], readLink(menuFolder + links[i][0] + " kelpVole99.lnk"));

    /* the stand-in settings page records what rundll32 handed it */
    std::string calls = none;
    waitUntil([&] {     /* a whole line: the file is there before what it is given */
        return (calls = fileBytes(files[DESK_CALLS])) != none && !calls.empty() && calls.back() == '\n';
    }, c.wrapTimeout ? 1500 : waitMs);
    EXPECT_EQ(c.wrapTimeout ? none : saver + "\n", calls);
}

const InstallCase installCases[] = {
    { "into the Windows folder", NULL, 0, 0, 0, 0, installed, 1, 1 },
    { "over a saver file, Yes overwrites", "old", 0, IDYES, 0, 0,
      "File exists !   Overwrite ?|saver successful installed !", 1, 1 },
    { "over a saver file, No keeps it", "old", 0, IDNO, 0, 0,
      "File exists !   Overwrite ?|saver successful installed !", 1, 0 },
    { "timeout 100 wraps to 1, no settings page", NULL, 0, 0, 0, 1, installed, 1, 1 },
    { "start menu not writable", NULL, 0, 0, 1, 0,
      "small ERROR: can't create link in startmenu !|saver successful installed !", 1, 1, 0, 0, 6 },
    { "record key taking no value: the start-menu folder's path is reported lost too", NULL, 0, 0, 0, 0,
      "small ERROR: can't write to registry|small ERROR: can't write to registry|saver successful installed !", 1, 1, 1,
      0, 4 },
    { "a rundll32.exe beside setup", NULL, 0, 0, 0, 0, installed, 1, 1, 0, 1 },
    { "uninstall key taking no value", NULL, 0, 0, 0, 0,
      "small ERROR: can't write to registry|saver successful installed !", 1, 1, 2, 0, 4 },
    { "record key taking no value and start menu not writable: the lower code stands", NULL, 0, 0, 1, 0,
      "small ERROR: can't write to registry|small ERROR: can't create link in startmenu !|saver successful installed !",
      1, 1, 1, 0, 4 },
    { "saver file in use", "old", 1, IDYES, 0, 0,
      "File exists !   Overwrite ?|ERROR: cant write file|error: can't create saver file", 0, 0, 0, 0, 3 },
};
INSTANTIATE_TEST_SUITE_P(Table, Install, ::testing::ValuesIn(installCases));

/* Setup as a package manager or a script runs it: the switches, the exit
   code, and with /S never a window.  The user's local application data lies
   below a name with a blank, as "C:\Users\Ann Lee" does. */
enum { NOWHERE, IN_WINDOWS, IN_FOLDER, FOR_USER, IN_LONG };
struct SwitchCase {
    const char *what, *arguments;   /* '@' the scratch folder, '#' a name that makes it 242 long */
    DWORD code;
    int where, minutes;
    const char *oldSaver, *box;     /* a file where the saver goes; the box's text begins so */
    int forRights;                  /* handed in-process to the copy started for rights */
};
void PrintTo(const SwitchCase &c, std::ostream *out) { *out << c.what; }
class UserScope : public Setup {
protected:
    KeyBackup userKeys[2];
    ValueBackup local[2], selection;
    std::string scratch, home;
    void SetUp() override
    {
        Setup::SetUp();
        char path[MAX_PATH];
        scratchPath("", path, MAX_PATH);
        scratch = std::string(path, strlen(path) - 1);
        home = scratch + "\\Ann Lee";
        for (const char *below : { "", "\\AppData", "\\Local" })
            CreateDirectoryA((home += below).c_str(), NULL);
        pointShellFolderAt("Local AppData", widen(home).c_str(), local);
        for (int i = 0; i < 2; i++) {
            backupKey(HKEY_CURRENT_USER, i ? APP_PATH_KEY : UNINSTALL_KEY, &userKeys[i]);
            RegDeleteKeyA(HKEY_CURRENT_USER, i ? APP_PATH_KEY : UNINSTALL_KEY);
        }
        backupValue(HKEY_CURRENT_USER, desktopKeys[0], "SCRNSAVE.EXE", &selection);
    }
    void TearDown() override
    {
        Setup::TearDown();
        for (int i = 1; i >= 0; i--)
            restoreKey(&userKeys[i]);
        for (ValueBackup *b : { &local[0], &local[1], &selection })
            restoreValue(b);
    }
};
class Switches : public UserScope, public ::testing::WithParamInterface<SwitchCase> {};

/* A file's bytes by a UTF-8 path. */
std::string wideBytes(const std::string &path)
{
    FILE *file = _wfopen(widen(path).c_str(), L"rb");
    std::string bytes;
    if (file == NULL)
        return none;
    for (int c; (c = fgetc(file)) != EOF;)
        bytes += (char)c;
    fclose(file);
    return bytes;
}

struct Look { DWORD id; int shown; };
BOOL CALLBACK lookForShown(HWND window, LPARAM data)
{
    Look *l = (Look *)data;
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    l->shown |= id == l->id && IsWindowVisible(window);
    return TRUE;
}
int windowShown(const ProgramRun *run)
{
    Look look = { run->process.dwProcessId, 0 };
    EnumWindows(lookForShown, (LPARAM)&look);
    return look.shown;
}

TEST_P(Switches, InstallWhereToldWithTheirExitCode)
{
    const SwitchCase &c = GetParam();
    if (c.oldSaver)
        std::ofstream(saver.c_str(), std::ios::binary) << c.oldSaver;
    ASSERT_TRUE(copyProgram("kelpVole99.exe", run.path, MAX_PATH));
    std::string given = c.arguments;
    if (given.find('&') != given.npos) {    /* the folder there already, named by its 8.3 alias */
        WCHAR alias[MAX_PATH];
        CreateDirectoryW(widen(scratch + "\\Иван Folder").c_str(), NULL);
        CreateDirectoryW(widen(scratch + "\\Иван Folder\\x").c_str(), NULL);
        GetShortPathNameW(widen(scratch + "\\Иван Folder\\x").c_str(), alias, MAX_PATH);
        given.replace(given.find('&'), 1, utf8(alias));
    }
    const std::string filler(241 - scratch.size(), 'k'), arguments = std::regex_replace(std::regex_replace(
        std::regex_replace(given, std::regex("@"), scratch), std::regex("#"), filler), std::regex("\\$"), windows);
    std::string line = '"' + std::string(run.path) + "\" " + arguments;
    DWORD code = 0;
    int shown = 0;
    if (c.forRights)    /* Wine's runas raises nothing and asks nothing */
        EXPECT_EQ(RIGHTS_HANDED_OVER, startWithRights(widen(run.path).c_str(), widen(arguments).c_str(), &code));
    else
        ASSERT_TRUE(run.started = startProcess(run.path, &line[0], &run.process, NULL, CP_UTF8));
    if (c.forRights)
        EXPECT_EQ(c.code, code);
    else if (c.box)
        EXPECT_EQ(c.box, closeBox(&run, "message").substr(0, strlen(c.box)));
    else
        waitUntil([&] { shown |= windowShown(&run); return !stillRunning(&run); });
    EXPECT_FALSE(shown);
    EXPECT_TRUE(c.forRights || endsWith(&run, c.code));
    const std::string folders[5] = { "", windows, scratch + "\\Иван Folder\\x",
                                     home + "\\Programs\\kelpVole99", scratch + "\\" + filler };
    const std::string installed = folders[c.where] + "\\kelpVole99.scr",
        remover = (c.where == FOR_USER ? folders[c.where] : windows) + "\\zUbSavRemov_1_51.exe",
        quoted = c.where == FOR_USER ? '"' + remover + '"' : remover;
    HKEY root = c.where == FOR_USER ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    EXPECT_EQ(none, storedText(c.where == FOR_USER ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, UNINSTALL_KEY,
                               "displayName"));
    if (c.where == NOWHERE) {
        EXPECT_EQ(none, fileBytes(saver));
        for (const std::string &made : { folders[IN_LONG], scratch + "\\Иван Folder" })
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(widen(made).c_str())) << "made";
        expectNothingRegistered();
        return;
    }
    EXPECT_TRUE(fileBytes(run.path) == wideBytes(installed));
    EXPECT_TRUE(wideBytes(remover) == resourceBytes(run.path, (LPCSTR)RT_RCDATA, IDR_REMOVER));
    struct { const char *key, *name; std::string text; } values[] = {
        { UNINSTALL_KEY, "uninstallString", quoted + " kelpVole99" },
        { UNINSTALL_KEY, "QuietUninstallString", quoted + " /S kelpVole99" },
        { APP_PATH_KEY, NULL, installed }, { APP_PATH_KEY, "Path", folders[c.where] },
        { APP_PATH_KEY, "smPath", menuFolder },
    };
    for (const auto &v : values)
        EXPECT_EQ(v.text + '\0', storedText(root, v.key, v.name)) << (v.name ? v.name : "(default)");
    /* for one user the selection is the user's own, and the Windows folder
       untouched (Wine keeps system.ini in the code page's letters) */
    if (c.where != IN_FOLDER)
        EXPECT_EQ(c.where == FOR_USER ? none : installed, iniLine());
    EXPECT_EQ(c.where == FOR_USER ? installed + '\0' : none,
              storedText(HKEY_CURRENT_USER, desktopKeys[0], "SCRNSAVE.EXE"));
    EXPECT_TRUE((c.where == IN_WINDOWS ? fileBytes(run.path) : none) == fileBytes(saver));
    EXPECT_EQ(std::to_string(c.minutes * 60) + '\0', storedText(HKEY_CURRENT_USER, desktopKeys[0], "ScreenSaveTimeOut"));
    EXPECT_EQ(installed + "||,0|" + folders[c.where], readLink(menuFolder + "\\test kelpVole99.lnk"));
}

const SwitchCase switchCases[] = {
    { "/S into the Windows folder", "/S", 0, IN_WINDOWS, 3 },
    { "/S over an older saver replaces it", "/S", 0, IN_WINDOWS, 3, "old" },
    { "/S /D= a folder with a blank, beyond the code page, made", "/S /D=@\\Иван Folder\\x", 0, IN_FOLDER, 3 },
    { "\"/D=...\" quoted as scripts quote it", "/S \"/D=@\\Иван Folder\\x\"", 0, IN_FOLDER, 3 },
    { "/D=\"...\" quoted", "/S /D=\"@\\Иван Folder\\x\"", 0, IN_FOLDER, 3 },
    { "a second /D=", "/S /D=@\\Иван Folder /D=@\\Иван Folder\\x", 1, NOWHERE },
    { "a folder too long for the remover beside the saver", "/S /CURRENTUSER /D=@\\#", 1, NOWHERE },
    { "handed over for rights beyond the code page", "/S /D=@\\Иван Folder\\x", 0, IN_FOLDER, 3, NULL, NULL, 1 },
    { "handed over for rights longer than MAX_PATH", "/S /TIMEOUT=7 /D=@\\#", 0, IN_LONG, 7, NULL, NULL, 1 },
    { "/s /timeout=7 in any case", "/s /timeout=7", 0, IN_WINDOWS, 7 },
    { "/S /CURRENTUSER", "/S /CURRENTUSER", 0, FOR_USER, 3 },
    { "an unknown switch", "/S /X", 1, NOWHERE },
    { "an unknown switch before /S: no window either", "/X /S", 1, NOWHERE },
    { "/CURRENTUSER and /ALLUSERS at once", "/S /CURRENTUSER /ALLUSERS", 1, NOWHERE },
    { "the rights' mark not first", "/S /rights", 1, NOWHERE },
    { "/D= not a full path", "/S /D=Some Folder", 1, NOWHERE },
    /* stored as the remover compares it: long, no closing separator; for one user, no folder of the machine's */
    { "/D= with a closing backslash", "/S /D=@\\Иван Folder\\x\\", 0, IN_FOLDER, 3 },
    { "/D= an 8.3 alias", "/S /D=&", 0, IN_FOLDER, 3 },
    { "/CURRENTUSER into the Windows folder", "/S /CURRENTUSER /D=$", 1, NOWHERE },
    { "/TIMEOUT=0", "/S /TIMEOUT=0", 1, NOWHERE },
    { "/TIMEOUT=101", "/S /TIMEOUT=101", 1, NOWHERE },
    { "a bad value without /S: a box names it", "/TIMEOUT=1o", 1, NOWHERE, 0, NULL,
      "ERROR: unknown switch or bad value:\n/TIMEOUT=1o\n" },
};
INSTANTIATE_TEST_SUITE_P(Table, Switches, ::testing::ValuesIn(switchCases));

/* Without the rights for the Windows folder (declined, or none to ask
   for) setup offers the user an install of their own: No ends it with the
   code for rights refused, Yes shows the user's folder and installs there.
   Every name of the folder's probe taken stands in for the missing rights. */
TEST_F(UserScope, OfferedWhenTheWindowsFolderCannotBeWritten)
{
    const std::string mine = home + "\\Programs\\kelpVole99\\kelpVole99.scr";
    for (int answer : { IDNO, IDYES }) {
        ASSERT_TRUE(copyProgram("kelpVole99.exe", run.path, MAX_PATH));
        STARTUPINFOA startup = { sizeof startup };
        ASSERT_TRUE(CreateProcessA(run.path, run.path, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                                   &run.process));
        run.started = 1;
        std::vector<std::string> probes;
        for (DWORD k = 0; k < 16; k++) {
            probes.push_back(windows + ("\\kelp" + std::to_string(run.process.dwProcessId + k * 0x10000) + ".tmp"));
            std::ofstream(probes.back().c_str()) << "taken";
        }
        ResumeThread(run.process.hThread);
        EXPECT_EQ("Setup can't write to the Windows folder:\n"
                  "installing for everyone needs administrator rights.\n\nInstall the saver for you only ?",
                  closeBox(&run, "question", answer));
        if (answer == IDYES) {
            ASSERT_TRUE((dialog = waitForWindow(&run, "#32770")) != NULL);
            EXPECT_EQ(mine, itemText(dialog, IDC_SETUP_SAVERPATH));
            SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            EXPECT_EQ(installed, closeBox(&run, "message"));
            EXPECT_TRUE(closeShellWindow());
        }
        EXPECT_TRUE(endsWith(&run, answer == IDYES ? 0 : 5));
        for (const std::string &probe : probes)
            DeleteFileA(probe.c_str());
        finishRun(&run);
    }
    EXPECT_EQ(mine + '\0', storedText(HKEY_CURRENT_USER, APP_PATH_KEY, NULL));
    EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "displayName"));
    EXPECT_EQ(none, fileBytes(saver));
}

/* A library of each name the programs import or load, planted in the
   folder of setup, of the saver and of the remover, with Windows' search
   order forced for that name in these programs (Wine otherwise takes its
   own first): no role may load it, and each still works. */
struct PlantedCase { const char *file, *name; };
void PrintTo(const PlantedCase &c, std::ostream *out) { *out << c.file; }
const char *const plantedPrograms[3] = { "kelpVole99.exe", "kelpVole99.scr", "zUbSavRemov_1_51.exe" };
std::string overridesKey(int i, const char *below = "")
{
    return std::string("Software\\Wine\\AppDefaults\\") + plantedPrograms[i] + below;
}
class Planted : public Setup, public ::testing::WithParamInterface<PlantedCase> {
protected:
    int existed[3] = {};
    ValueBackup password;
    void TearDown() override
    {
        Setup::TearDown();
        for (int i = 0; i < 3; i++) {
            deleteValue(HKEY_CURRENT_USER, overridesKey(i, "\\DllOverrides").c_str(), GetParam().name);
            if (!existed[i] && RegDeleteKeyA(HKEY_CURRENT_USER, overridesKey(i, "\\DllOverrides").c_str()) == 0)
                RegDeleteKeyA(HKEY_CURRENT_USER, overridesKey(i).c_str());
        }
        restoreValue(&password);
    }
};

int loaded(const ProgramRun *run, const char *module)
{
    MODULEENTRY32 entry = { sizeof entry };
    HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, run->process.dwProcessId);
    int found = 0;
    for (BOOL more = Module32First(all, &entry); more && !found; more = Module32Next(all, &entry))
        found = lstrcmpiA(entry.szModule, module) == 0;
    CloseHandle(all);
    return found;
}

TEST_P(Planted, NeverLoadedFromTheProgramsFolder)
{
    char marks[MAX_PATH];
    DWORD on = 1;
    backupValue(HKEY_CURRENT_USER, desktopKeys[0], "ScreenSaveUsePassword", &password);
    setRawValue(HKEY_CURRENT_USER, desktopKeys[0], "ScreenSaveUsePassword", REG_DWORD, &on, 4);
    ASSERT_TRUE(copyBesideProgram("standin\\planted.dll", GetParam().file));
    ASSERT_TRUE(scratchPath("planted.txt", marks, MAX_PATH));
    for (int i = 0; i < 3; i++) {
        HKEY key;
        if ((existed[i] = RegOpenKeyExA(HKEY_CURRENT_USER, overridesKey(i).c_str(), 0, KEY_READ, &key) == 0))
            RegCloseKey(key);
        setRawValue(HKEY_CURRENT_USER, overridesKey(i, "\\DllOverrides").c_str(), GetParam().name, REG_SZ,
                    "native,builtin", 15);
    }
    start();
    EXPECT_EQ(3, LOWORD(SendDlgItemMessageA(dialog, IDC_SETUP_TIMEOUT, UDM_GETPOS, 0, 0)));
    SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(installed, closeBox(&run, "message"));
    EXPECT_TRUE(endsWith(&run));
    EXPECT_TRUE(closeShellWindow());
    const char *roles[3][2] = { { "/c", "#32770" }, { "/s", "ssaverzub" }, { "/a", NULL } };
    for (auto &role : roles) {      /* the saver, beside the same libraries */
        ASSERT_TRUE(startProgram("kelpVole99.scr", role[0], &run));
        HWND window = role[1] != NULL ? waitForWindow(&run, role[1]) : NULL;
        EXPECT_TRUE(role[1] == NULL || window != NULL) << role[0];
        if (role[0][1] == 's')      /* with the sound on, ended by a key */
            EXPECT_TRUE(waitUntil([&] { return loaded(&run, "winmm.dll") && GetForegroundWindow() == window; }));
        if (window != NULL)
            PostMessageA(window, role[0][1] == 's' ? WM_CHAR : WM_CLOSE, 'q', 0);
        EXPECT_TRUE(endsWith(&run)) << role[0];
        finishRun(&run);
    }
    ASSERT_TRUE(startBuilt("zUbSavRemov_1_51.exe", "zUbSavRemov_1_51.exe", "kelpVole99", &run));
    HWND remover = waitForWindow(&run, "#32770");
    PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
    EXPECT_NE(none, closeBox(&run, "info"));
    PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(endsWith(&run));
    EXPECT_EQ(none, fileBytes(marks));
}
const PlantedCase plantedCases[] = {
    { "winmm.dll", "winmm" }, { "comctl32.dll", "comctl32" }, { "MPR.DLL", "mpr" },
    { "PASSWORD.CPL", "password.cpl" },
};
INSTANTIATE_TEST_SUITE_P(Table, Planted, ::testing::ValuesIn(plantedCases));

/* The setup dialog made in this process, as the program makes it. */
HWND makeSetupDialog()
{
    launchContext.instance = GetModuleHandleA(NULL);
    GetModuleFileNameW(NULL, launchContext.modulePath, MAX_PATH);
    InitCommonControls();
    return CreateDialogParamA(launchContext.instance, MAKEINTRESOURCEA(IDD_SETUP), NULL,
                              setupDialogProc, 0);
}

struct BoxLog { HWND dialog; std::string texts; volatile LONG done; };
DWORD WINAPI answerEveryBox(LPVOID data)
{
    BoxLog *log = (BoxLog *)data;
    HWND box = NULL;
    while (waitUntil([&] { return (box = findBox(NULL, NULL, log->dialog)) != NULL || log->done; }) && box) {
        log->texts += (log->texts.empty() ? "" : "|") + boxText(box);
        answerBox(box, IDOK);
    }
    return 0;
}

/* SETUP pressed in this process; the boxes are modal on the test's own
   thread, so another answers them.  Their texts, '|' between. */
std::string pressSetup(HWND dialog)
{
    BoxLog log = { dialog, "", 0 };
    HANDLE answerer = CreateThread(NULL, 0, answerEveryBox, &log, 0, NULL);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    log.done = 1;
    WaitForSingleObject(answerer, 2 * waitMs);
    CloseHandle(answerer);
    return log.texts;
}

TEST_F(Setup, TooLongInstallFolderIsRefusedBeforeAnyWrite)
{
    ASSERT_TRUE((dialog = makeSetupDialog()) != NULL);
    /* 250 characters, as the picker's OK would leave them */
    lstrcpynW(setupState.installFolder, (L"C:\\" + std::wstring(247, L'k')).c_str(), MAX_PATH);
    formSaverPath();
    EXPECT_EQ("ERROR: install path too long !\nPlease choose a shorter one.", pressSetup(dialog));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(0, setupState.finished);
    for (int i = 0; i < FILES; i++)
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(files[i].c_str())) << files[i];
    expectNothingRegistered();
    DestroyWindow(dialog);
}

/* A failed install for one user (here: its own file not to be read) takes
   away the folders it made and the remover it put in them. */
TEST_F(Setup, FailedUserInstallLeavesNothing)
{
    char made[MAX_PATH];
    ASSERT_TRUE(scratchPath("made", made, MAX_PATH));
    setupState.scope = SCOPE_USER;
    setupState.folderGiven = 1;
    lstrcpynW(setupState.installFolder, widen(made + std::string("\\kelpVole99")).c_str(), MAX_PATH);
    ASSERT_TRUE((dialog = makeSetupDialog()) != NULL);
    lstrcpynW(launchContext.modulePath, widen(made + std::string(".exe")).c_str(), MAX_PATH);
    EXPECT_EQ("error: can't create saver file", pressSetup(dialog));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(made));
    EXPECT_EQ(none, storedText(HKEY_CURRENT_USER, UNINSTALL_KEY, "displayName"));
    setupState.scope = SCOPE_MACHINE;
    setupState.folderGiven = 0;
    DestroyWindow(dialog);
}

/* The remover image meets a full disk (tools/fulldisk.sh mounts one there):
   the box, no cut file, nothing recorded that names it; the install goes on. */
TEST_F(Setup, RemoverMeetingAFullDiskIsNeitherLeftNorNamed)
{
    const char *full = getenv("KELP_FULL_DISK");
    if (full == NULL)
        GTEST_SKIP() << "run by tools/fulldisk.sh";
    const std::string cut = full + std::string("\\zUbSavRemov_1_51.exe");
    ASSERT_TRUE((dialog = makeSetupDialog()) != NULL);
    lstrcpynW(setupState.removerPath, widen(cut).c_str(), PATH_ROOM);
    CheckDlgButton(dialog, IDC_SETUP_STARTCONFIG, BST_UNCHECKED);
    EXPECT_EQ("ERROR: cant write file|saver successful installed !", pressSetup(dialog));
    EXPECT_TRUE(closeShellWindow());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(cut.c_str()));
    EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString"));
    EXPECT_EQ(none, fileBytes(menuFolder + "\\remove kelpVole99.lnk"));
    EXPECT_EQ(saver + '\0', storedText(HKEY_LOCAL_MACHINE, APP_PATH_KEY, NULL));
    DestroyWindow(dialog);
}

}  // namespace

namespace {

typedef std::set<std::string> Snapshot;

/* Every key and value below a root, as "key|name|type|bytes" lines. */
void walkKey(HKEY root, const std::string &path, Snapshot *out)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out->insert(path);
    for (DWORD i = 0;; i++) {
        char name[256], data[4096];
        DWORD nameSize = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, NULL, &type, (BYTE *)data, &size) != ERROR_SUCCESS)
            break;
        out->insert(path + "|" + name + "|" + std::to_string(type) + "|" + std::string(data, size));
    }
    for (DWORD i = 0;; i++) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        std::string below = path.empty() ? name : path + "\\" + name;
        /* what Wine rewrites by itself: its cache of parameters set for the
           session only, the count of the service manager's starts, and the
           session's environment, which each wineboot of a test beside this
           one writes anew from the user's shell folders */
        if (below != "Software\\Wine\\Temporary System Parameters" && below != "Volatile Environment"
            && below.find("\\Control\\ServiceCurrent") == std::string::npos)
            walkKey(root, below, out);
    }
    RegCloseKey(key);
}

/* Every file and folder on the system drive but the scratch folders. */
void walkFiles(const std::string &folder, const std::string &temp, Snapshot *out)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        std::string path = folder + "\\" + found.cFileName;
        if (found.cFileName[0] == '.' || _stricmp(path.c_str(), temp.c_str()) == 0)
            continue;
        out->insert(path);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            walkFiles(path, temp, out);
    }
    FindClose(search);
}

Snapshot takeSnapshot()
{
    char temp[MAX_PATH];
    Snapshot all;
    GetTempPathA(MAX_PATH, temp);
    temp[strlen(temp) - 1] = 0;
    walkKey(HKEY_LOCAL_MACHINE, "", &all);
    walkKey(HKEY_CURRENT_USER, "", &all);
    walkFiles("C:", temp, &all);
    return all;
}

/* What is the machine's: its registry and the Windows folder. */
Snapshot machineSnapshot()
{
    char windows[MAX_PATH];
    Snapshot all;
    GetWindowsDirectoryA(windows, MAX_PATH);
    walkKey(HKEY_LOCAL_MACHINE, "", &all);
    walkFiles(windows, "", &all);
    return all;
}

/* The system's program list as its command line prints it. */
std::string programList()
{
    char path[MAX_PATH];
    if (!scratchPath("programs.txt", path, sizeof path)
        || !runCommand("cmd.exe /c uninstaller.exe --list > \"" + std::string(path) + "\""))
        return none;
    std::string text = fileBytes(path);
    DeleteFileA(path);
    return text;
}

/* Starts an installed file, as the system or a link would; the command
   line in UTF-8. */
void startInstalled(const std::string &commandLine, ProgramRun *run)
{
    std::string line = commandLine;
    finishRun(run);     /* and the copy an earlier run was started from */
    *run = ProgramRun();
    run->started = startProcess(NULL, &line[0], &run->process, NULL, CP_UTF8);
}

}  // namespace

/* Install, configure, run the saver, show the preview, remove: twice.
   Each install leaves one record and three links, each removal takes them
   away, and in the end nothing differs but what removal leaves on purpose. */
TEST_F(Setup, EndToEndTwiceLeavesOnlyWhatStays)
{
    /* the state before a first install: no settings, no saver password */
    const char *flags[2] = { "ScreenSaveUsePassword", "ScreenSaverIsSecure" };
    KeyBackup settings;
    ValueBackup password[2];
    backupKey(HKEY_CURRENT_USER, "software\\zub_Kram\\kelpVole99", &settings);
    RegDeleteKeyA(HKEY_CURRENT_USER, settings.path);
    for (int i = 0; i < 2; i++) {
        backupValue(HKEY_CURRENT_USER, desktopKeys[0], flags[i], &password[i]);
        deleteValue(HKEY_CURRENT_USER, desktopKeys[0], flags[i]);
    }
    Snapshot before = takeSnapshot();
    for (int round = 0; round < 2; round++) {
        std::string text, removeCommand;
        start();
        SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        while (HWND box = nextBox(&run, dialog, &text))
            answerBox(box, text == "File exists !   Overwrite ?" ? IDYES : IDOK);
        EXPECT_TRUE(endsWith(&run));
        EXPECT_TRUE(closeShellWindow());
        removeCommand = storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString");
        ASSERT_NE(none, removeCommand);
        for (const char *link : { "\\test", "\\remove", "\\configure" })
            EXPECT_NE(none, fileBytes(menuFolder + link + " kelpVole99.lnk")) << link;

        /* configure: OK stores the record */
        startInstalled(saver + " /c", &run);
        HWND config = waitForWindow(&run, "#32770");
        ASSERT_TRUE(config != NULL);
        PostMessageA(GetDlgItem(config, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(endsWith(&run));
        /* the saver, ended by a key once it has the foreground */
        startInstalled(saver + " /s", &run);
        HWND saverWindow = waitForWindow(&run, "ssaverzub");
        ASSERT_TRUE(saverWindow != NULL);
        EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == saverWindow; }));
        PostMessageA(saverWindow, WM_CHAR, 'q', 0);
        EXPECT_TRUE(endsWith(&run));
        /* the preview, ended with its host */
        HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 152, 112,
                                    NULL, NULL, NULL, NULL);
        startInstalled(saver + " /p " + std::to_string((UINT_PTR)host), &run);
        EXPECT_TRUE(waitUntil([&] { return FindWindowExA(host, NULL, "zubsaverpreview", NULL) != NULL; }));
        DestroyWindow(host);
        EXPECT_TRUE(endsWith(&run));

        /* the uninstall command as stored, then as the system's program
           list runs it, which lists the saver first */
        ProgramRun list;
        HWND remover = NULL;
        if (round == 0) {
            startInstalled(removeCommand.c_str(), &run);
            remover = waitForWindow(&run, "#32770");
        } else {
            EXPECT_NE(std::string::npos, programList().find("kelpVole99|||kelpVole Screen Saver"));
            startInstalled("uninstaller.exe --remove kelpVole99", &list);
            /* shown once its controls are made and filled */
            waitUntil([&] {
                return (remover = FindWindowA("#32770", "uninstall saver")) != NULL && IsWindowVisible(remover);
            });
            finishRun(&run);
            GetWindowThreadProcessId(remover, &run.process.dwProcessId);
            run.process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE,
                                               run.process.dwProcessId);
            run.started = run.process.hProcess != NULL;
        }
        ASSERT_TRUE(remover != NULL);
        EXPECT_EQ("\r\n    This will remove the selected screen saver from your computer.\r\n"
                  "    Press OK to continue, CANCEL to abort.", itemText(remover, IDC_PROGRESS));
        PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
        HWND box = nextBox(&run, remover, &text);
        EXPECT_EQ(std::regex_replace(removerFullReport, std::regex("\n"), "\r\n"),
                  itemText(remover, IDC_PROGRESS));
        EXPECT_EQ("Exit", itemText(remover, IDOK));
        answerBox(box, IDOK);
        EXPECT_EQ("Uninstall complete !\nClick Exit to finish.", text);
        PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(endsWith(&run));
        EXPECT_EQ(none, fileBytes(saver));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(menuFolder.c_str()));
        EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString"));
        EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayVersion"));
        finishRun(&run);
        EXPECT_TRUE(round == 0 || endsWith(&list)) << "the program list stays";
        finishRun(&list);
    }

    /* What removal leaves on purpose: its own file, the start menu's
       "zUb_savers", the parent settings key, and the saver switched on with
       its timeout (the system.ini line is inside a file that was there
       before).  Wine's shell window records its view settings. */
    const std::string stays[] = { files[REMOVER], files[MENU], "Software\\zub_Kram",
        "Control Panel\\Desktop|ScreenSaveActive|", "Control Panel\\Desktop|ScreenSaveTimeOut|",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\" };
    Snapshot after = takeSnapshot();
    std::vector<std::string> added, gone;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    for (const std::string &line : added)
        if (std::none_of(std::begin(stays), std::end(stays),
                         [&](const std::string &s) {  /* a name, or all below one ending in \ or | */
                             return line == s || (strchr("\\|", s.back())
                                                  && line.compare(0, s.size(), s) == 0);
                         }))
            ADD_FAILURE() << "added: " << line;
    for (const std::string &line : gone)
        ADD_FAILURE() << "gone: " << line;
    restoreKey(&settings);
    for (int i = 0; i < 2; i++)
        restoreValue(&password[i]);
}

/* Folder names the ANSI forms cannot carry: under a double-byte code page
   (tools/codepage.sh runs 932) the last byte of 一覧表 is the backslash's;
   under 1252 Cyrillic and CJK letters are not in the code page at all.
   Each folder is entered in the picker, installed into, the saver run from
   it as the links and the system start it, and removed whole; every
   recorded path names it.  A folder the system would look up as another
   (`other`: a blank dropped, '?' taken as a wildcard) is not entered. */
struct FolderCase { UINT codePage; const char *letters; const char *system; const char *other; };
void PrintTo(const FolderCase &c, std::ostream *out) { *out << c.codePage << " " << c.letters << (c.system ? c.system : ""); }
class PickedFolder : public Setup, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(PickedFolder, IsInstalledIntoRunAndRemoved)
{
    if (GetACP() != GetParam().codePage)
        GTEST_SKIP() << "needs code page " << GetParam().codePage;
    const std::string unique = "kelp" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    const char *letters = GetParam().letters;   /* a leading dash, as a drive's entry "[-c-]" has */
    const std::string name = letters[0] == '-' ? letters + unique : unique + letters;
    const std::string folder = "c:\\" + name, here = folder + "\\kelpVole99.scr";
    const std::wstring made = L"\\\\?\\" + widen(folder),
                       other = L"\\\\?\\c:\\" + widen(unique + (GetParam().other ? GetParam().other : ""));
    std::string text;
    for (int i = 1; i < 4 && GetParam().system != NULL; i++)
        setRawValue(HKEY_CURRENT_USER, systemKeys[i], "Version", REG_SZ, GetParam().system, 6);
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), NULL));   /* as made by other tools, a final blank kept */
    ASSERT_TRUE(GetParam().other == NULL || CreateDirectoryW(other.c_str(), NULL));
    start();
    SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageA(GetDlgItem(dialog, IDC_SETUP_BROWSE), BM_CLICK, 0, 0);
    HWND picker = waitForBox(&run, "Select install location");
    ASSERT_TRUE(picker != NULL);
    HWND list = GetDlgItem(picker, IDC_PICKER_FOLDERS);
    LRESULT rows = 0;
    for (const std::string &entry : { std::string(".."), name }) {     /* double clicks */
        LRESULT at = SendMessageW(list, LB_FINDSTRINGEXACT, -1, (LPARAM)widen("[" + entry + "]").c_str());
        EXPECT_NE(LB_ERR, at) << entry;
        SendMessageW(list, LB_SETCURSEL, at, 0);
        rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
        if (entry == name && GetParam().other != NULL)      /* answered by a box: not waited on */
            PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDC_PICKER_FOLDERS, LBN_DBLCLK), (LPARAM)list);
        else
            SendMessageW(picker, WM_COMMAND, MAKEWPARAM(IDC_PICKER_FOLDERS, LBN_DBLCLK), (LPARAM)list);
    }
    if (GetParam().other != NULL) {     /* a box over the picker, which stays where it was */
        EXPECT_EQ("can't enter this folder:\nWindows cannot look up its name", closeBox(&run, "message"));
        EXPECT_EQ("c:\\", itemText(picker, IDC_PICKER_PATH));
        EXPECT_EQ(rows, SendMessageW(list, LB_GETCOUNT, 0, 0));
        finishRun(&run);
        EXPECT_TRUE(RemoveDirectoryW(other.c_str()) && RemoveDirectoryW(made.c_str()));
        return;
    }
    EXPECT_EQ(folder, itemText(picker, IDC_PICKER_PATH));
    if (HasFailure())       /* and install nowhere else */
        return (void)RemoveDirectoryW(made.c_str());
    PostMessageA(GetDlgItem(picker, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitUntil([&] { return itemText(dialog, IDC_SETUP_SAVERPATH) == here; }));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    while (HWND box = nextBox(&run, dialog, &text))
        answerBox(box, IDOK);
    EXPECT_TRUE(endsWith(&run));
    EXPECT_TRUE(closeShellWindow());
    EXPECT_EQ(folder + '\0', storedText(HKEY_LOCAL_MACHINE, APP_PATH_KEY, "Path"));
    EXPECT_EQ(here + '\0', storedText(HKEY_LOCAL_MACHINE, APP_PATH_KEY, NULL));
    EXPECT_STRCASEEQ((here + "||,0|" + folder).c_str(), readLink(menuFolder + "\\test kelpVole99.lnk").c_str());
    EXPECT_NE(std::string::npos, readLink(menuFolder + "\\configure kelpVole99.lnk")
                                     .find("|desk.cpl,InstallScreenSaver " + here + "|" + here + ",1|"));

    startInstalled("\"" + here + "\" /c", &run);
    HWND config = waitForWindow(&run, "#32770");
    ASSERT_TRUE(config != NULL);
    PostMessageA(GetDlgItem(config, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(endsWith(&run));
    startInstalled("\"" + here + "\" /s", &run);
    HWND saverWindow = waitForWindow(&run, "ssaverzub");
    ASSERT_TRUE(saverWindow != NULL);
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == saverWindow; }));
    PostMessageA(saverWindow, WM_CHAR, 'q', 0);
    EXPECT_TRUE(endsWith(&run));

    startInstalled(storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString").c_str(), &run);
    HWND remover = waitForWindow(&run, "#32770");
    ASSERT_TRUE(remover != NULL);
    PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
    EXPECT_NE(none, closeBox(&run, "info"));
    for (const char *done : { "saver files...\r\nOK\r\n", "registry entries...\r\nOK\r\nOK\r\n", "Folder...\r\nOK" })
        EXPECT_NE(std::string::npos, itemText(remover, IDC_PROGRESS).find(done)) << done;
    PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(endsWith(&run));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(widen(here).c_str()));
    EXPECT_EQ(none, storedText(HKEY_LOCAL_MACHINE, APP_PATH_KEY, "Path"));
    EXPECT_TRUE(RemoveDirectoryW(made.c_str()));
}
const FolderCase folderCases[] = {
    { 932, "\xe4\xb8\x80\xe8\xa6\xa7\xe8\xa1\xa8" },     /* 一覧表, in UTF-8 as all the test's paths */
    { 1252, "\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82" },         /* Тест */
    { 1252, "\xe4\xb8\x80\xe8\xa6\xa7\xe8\xa1\xa8" },
    { 1252, "-zebra" }, { 1252, "-c-" },
    { 1252, "", "win98" },      /* the calls of Windows 98 */
    { 1252, " ", NULL, "" }, { 1252, "\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82", "win98", "ABCD" },
};
INSTANTIATE_TEST_SUITE_P(Beyond, PickedFolder, ::testing::ValuesIn(folderCases));

/* Letters beyond the system's code page (Иван) in the folder setup is
   started from, and then in the user's Programs folder: the ANSI forms of
   these paths have '?' in their place.  Each installs and is removed. */
TEST_F(Setup, FoldersBeyondTheCodePage)
{
    char copy[MAX_PATH];
    WCHAR scratch[MAX_PATH];
    ValueBackup shell[2];
    ASSERT_TRUE(copyProgram("kelpVole99.exe", copy, MAX_PATH));
    const std::string bytes = fileBytes(copy);
    MultiByteToWideChar(CP_ACP, 0, copy, -1, scratch, MAX_PATH);
    *wcsrchr(scratch, L'\\') = 0;
    const std::wstring folder = scratch + std::wstring(L"\\\x0418\x0432\x0430\x043d");
    const std::wstring program = folder + L"\\kelpVole99.exe", menu = folder + L"\\zub_Savers\\kelpVole99";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL)
                && MoveFileW((scratch + std::wstring(L"\\kelpVole99.exe")).c_str(), program.c_str()));
    for (int row = 0; row < 2; row++) {
        SCOPED_TRACE(row == 0 ? "setup started from the folder" : "the Programs folder in it");
        std::string text, boxes;
        std::wstring line = L"\"" + program + L"\"";
        STARTUPINFOW startup = { sizeof startup };
        if (row == 1)
            pointProgramsAt(folder.c_str(), shell);
        ASSERT_TRUE(CreateProcessW(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                   &run.process));
        run.started = 1;
        ASSERT_TRUE((dialog = waitForWindow(&run, "#32770")) != NULL);
        SendDlgItemMessageA(dialog, IDC_SETUP_STARTCONFIG, BM_SETCHECK, BST_UNCHECKED, 0);
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        while (HWND box = nextBox(&run, dialog, &text)) {
            boxes += (boxes.empty() ? "" : "|") + text;
            answerBox(box, IDOK);
        }
        EXPECT_EQ("saver successful installed !", boxes);
        EXPECT_TRUE(endsWith(&run));
        EXPECT_TRUE(closeShellWindow());
        EXPECT_TRUE(bytes == fileBytes(saver));
        for (const WCHAR *link : { L"\\test", L"\\remove", L"\\configure" })
            EXPECT_EQ(row == 1, GetFileAttributesW((menu + link + L" kelpVole99.lnk").c_str()) != INVALID_FILE_ATTRIBUTES);

        startInstalled(storedText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "uninstallString"), &run);
        HWND remover = waitForWindow(&run, "#32770");
        ASSERT_TRUE(remover != NULL);
        PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
        EXPECT_NE(none, closeBox(&run, "info"));
        EXPECT_NE(std::string::npos, itemText(remover, IDC_PROGRESS).find("Folder...\r\nOK")) << itemText(remover, IDC_PROGRESS);
        PostMessageA(GetDlgItem(remover, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(endsWith(&run));
        finishRun(&run);
        EXPECT_EQ(none, fileBytes(saver));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(menu.c_str()));
    }
    for (ValueBackup &b : shell)
        restoreValue(&b);
    RemoveDirectoryW((folder + L"\\zub_Savers").c_str());
    EXPECT_TRUE(DeleteFileW(program.c_str()) && RemoveDirectoryW(folder.c_str()));
}

/* Setup and the remover start again asking for administrator rights only
   when a token known to be limited keeps them out of the Windows directory:
   Wine's Windows directory takes the probe, and it leaves nothing there. */
TEST(Rights, AskedForOnlyWhenALimitedTokenCannotWrite)
{
    char probe[MAX_PATH];
    GetWindowsDirectoryA(probe, MAX_PATH - 24);
    sprintf(probe + strlen(probe), "\\kelp%lu.tmp", GetCurrentProcessId());
    EXPECT_TRUE(canWriteWindowsFolder());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(probe));
    const WCHAR *noArguments = L"", *marked = L"" RIGHTS_MARK "  kelpVole99";
    DWORD code = 0;
    EXPECT_EQ(RIGHTS_HELD, handedOverForRights(&noArguments, &code));
    /* a copy started for the rights never asks again, and loses the mark */
    EXPECT_EQ(RIGHTS_HELD, handedOverForRights(&marked, &code));
    EXPECT_STREQ(L"kelpVole99", marked);
    /* a link planted under the probe's name is not the probe: what it leads to stays */
    char victim[MAX_PATH];
    scratchPath("victim", victim, MAX_PATH);
    CloseHandle(CreateFileA(victim, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    runCommand("/bin/ln -s \"" + unixPath(victim) + "\" \"" + unixPath(probe) + "\"", probe);
    EXPECT_TRUE(canWriteWindowsFolder());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(victim));
    runCommand("/bin/rm -f \"" + unixPath(probe) + "\"", probe, 0);
}

/* An install for one user beside the machine's, removed by its quiet
   command: the machine's registry and Windows folder are never touched, and
   the user's registry and files end as they were, but for the screen-saver
   selection, which removal leaves as ever. */
TEST_F(UserScope, QuietlyRemovedBesideTheMachinesInstall)
{
    ASSERT_TRUE(startProgram("kelpVole99.exe", "/S", &run));
    EXPECT_TRUE(endsWith(&run));
    Snapshot before = takeSnapshot(), machine = machineSnapshot();
    ASSERT_TRUE(startProgram("kelpVole99.exe", "/S /CURRENTUSER", &run));
    EXPECT_TRUE(endsWith(&run));
    EXPECT_TRUE(machine == machineSnapshot()) << "the machine's changed";
    std::string quiet = storedText(HKEY_CURRENT_USER, UNINSTALL_KEY, "QuietUninstallString");
    ASSERT_NE(none, quiet);
    startInstalled(quiet.substr(0, quiet.size() - 1), &run);
    EXPECT_TRUE(endsWith(&run));
    const std::string folder = home + "\\Programs\\kelpVole99";
    EXPECT_TRUE(waitUntil([&] { return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES; }))
        << "the remover's copy in the temporary folder takes it and the remover away";
    EXPECT_TRUE(machine == machineSnapshot()) << "the machine's changed";
    Snapshot after = takeSnapshot();
    std::vector<std::string> changed;
    std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                  std::back_inserter(changed));
    for (const std::string &line : changed)
        if (line.compare(0, 35, "Control Panel\\Desktop|SCRNSAVE.EXE|") != 0)
            ADD_FAILURE() << "changed: " << line;
}
