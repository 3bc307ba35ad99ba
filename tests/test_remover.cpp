/* The remover, black-box: an install record laid out by the test (saver
   file in the scratch folder, keys, start-menu folder in the user's
   Programs folder, the one it made being set aside), the built remover run
   on it, its report and what it left read back. */
#include <stdio.h>
#include <shlobj.h>
#include <algorithm>
#include <fstream>
#include <regex>
#include <string>

#include "tests/saverfixture.h"
#include "remover/resource.h"

namespace {

const char uninstallKey[] = "software\\microsoft\\windows\\currentversion\\uninstall\\";
const char appPathsKey[] = "software\\microsoft\\windows\\currentversion\\app paths\\";
const char settingsKey[] = "software\\zub_Kram\\";

/* How the record departs from what setup writes. */
enum : unsigned long long { MENU = 1, SUBFOLDER = 2, TAMPERED = 4, OUTSIDE = 8, MANY = 16, LINKED = 32,
       OTHER_PATH = 64, FOREIGN = 128, SHORT_NAME = 256, SWAPPED = 512, BUSY = 1024, READ_ONLY = 2048,
       SHORT_START = 4096, BEYOND = 8192, PROGRAMS = 16384, BEFORE_VISTA = 32768, PROGRAMS_LINKED = 65536,
       LINK_INSIDE = 1 << 17, SAVER_FOLDER = 1 << 18, SAVER_LINKED = 1 << 19, QUOTED = 1 << 20,
       EXPANDABLE = 1 << 21, BLANK_START = 1 << 22, KEY_LINKED = 1 << 23, MAPPED = 1 << 24, CLOSED = 1 << 25,
       DOT_PATH = 1 << 26, TWO_BLANKS = 1 << 27, FOLDER_LINKED = 1 << 28,
       /* the user's own record, remover and saver in "a b"; run with /S; the machine's record beside
          it, its start-menu folder the same */
       USER = 1 << 29, QUIET = 1 << 30, BESIDE = 1ull << 31,
       /* the machine's record copied into the user's keys, naming the machine's remover */
       USER_RECORD = 1ull << 32,
       /* the user's install folder there before setup: no "madeFolder" */
       THERE_BEFORE = 1ull << 33,
       /* the links read-only, and the user's own remover */
       READ_ONLY_LINKS = 1ull << 34,
       /* an earlier run's log there, read-only */
       STALE_LOG = 1ull << 35,
       /* the settings key's parent, zub_Kram, a link to some other key */
       PARENT_LINKED = 1ull << 36 };
typedef unsigned long long Layout;
enum { UNINSTALL_LEFT = 1, APP_PATH_LEFT = 2, SETTINGS_LEFT = 4, ALL_LEFT = 7 };

struct RemoveCase {
    const char *what;
    const char *arguments;
    const char *record;     /* whose keys are written, with the flags below; with SHORT_NAME
                               the 8.3 alias of `file` (or of a start-menu folder) */
    const char *file;       /* the file the record names, in the scratch folder */
    Layout layout;
    const char *report;     /* parts of the progress text, in order, between '|'; '@' scratch,
                               '~' Programs folder, '%' the record name */
    int fileLeft, menuLeft, linksLeft, keysLeft;
    const char *letters;    /* BEYOND: the saver's folder; PROGRAMS: the user's Programs folder,
                               in the scratch folder ('^' in the report) */
    UINT codePage;          /* the one the letters need */
    struct { const char *name, *data; DWORD type, size; } damage;  /* a value of the record, as
                               setup never writes it (no data: the saver file's path; REG_NONE: gone) */
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
    KeyBackup keys[8];
    HKEY scope = HKEY_LOCAL_MACHINE;
    std::string log, logBefore;
    ValueBackup shell[2] = {};
    ProgramRun run;
    HWND dialog;
    std::string scratch, programs, menu, aside, record, other, saver, folder, link, command, victimKey, linkedKey;
    std::wstring wideSaver;     /* BEYOND: the saver file in a folder named Иван, or as the case says */
    std::string letters;
    HANDLE busy = INVALID_HANDLE_VALUE;
    HMODULE mapped = NULL;      /* MAPPED: the saver file's image, as while it runs */
    char cwd[MAX_PATH] = "";
    int parentMade;

    void SetUp() override
    {
        char path[MAX_PATH];
        scratchPath("", path, sizeof path);
        scratch = path;
        scratch.erase(scratch.size() - 1);
        SHGetSpecialFolderPathA(NULL, path, CSIDL_PROGRAMS, FALSE);
        programs = path;
        parentMade = CreateDirectoryA((programs + "\\zub_Savers").c_str(), NULL);
        menu = programs + "\\zub_Savers\\kelpVole99";
        aside = menu + ".kelpaside" + std::to_string(GetCurrentProcessId());
        MoveFileA(menu.c_str(), aside.c_str());
        backupKey(HKEY_LOCAL_MACHINE, (std::string(uninstallKey) + "kelpVole99").c_str(), &keys[0]);
        backupKey(HKEY_LOCAL_MACHINE, (std::string(appPathsKey) + "kelpVole99").c_str(), &keys[1]);
        backupKey(HKEY_CURRENT_USER, "software\\zub_Kram", &keys[2]);
        backupKey(HKEY_CURRENT_USER, "software\\zub_Kram\\kelpVole99", &keys[3]);
        backupKey(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults", &keys[4]);
        backupKey(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\zUbSavRemov_1_51.exe", &keys[5]);
        for (int i = 0; i < 2; i++) {
            backupKey(HKEY_CURRENT_USER, keys[i].path, &keys[6 + i]);
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, keys[i].path);
            RegDeleteKeyA(HKEY_CURRENT_USER, keys[i].path);
        }
        log = std::string(path, GetTempPathA(MAX_PATH, path)) + "zUbSavRemov.log";
        logBefore = fileBytes(log);
        HKEY parent;
        RegCreateKeyExA(HKEY_CURRENT_USER, "software\\zub_Kram", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &parent, NULL);
        RegCloseKey(parent);
    }
    void TearDown() override
    {
        finishRun(&run);
        removeTree((scratch + "\\a b").c_str());
        SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (logBefore == none)
            DeleteFileA(log.c_str());
        else
            std::ofstream(log, std::ios::binary) << logBefore;
        CloseHandle(busy);
        FreeLibrary(mapped);
        if (cwd[0] != 0)
            SetCurrentDirectoryA(cwd);
        HKEY linked;
        if (!victimKey.empty() && RegOpenKeyExA(HKEY_CURRENT_USER, linkedKey.c_str(),
                                                REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &linked) == ERROR_SUCCESS) {
            RegDeleteKeyA(linked, "");      /* the link itself */
            RegCloseKey(linked);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, victimKey.c_str());
        }
        /* a record of another name goes with every key below its first part */
        std::string first = record.substr(0, record.find('\\'));
        for (int i = 0; i < 3 && !first.empty() && record != "kelpVole99"; i++)
            RegDeleteTreeA(i < 2 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                           ((i == 0 ? uninstallKey : i == 1 ? appPathsKey : settingsKey) + first).c_str());
        for (int i = 7; i >= 0; i--)
            restoreKey(&keys[i]);
        for (ValueBackup &b : shell)
            if (b.root != NULL)
                restoreValue(&b);
        if (!link.empty())      /* as itself, even when what it led to has gone */
            runCommand("/bin/rm -f \"" + unixPath(link) + "\"", link, 0);
        removeTree(menu.c_str());
        if (!other.empty())
            removeTree(other.c_str());
        MoveFileA(aside.c_str(), menu.c_str());
        if (parentMade)
            RemoveDirectoryA(menu.substr(0, menu.rfind('\\')).c_str());
        removeTree((scratch + "\\Documents").c_str());
        if (!wideSaver.empty()) {
            DeleteFileW(wideSaver.c_str());
            RemoveDirectoryW(wideSaver.substr(0, wideSaver.rfind(L'\\')).c_str());
        }
    }
    std::string expand(const char *text)
    {
        std::string out;
        for (; *text; text++)
            out += *text == '@' ? scratch : *text == '~' ? programs : *text == '%' ? record
                 : *text == '^' ? letters : std::string(1, *text);
        return out;
    }
    std::string menuOf(const char *name, Layout layout)
    {
        return layout & (TAMPERED | LINKED) ? scratch + "\\Documents"
             : (layout & OUTSIDE ? scratch : programs + "\\zub_Savers") + "\\" + name;
    }
    /* The record setup would leave for `name`, the saver file in the
       scratch folder, but for the departures the layout asks for. */
    void install(const char *name, const char *file, Layout layout)
    {
        std::string alias;
        if (layout & PROGRAMS) {    /* the test's own, its path in the code page's own bytes */
            char ansi[4 * MAX_PATH];
            std::wstring folder = widen(scratch + "\\" + letters);
            WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, ansi, sizeof ansi, NULL, NULL);
            other = programs = ansi;
            CreateDirectoryA((programs + (layout & PROGRAMS_LINKED ? ".real" : "")).c_str(), NULL);
            if (layout & PROGRAMS_LINKED) {     /* a Start Menu moved, and linked to */
                other += ".real";
                link = programs;
                runCommand("/bin/ln -s \"" + unixPath(other) + "\" \"" + unixPath(link) + "\"", link);
            }
            CreateDirectoryA((programs + "\\zub_Savers").c_str(), NULL);
            pointProgramsAt(folder.c_str(), shell);
        }
        if (layout & STALE_LOG) {
            std::ofstream(log, std::ios::binary) << "Reading uninstall info...  Done\r\n";
            SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        if (layout & BEFORE_VISTA)
            setRawValue(HKEY_CURRENT_USER, keys[5].path, "Version", REG_SZ, "winxp", 6);
        if (layout & SHORT_NAME) {  /* named by the alias of a file, or of another saver's folder */
            other = programs + "\\zub_Savers\\otherSaver" + std::to_string(GetCurrentProcessId());
            std::string target = layout & MENU ? other : scratch + "\\" + file;
            char shortPath[MAX_PATH] = "";
            if (layout & MENU)
                CreateDirectoryA(target.c_str(), NULL);
            for (int i = 0; i < 3; i++)
                writeFile(layout & MENU ? target + "\\saver " + std::to_string(i) + ".lnk" : target);
            GetShortPathNameA(target.c_str(), shortPath, MAX_PATH);
            alias = strrchr(shortPath, '\\') + 1;
            alias = alias.substr(0, alias.rfind(".SCR"));
            name = alias.c_str();
        }
        saver = scratch + "\\" + (alias.empty() || layout & MENU ? file : alias + ".scr");
        folder = scratch + (layout & OTHER_PATH ? "\\Documents" : layout & USER ? "\\a b" : "");
        if ((scope = layout & USER ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE) == HKEY_CURRENT_USER)
            CreateDirectoryA(folder.c_str(), NULL);
        std::string menu = menuOf(name, layout);
        std::string uninstall = std::string(uninstallKey) + name, app = std::string(appPathsKey) + name;
        record = name;
        command = scratch + removerAt(layout) + (layout & TWO_BLANKS ? "  " : " ") + name;
        if (layout & FOREIGN)
            command = "C:\\windows\\notepad.exe";
        if (layout & (QUOTED | USER))
            command = "\"" + command.insert(command.rfind(' '), "\"");
        if (layout & EXPANDABLE)
            command = "%SystemDrive%" + command.substr(2);
        if (layout & FOLDER_LINKED) {   /* the install folder, a link to a folder of the user's */
            CreateDirectoryA((scratch + "\\Documents").c_str(), NULL);
            linkTo(scratch + "\\Documents", link = folder = scratch + "\\kelpLinked");
            saver = folder + "\\kelpVole99.scr";
        }
        if (layout & MAPPED)
            ASSERT_TRUE(copyBesideProgram("zUbSavRemov_1_51.exe", file));
        else if (layout & SAVER_FOLDER)
            CreateDirectoryA(saver.c_str(), NULL);
        else if (layout & SAVER_LINKED)     /* to a file of the user's */
            linkTo(scratch + "\\victim", link = saver);
        else
            writeFile(saver);
        if (layout & READ_ONLY)
            SetFileAttributesA(saver.c_str(), FILE_ATTRIBUTE_READONLY);
        if (layout & MAPPED)
            mapped = LoadLibraryExA(saver.c_str(), NULL, DONT_RESOLVE_DLL_REFERENCES);
        setRawValue(scope, uninstall.c_str(), "displayName", REG_SZ, "x", 2);
        mend(layout);
        if (layout & USER_RECORD) {     /* the same values in the user's own keys */
            scope = HKEY_CURRENT_USER;
            mend(layout);
            scope = HKEY_LOCAL_MACHINE;
        }
        if (layout & DOT_PATH) {    /* both values as seen from the folder the remover stands in */
            GetCurrentDirectoryA(MAX_PATH, cwd);
            SetCurrentDirectoryA(scratch.c_str());
            setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), NULL, REG_SZ, (".\\" + std::string(file)).c_str(),
                        strlen(file) + 3);
            setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), "Path", REG_SZ, ".", 2);
        }
        if (layout & (KEY_LINKED | PARENT_LINKED)) {    /* the settings key or its parent, a link to some other key */
            HKEY key;
            victimKey = "System\\kelpVictim" + std::to_string(GetCurrentProcessId());
            std::wstring target = widen("\\Registry\\Machine\\" + victimKey);
            linkedKey = layout & PARENT_LINKED ? "software\\zub_Kram" : settingsKey + record;
            setRawValue(HKEY_LOCAL_MACHINE, (victimKey + (layout & PARENT_LINKED ? "\\" + record : "")).c_str(),
                        "speed", REG_DWORD, "abcd", 4);
            RegDeleteTreeA(HKEY_CURRENT_USER, linkedKey.c_str());
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, linkedKey.c_str(), 0, NULL,
                REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &key, NULL));
            RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, (const BYTE *)target.c_str(),
                           (DWORD)target.size() * 2);
            RegCloseKey(key);
        } else {
            setRawValue(HKEY_CURRENT_USER, (settingsKey + record).c_str(), "speed", REG_DWORD, "abcd", 4);
        }
        if (layout & BEYOND) {      /* written whole, as setup writes it */
            WCHAR folder[MAX_PATH];
            HKEY key;
            MultiByteToWideChar(CP_ACP, 0, scratch.c_str(), -1, folder, MAX_PATH);
            wcscat(folder, widen("\\" + letters).c_str());
            wideSaver = folder + std::wstring(L"\\kelpVole99.scr");
            CreateDirectoryW(folder, NULL);
            CloseHandle(CreateFileW(wideSaver.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
            DeleteFileA(saver.c_str());
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, app.c_str(), 0, KEY_SET_VALUE, &key);
            RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE *)wideSaver.c_str(), (DWORD)(wideSaver.size() + 1) * 2);
            RegSetValueExW(key, L"Path", 0, REG_SZ, (const BYTE *)folder, (DWORD)(wcslen(folder) + 1) * 2);
            RegCloseKey(key);
        }
        if (layout & BUSY)      /* as by a saver running */
            busy = CreateFileW(wideSaver.empty() ? widen(saver).c_str() : wideSaver.c_str(), GENERIC_READ,
                               FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (!(layout & (MENU | TAMPERED)))
            return;
        CreateDirectoryA(menu.c_str(), NULL);
        if (layout & OUTSIDE)
            other = menu;
        if (layout & LINKED)      /* the record's folder, a link to another */
            linkTo(scratch + "\\Documents", link = menu = programs + "\\zub_Savers\\" + name);
        if (layout & LINK_INSIDE)
            linkTo(scratch + "\\victim", link = menu + "\\victim.lnk");
        for (HKEY root : { scope, layout & BESIDE ? HKEY_LOCAL_MACHINE : scope })
            setRawValue(root, app.c_str(), "smPath", REG_SZ, menu.c_str(), menu.size() + 1);
        if (layout & BESIDE) {  /* its saver file and remover elsewhere */
            setRawValue(HKEY_LOCAL_MACHINE, app.c_str(), "Path", REG_SZ, "C:\\windows", 11);
            setRawValue(HKEY_LOCAL_MACHINE, uninstall.c_str(), "uninstallString", REG_SZ, "C:\\windows\\x kelpVole99", 24);
        }
        for (int i = 0; i < (layout & SHORT_NAME ? 0 : layout & MANY ? 36 : 3); i++) {
            char file[200];
            ASSERT_LT(snprintf(file, sizeof file, "\\link %03d%0*d.lnk", i, layout & MANY ? 120 : 1, 0),
                      (int)sizeof file);
            /* four long lines of failures: more than the report holds, and
               more lines than its view shows */
            if (layout & MANY && i % 9 == 0)
                CreateDirectoryA((menu + file).c_str(), NULL);
            else
                writeFile(menu + file);
            if (layout & READ_ONLY_LINKS)
                SetFileAttributesA((menu + file).c_str(), FILE_ATTRIBUTE_READONLY);
        }
        if (layout & SUBFOLDER)
            CreateDirectoryA((menu + "\\sub").c_str(), NULL);
        for (int i = 0; i < 3 && layout & SWAPPED; i++) {  /* what the link will lead to */
            CreateDirectoryA((scratch + "\\Documents").c_str(), NULL);
            writeFile(scratch + "\\Documents\\victim " + std::to_string(i));
        }
    }
    void linkTo(const std::string &target, const std::string &path)
    {
        writeFile(scratch + "\\victim");
        runCommand("/bin/ln -s \"" + unixPath(target) + "\" \"" + unixPath(path) + "\"", path);
    }
    /* The record's values that tell the saver file and the remover, as setup writes them. */
    void mend(Layout layout = 0)
    {
        std::string app = appPathsKey + record;
        setRawValue(scope, (uninstallKey + record).c_str(), "uninstallString",
                    layout & EXPANDABLE ? REG_EXPAND_SZ : REG_SZ, command.c_str(), command.size() + 1);
        setRawValue(scope, app.c_str(), NULL, REG_SZ, saver.c_str(), saver.size() + 1);
        setRawValue(scope, app.c_str(), "Path", REG_SZ, folder.c_str(), folder.size() + 1);
        if (layout & USER && !(layout & THERE_BEFORE))
            setRawValue(scope, app.c_str(), "madeFolder", REG_SZ, folder.c_str(), folder.size() + 1);
    }
    const char *removerAt(Layout layout)
    {
        return layout & (BLANK_START | USER) ? "\\a b\\zUbSavRemov_1_51.exe" : "\\zUbSavRemov_1_51.exe";
    }
    void start(const char *given, Layout layout = 0)
    {
        std::string quiet = (layout & QUIET ? "/S " : "") + std::string(given);
        const char *arguments = quiet.c_str();
        if (layout & (BLANK_START | USER)) {    /* from a folder with a blank: unquoted, as the system hands
                                                   over a command written so, or quoted, as for the user's own */
            run = ProgramRun();
            CreateDirectoryA((scratch + "\\a b").c_str(), NULL);
            ASSERT_TRUE(copyBesideProgram("zUbSavRemov_1_51.exe", removerAt(layout) + 1));
            if (layout & READ_ONLY_LINKS)
                SetFileAttributesA((scratch + removerAt(layout)).c_str(), FILE_ATTRIBUTE_READONLY);
            std::string line = (layout & USER ? '"' + scratch + removerAt(layout) + '"' : scratch + removerAt(layout))
                               + " " + arguments;
            lstrcpynA(run.path, (scratch + removerAt(layout)).c_str(), MAX_PATH);
            ASSERT_TRUE(run.started = startProcess(run.path, &line[0], &run.process));
        } else if (layout & SHORT_START) {      /* by its 8.3 path, as the system may start it */
            char alias[MAX_PATH], line[2 * MAX_PATH];
            run = ProgramRun();
            ASSERT_TRUE(copyBesideProgram("zUbSavRemov_1_51.exe", "zUbSavRemov_1_51.exe"));
            scratchPath("zUbSavRemov_1_51.exe", run.path, MAX_PATH);
            GetShortPathNameA(run.path, alias, MAX_PATH);
            ASSERT_LT(snprintf(line, sizeof line, "%s %s", alias, arguments), (int)sizeof line);
            ASSERT_TRUE(run.started = startProcess(alias, line, &run.process));
        } else {
            ASSERT_TRUE(startBuilt("zUbSavRemov_1_51.exe", "zUbSavRemov_1_51.exe", arguments, &run));
        }
        dialog = layout & QUIET ? NULL : waitForWindow(&run, "#32770");
        ASSERT_TRUE(dialog != NULL || layout & QUIET);
    }
    /* The view scrolled to the report's end, the button become Exit, the end box; a close
       while it is up, an OK let through it, or a Cancel after, ends nothing early. */
    void checkDialogAfter(const RemoveCase &c, const std::string &want)
    {
        HWND view = GetDlgItem(dialog, IDC_PROGRESS);
        RECT inside;
        GetClientRect(view, &inside);
        LRESULT end = SendMessageW(view, EM_POSFROMCHAR, SendMessageW(view, WM_GETTEXTLENGTH, 0, 0) - 1, 0);
        EXPECT_TRUE(end != -1 && (short)HIWORD(end) >= 0 && (short)HIWORD(end) + 8 <= inside.bottom);
        EXPECT_EQ("Exit", text(IDOK));

        if (c.report == removerFullReport) {      /* an OK let through the closing box runs nothing again */
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            PostMessageA(view, EM_SETSEL, 0, 0);
            waitUntil([&] { return SendMessageA(view, EM_GETSEL, 0, 0) == 0; });
            EXPECT_EQ(want, text(IDC_PROGRESS));
        }
        if (c.layout & CLOSED)      /* its end box too, the close taken before the box's button: the dialog stays */
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        EXPECT_NE(none, closeBox(&run, "info"));
        EXPECT_TRUE(IsWindowVisible(dialog) && stillRunning(&run) && text(IDOK) == "Exit");
        if (c.report == removerFullReport) {      /* Cancel still asks after a run */
            PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            EXPECT_NE(none, closeBox(&run, "message"));
        } else {
            EXPECT_TRUE(FindWindowA("#32770", "message") == NULL);    /* no second ending */
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);   /* "Exit" */
        }
        EXPECT_TRUE(endsWith(&run));
    }
    std::string text(int id)    /* the view breaks its lines with CR LF */
    {
        return std::regex_replace(itemText(dialog, id), std::regex("\r\n"), "\n");
    }
};

/* The rows about the dialog itself (its pauses, its boxes, its buttons, its view, its text
   beyond the code page) run in it; the others, whose subject is the record, the files or the
   report, run quietly: the same report, in the log, without the dialog's pauses. */
int inDialog(const RemoveCase &c)
{
    return (c.layout & (SWAPPED | CLOSED | MANY | BEYOND)) != 0 || strcmp(c.what, "full") == 0;
}

/* A quiet run's exit code: 2 when nothing was found (the record's keys stay), 1 when a key, the
   file or the start-menu folder stays (but the folder and settings another installation uses),
   else 0. */
DWORD quietOutcome(const RemoveCase &c)
{
    return c.record == NULL || c.keysLeft == ALL_LEFT ? 2
         : (c.keysLeft & ~(c.layout & (BESIDE | USER_RECORD) ? SETTINGS_LEFT : 0)) || c.fileLeft || (c.menuLeft && !(c.layout & BESIDE)) ? 1 : 0;
}

TEST_P(Remover, RemovesWhatTheRecordNamesAndReports)
{
    const RemoveCase &c = GetParam();
    const Layout layout = c.layout | (inDialog(c) ? 0 : QUIET);
    if (c.codePage != 0 && GetACP() != c.codePage)
        GTEST_SKIP() << "needs code page " << c.codePage;
    letters = c.letters != NULL ? c.letters : "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd";
    if (c.record != NULL)
        install(c.record, c.file, c.layout);
    std::string damaged = (c.damage.name && !strcmp(c.damage.name, "uninstallString") ? uninstallKey : appPathsKey)
                          + record;
    if (c.damage.name != NULL && c.damage.type == REG_NONE)
        deleteValue(scope, damaged.c_str(), c.damage.name);
    else if (c.damage.name != NULL)
        setRawValue(scope, damaged.c_str(), *c.damage.name ? c.damage.name : NULL,
                    c.damage.type, c.damage.data ? c.damage.data : saver.c_str(),
                    c.damage.data ? c.damage.size : saver.size() + 1);
    start(c.layout & SHORT_NAME ? record.c_str() : c.arguments, layout);
    auto keysLeft = [&](HKEY root = NULL) {
        int left = 0;
        for (int i = 0; i < 3; i++) {
            HKEY k;
            if (RegOpenKeyExA(i == 2 ? HKEY_CURRENT_USER : root ? root : scope,
                              ((i == 0 ? uninstallKey : i == 1 ? appPathsKey : settingsKey) + record).c_str(),
                              0, KEY_READ, &k) == ERROR_SUCCESS) {
                left |= 1 << i;
                RegCloseKey(k);
            }
        }
        return left;
    };
    DWORD started = GetTickCount();
    if (!(layout & QUIET))
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    if (c.layout & CLOSED) {    /* as Task Manager's End task, and a cancel, while it runs */
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    if (c.layout & SWAPPED) {
        /* A link in the folder's place in the pause before it is emptied: the
           remover answers no messages while it works, so the moment comes
           from its pacing, the 500 ms pause beginning 200 ms after the
           settings key goes. */
        waitUntil([&] { return !(keysLeft() & SETTINGS_LEFT); });
        other = menu + ".swapped";
        link = menu;
        runCommand("/bin/sh -c \"sleep 0.4; mv '" + unixPath(menu) + "' '" + unixPath(other) + "' && ln -s '"
                   + unixPath(scratch + "\\Documents") + "' '" + unixPath(menu) + "'\"", other);
    }
    /* the remover pauses 200 ms for every start-menu entry; a quiet one tells by its exit code */
    if (layout & QUIET)
        ASSERT_TRUE(endsWith(&run, quietOutcome(c)));
    else
        ASSERT_TRUE(waitForBox(&run, "info", NULL, 3 * waitMs) != NULL);
    if (c.report == removerFullReport)
        printf("full run with three links: %lu ms\n", GetTickCount() - started);

    std::string logged = fileBytes(log), want = expand(c.report),
        report = layout & QUIET ? std::regex_replace(logged, std::regex("\r\n"), "\n") : text(IDC_PROGRESS);
    if (layout & QUIET)     /* each line ended by CR LF */
        EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), std::count(logged.begin(), logged.end(), '\r'));
    for (size_t at = 0, from = 0, bar = 0; bar != want.npos; from = bar + 1) {
        bar = want.find('|', from);
        EXPECT_NE(want.npos, at = report.find(want.substr(from, bar - from), at)) << want << " in\n" << report;
    }
    if (c.report == removerFullReport)
        EXPECT_EQ(want, report);
    EXPECT_TRUE(report.size() > 14 && report.compare(report.size() - 14, 14, "\n\n... FINISHED") == 0)
        << report;
    /* every line the storage holds, the view scrolled to the last */
    EXPECT_TRUE(!(c.layout & MANY) || std::count(report.begin(), report.end(), '\n') > 30) << report;
    std::string named = scratch + "\\" + c.file;
    EXPECT_EQ(c.fileLeft, exists(named)) << named;
    EXPECT_TRUE(exists(scratch + "\\victim") || !(c.layout & (LINK_INSIDE | SAVER_LINKED)));
    if (c.layout & BEYOND)
        EXPECT_EQ((c.layout & BUSY) != 0, GetFileAttributesW(wideSaver.c_str()) != INVALID_FILE_ATTRIBUTES);
    if (c.layout & READ_ONLY && c.fileLeft)     /* left as it was */
        EXPECT_TRUE(GetFileAttributesA(named.c_str()) & FILE_ATTRIBUTE_READONLY);
    std::string menu = menuOf(c.record ? record.c_str() : "kelpVole99", c.layout);
    EXPECT_EQ(c.menuLeft, exists(menu));
    EXPECT_EQ(c.linksLeft, filesIn(menu));
    EXPECT_TRUE(exists(programs + "\\zub_Savers"));
    if (c.record != NULL)
        EXPECT_EQ(c.keysLeft, keysLeft());
    if (c.layout & USER) {      /* the machine's record as it was; the remover gone with its folder, after it */
        EXPECT_EQ(c.layout & BESIDE ? UNINSTALL_LEFT | APP_PATH_LEFT : 0, keysLeft(HKEY_LOCAL_MACHINE) & 3);
        auto copyRuns = [&] {   /* the copy in the temporary folder, named after the remover, goes as it ends */
            return exists(log.substr(0, log.size() - 4) + std::to_string(run.process.dwProcessId) + ".exe");
        };
        EXPECT_TRUE(waitUntil([&] { return exists(scratch + removerAt(USER)) == c.fileLeft && !copyRuns(); }));
        EXPECT_EQ(c.fileLeft || (c.layout & THERE_BEFORE) != 0, exists(folder));
    }
    if (c.layout & QUIET)
        return;
    if (!(layout & QUIET))
        checkDialogAfter(c, want);
    if (c.layout & (BUSY | MAPPED) || c.damage.name != NULL) {
        /* the record kept offers the removal again, which finishes once the
           file is free or the record mended */
        CloseHandle(busy);
        busy = INVALID_HANDLE_VALUE;
        FreeLibrary(mapped);
        mapped = NULL;
        if (c.damage.name != NULL)
            mend();
        finishRun(&run);
        start(c.arguments, layout & QUIET);
        if (layout & QUIET) {
            EXPECT_TRUE(endsWith(&run));
        } else {
            PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            EXPECT_NE(none, closeBox(&run, "info"));
        }
        EXPECT_FALSE(exists(named));
        EXPECT_EQ(0, keysLeft());
    }
    DeleteFileA(named.c_str());
    RemoveDirectoryA(named.c_str());
}

#define NEVER_INSTALLED(name) \
    "Reading uninstall info...\nerror cant't read uninstall registry entry:\n   HKEY_LOCAL_MACHINE\\" \
    "software\\microsoft\\windows\\currentversion\\app paths\\" name "\n\nDeleting registry entries...\n" \
    "can't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\uninstall\\" name "\n" \
    "can't delete key:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion\\App Paths\\" name "\n" \
    "no saver inifile found:\n   HKEY_CURRENT_USER\\software\\zub_kram\\" name "\n\n"

/* Nothing in the machine's scope; the user's record, and the settings its installation uses, kept. */
#define NEVER_USER(name) \
    "app paths\\" name "\n\nDeleting registry entries...\ncan't delete key:|can't delete key:|" \
    "key kept, another installation uses it:\n   HKEY_CURRENT_USER\\software\\zub_kram\\" name "\n\n... FINISHED"

#define IN_USE(path) \
    "Deleting saver files...\ncan't delete file:\n   " path "\n\nDeleting registry entries...\n" \
    "key kept, saver file still there:\n   HKEY_LOCAL_MACHINE\\software\\microsoft\\windows\\currentversion" \
    "\\uninstall\\kelpVole99\nkey kept, saver file still there:\n   HKEY_LOCAL_MACHINE\\software\\microsoft" \
    "\\windows\\currentversion\\App Paths\\kelpVole99\nOK\n"

#define DAMAGED(what, value, ...) DAMAGED_IN(what, value, "app paths", __VA_ARGS__)
#define DAMAGED_IN(what, value, key, ...) DAMAGED_AS(what, value, key, 0, "kelpVole99.scr", "HKEY_LOCAL_MACHINE", __VA_ARGS__)
#define DAMAGED_AS(what, value, key, layout, file, root, ...) { what, "kelpVole99", "kelpVole99", file, layout, \
    "Deleting saver files...\ncan't read value " value ", record kept:\n   " root "\\software" \
    "\\microsoft\\windows\\currentversion\\" key "\\kelpVole99\n\nDeleting registry entries...\n" \
    "key kept, record unreadable:\n   " root "\\software\\microsoft\\windows\\currentversion" \
    "\\uninstall\\kelpVole99\nkey kept, record unreadable:\n   " root "\\software\\microsoft" \
    "\\windows\\currentversion\\App Paths\\kelpVole99\nOK\n", 1, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT, NULL, 0, \
    __VA_ARGS__ }
#define NOT_THE_SAVER \
    "Deleting saver files...\nnot the saver file, left:\n   @\\kelpVole99.scr\n\nDeleting registry entries...\n" \
    "OK\nOK\nOK\n\n... FINISHED"

/* 100 a, 100 b, ... 100 j: where the line shown of it was cut tells what came.  A line keeps its
   first 200 characters (39 of them before the name) and its newest 193, around the mark. */
const std::string longValue(32700, 'x'),
    longName = [] { std::string s; for (int i = 0; i < 1000; i++) s += (char)('a' + i / 100); return s; }(),
    longNameReport = "zub_kram\\" + longName.substr(0, 161) + " [...] " + longName.substr(807) + "\n\n... FINISHED";

/* 127 letters of two bytes in code page 932 (α): with the scratch folder, a path over
   300 bytes; in UTF-8, within the 255 bytes of a Unix name */
const std::string longLetters = [] { std::string s; for (int i = 0; i < 127; i++) s += "\xce\xb1"; return s; }();

const RemoveCase removeCases[] = {
    { "full", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU, removerFullReport, 0, 0, 0, 0 },
    { "no smPath", "kelpVole99", "kelpVole99", "kelpVole99.scr", 0,
      "  Done\n\nDeleting saver files...\nOK\n\nDeleting registry entries...\nOK\nOK\nOK\n\n... FINISHED", 0, 0, 0, 0 },
    { "subfolder", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | SUBFOLDER,
      "\ncan't delete entry: ~\\zub_Savers\\kelpVole99\\sub\n|Removing start menu Folder...\n"
      "cant't delete folder: ~\\zub_Savers\\kelpVole99\n", 0, 1, 0, 0 },
    { "a record name of 1,000 letters", longName.c_str(), NULL, "none", 0, longNameReport.c_str(), 0, 0, 0, 0 },
    { "never installed", "kelpVole99", NULL, "none", 0, NEVER_INSTALLED("kelpVole99") "... FINISHED", 0, 0, 0, 0 },
    { "trailing blanks", "kelpVole99  ", "kelpVole99", "kelpVole99.scr", MENU,
      "app paths\\kelpVole99  \n\nDeleting registry entries...\ncan't delete key:", 1, 1, 3, ALL_LEFT },
    { "36 entries, 4 long", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | MANY,
      "\n\nRemoving start menu Folder...\ncant't delete folder: ~\\zub_Savers\\kelpVole99\n\n... FINISHED",
      0, 1, 0, 0 },
    /* hostile records: nothing outside the installation goes */
    { "tampered smPath", "kelpVole99", "kelpVole99", "kelpVole99.scr", TAMPERED,
      "Deleting start menu entries...\n\nRemoving start menu Folder...\ncant't delete folder: @\\Documents\n",
      0, 1, 3, 0 },
    { "smPath outside the start menu, named as the record", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | OUTSIDE, "entries...\n\nRemoving start menu Folder...\ncant't delete folder: @\\kelpVole99\n",
      0, 1, 3, 0 },
    { "a link in the folder to a file outside", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | LINK_INSIDE,
      "\nentry left, it leads out of the folder: ~\\zub_Savers\\kelpVole99\\victim.lnk\n|"
      "cant't delete folder: ~\\zub_Savers\\kelpVole99\n", 0, 1, 1, 0 },
    { "start-menu folder a link", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | LINKED,
      "Deleting start menu entries...\n\nRemoving start menu Folder...\ncant't delete folder: "
      "~\\zub_Savers\\kelpVole99\n", 0, 1, 3, 0 },
    { "another program", "someapp.exe", "someapp.exe", "someapp.exe", FOREIGN,
      "Deleting saver files...\nuninstall command of another program, record kept:\n   HKEY_LOCAL_MACHINE\\"
      "software\\microsoft\\windows\\currentversion\\uninstall\\someapp.exe\n", 1, 0, 0,
      UNINSTALL_LEFT | APP_PATH_LEFT },
    { "Path \".\"", "kelpVole99", "kelpVole99", "kelpVole99.scr", DOT_PATH,
      "Deleting saver files...\ncan't read value Path, record kept:", 1, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT },
    { "the settings key a link to another key", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | KEY_LINKED,
      "OK\nOK\nkey left, it is a link:\n   HKEY_CURRENT_USER\\software\\zub_kram\\kelpVole99\n", 0, 0, 0,
      SETTINGS_LEFT },
    { "the settings key's parent a link to another key", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | PARENT_LINKED, "OK\nOK\nkey left, a key above it is a link:\n   HKEY_CURRENT_USER\\software\\zub_kram\\"
      "kelpVole99\n", 0, 0, 0, SETTINGS_LEFT },
    { "any .scr", "kelpVole99", "kelpVole99", "victim.scr", 0,
      "Deleting saver files...\ncan't find file to remove:\n   @\\victim.scr\n", 1, 0, 0, APP_PATH_LEFT },
    { "the saver file of another folder", "kelpVole99", "kelpVole99", "kelpVole99.scr", OTHER_PATH,
      "can't find file to remove:\n   @\\kelpVole99.scr\n", 1, 0, 0, APP_PATH_LEFT },
    /* a record that cannot be read whole is kept while the file may be there */
    DAMAGED("default a number", "(Default)", { "", "abcd", REG_DWORD, 4 }),
    DAMAGED("default binary", "(Default)", { "", NULL, REG_BINARY }),
    DAMAGED("default expandable", "(Default)", { "", NULL, REG_EXPAND_SZ }),
    DAMAGED("default several strings", "(Default)", { "", NULL, REG_MULTI_SZ }),
    DAMAGED("default empty", "(Default)", { "", "", REG_SZ, 1 }),
    DAMAGED("default 32,700 letters", "(Default)", { "", longValue.c_str(), REG_SZ, 32701 }),
    DAMAGED("Path a number", "Path", { "Path", "abcd", REG_DWORD, 4 }),
    DAMAGED_IN("uninstall command absent", "uninstallString", "uninstall", { "uninstallString", "", REG_NONE }),
    { "a folder in the saver file's place", "kelpVole99", "kelpVole99", "kelpVole99.scr", SAVER_FOLDER,
      NOT_THE_SAVER, 1, 0, 0, 0 },
    { "a link in the saver file's place", "kelpVole99", "kelpVole99", "kelpVole99.scr", SAVER_LINKED,
      NOT_THE_SAVER, 1, 0, 0, 0 },
    { "a link in the install folder's place", "kelpVole99", "kelpVole99", "Documents\\kelpVole99.scr",
      FOLDER_LINKED, "Deleting saver files...\nnot the saver file, left:\n   @\\kelpLinked\\kelpVole99.scr\n", 1, 0,
      0, 0 },
    { "dot-dot in the name", "zzz\\..\\kelpVole99", "zzz\\..\\kelpVole99", "zzz\\..\\kelpVole99.scr", MENU,
      NEVER_INSTALLED("zzz\\..\\kelpVole99") "... FINISHED", 1, 1, 3, ALL_LEFT },
    { "slash in the name", "a/../kelpVole99", "a/../kelpVole99", "a/../kelpVole99.scr", MENU,
      NEVER_INSTALLED("a/../kelpVole99") "... FINISHED", 1, 1, 3, ALL_LEFT },
    { "the 8.3 alias of another file", "", "", "report.scrap", SHORT_NAME,
      "app paths\\%\n\nDeleting registry entries...\ncan't delete key:", 1, 0, 0, ALL_LEFT },
    { "the 8.3 alias of another saver's folder", "", "", "kelpVole99.scr", SHORT_NAME | MENU,
      "app paths\\%\n\nDeleting registry entries...\ncan't delete key:", 1, 1, 3, ALL_LEFT },
    { "the start-menu folder swapped for a link meanwhile", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | SWAPPED, "\n\nDeleting start menu entries...\n", 0, 1, 3, 0 },
    { "the start-menu folder swapped meanwhile, told it runs on XP", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | SWAPPED | BEFORE_VISTA, "\n\nDeleting start menu entries...\n", 0, 1, 3, 0 },
    /* a saver file that cannot go keeps the record that offers its removal; the path
       it is reported by is whole, in a double-byte code page and beyond the code page */
    { "saver file in use", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | BUSY,
      IN_USE("@\\kelpVole99.scr"), 1, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT },
    { "saver file in use, its path over 300 bytes", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | BUSY | BEYOND, IN_USE("@\\^\\kelpVole99.scr"), 0, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT,
      longLetters.c_str(), 932 },
    { "saver file in use, its folder beyond the code page", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | BUSY | BEYOND, IN_USE("@\\^\\kelpVole99.scr"), 0, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT,
      "\xe5\xb1\x8f\xe5\xb9\x95", 1252 },         /* 屏幕 */
    { "read-only saver file running", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | READ_ONLY | MAPPED,
      IN_USE("@\\kelpVole99.scr"), 1, 0, 0, UNINSTALL_LEFT | APP_PATH_LEFT },
    { "closed and cancelled while it runs, closed as it ends", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | CLOSED,
      "\n\nRemoving start menu Folder...\nOK\n\n... FINISHED", 0, 0, 0, 0 },
    { "read-only saver file", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | READ_ONLY, removerFullReport,
      0, 0, 0, 0 },
    { "started by its 8.3 path", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | SHORT_START,
      removerFullReport, 0, 0, 0, 0 },
    { "saver file in a folder beyond the code page", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | BEYOND, removerFullReport, 0, 0, 0, 0 },
    { "start-menu folder over 300 bytes", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | PROGRAMS,
      removerFullReport, 0, 0, 0, 0, longLetters.c_str(), 932 },
    { "told it runs on XP", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | BEFORE_VISTA,
      removerFullReport, 0, 0, 0, 0 },
    { "Programs reached through a link", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | PROGRAMS | PROGRAMS_LINKED, removerFullReport, 0, 0, 0, 0, "kelpPrograms" },
    { "uninstall command quoted", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | QUOTED,
      removerFullReport, 0, 0, 0, 0 },
    { "started unquoted from a folder with a blank", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | BLANK_START, removerFullReport, 0, 0, 0, 0 },
    { "uninstall command with two blanks", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | TWO_BLANKS,
      removerFullReport, 0, 0, 0, 0 },
    { "uninstall command expandable", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | EXPANDABLE,
      removerFullReport, 0, 0, 0, 0 },
    /* /S: no dialog, the report in the log, the outcome in the exit code; the user's own record
       (its remover beside the saver) is theirs alone to remove, the machine's left whole */
    { "never installed, quietly", "kelpVole99", NULL, "none", QUIET, NEVER_INSTALLED("kelpVole99") "... FINISHED",
      0, 0, 0, 0 },
    { "the user's own, quietly", "kelpVole99", "kelpVole99", "a b\\kelpVole99.scr", MENU | USER | QUIET,
      removerFullReport, 0, 0, 0, 0 },
    { "read-only links, quietly", "kelpVole99", "kelpVole99", "kelpVole99.scr", MENU | READ_ONLY_LINKS | QUIET,
      removerFullReport, 0, 0, 0, 0 },
    { "read-only links, told it runs on XP, quietly", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | READ_ONLY_LINKS | BEFORE_VISTA | QUIET, removerFullReport, 0, 0, 0, 0 },
    { "the user's own, read-only, quietly", "kelpVole99", "kelpVole99", "a b\\kelpVole99.scr",
      MENU | USER | READ_ONLY_LINKS | QUIET, removerFullReport, 0, 0, 0, 0 },
    { "an earlier run's log read-only, quietly", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | STALE_LOG | QUIET, removerFullReport, 0, 0, 0, 0 },
    { "the user's own, its folder there before, quietly", "kelpVole99", "kelpVole99", "a b\\kelpVole99.scr",
      MENU | USER | QUIET | THERE_BEFORE, removerFullReport, 0, 0, 0, 0 },
    { "the user's own beside the machine's, quietly", "kelpVole99", "kelpVole99", "a b\\kelpVole99.scr",
      MENU | USER | QUIET | BESIDE, "OK\nOK\nkey kept, another installation uses it:\n   HKEY_CURRENT_USER\\"
      "software\\zub_kram\\kelpVole99\n\nstart menu folder kept, another installation uses it: "
      "~\\zub_Savers\\kelpVole99\n\n... FINISHED", 0, 1, 3, SETTINGS_LEFT },
    /* the user's scope only for this remover standing in the user's record's own folder, which is
       not the machine's, and named by the record's command; the machine's scope then */
    { "the user's record naming the machine's remover, quietly", "kelpVole99", "kelpVole99", "kelpVole99.scr",
      MENU | USER_RECORD | QUIET, "OK\nOK\nkey kept, another installation uses it:\n   HKEY_CURRENT_USER\\software"
      "\\zub_kram\\kelpVole99\n\nDeleting start menu entries...\nOK\nOK\nOK", 0, 0, 0, SETTINGS_LEFT },
    { "the user's own, its Path another folder, quietly", "kelpVole99", "kelpVole99", "Documents\\kelpVole99.scr",
      USER | OTHER_PATH | QUIET, NEVER_USER("kelpVole99"), 1, 0, 0, ALL_LEFT },
    { "the user's own, its command another program's, quietly", "kelpVole99", "kelpVole99", "a b\\kelpVole99.scr",
      USER | QUIET, NEVER_USER("kelpVole99"), 1, 0, 0, ALL_LEFT, NULL, 0,
      { "uninstallString", "C:\\windows\\notepad.exe kelpVole99", REG_SZ, 34 } },
    DAMAGED_AS("the user's own, default a number, quietly", "(Default)", "app paths", USER | QUIET,
               "a b\\kelpVole99.scr", "HKEY_CURRENT_USER", { "", "abcd", REG_DWORD, 4 }),
};
INSTANTIATE_TEST_SUITE_P(Records, Remover, ::testing::ValuesIn(removeCases));

/* The copy's part, handed what is no process (here the pseudo-handle of its own): it ends at once. */
TEST_F(Remover, AfterAHandleNotAProcessEndsAtOnce)
{
    for (const char *handles : { "/after 4294967295 0 0", "/after 0 0 0", "/after 12345678 0 0" }) {
        ASSERT_TRUE(startBuilt("zUbSavRemov_1_51.exe", "zUbSavRemov_1_51.exe", handles, &run));
        EXPECT_TRUE(endsWith(&run)) << handles;
        finishRun(&run);
    }
}

/* A log that cannot be made new (a folder by its name) is told by a code of its own. */
TEST_F(Remover, QuietRunThatCannotMakeItsLogNewSaysSo)
{
    DeleteFileA(log.c_str());
    ASSERT_TRUE(CreateDirectoryA(log.c_str(), NULL));
    start("kelpVole99", QUIET);
    EXPECT_TRUE(endsWith(&run, 3));
    RemoveDirectoryA(log.c_str());
}

TEST_F(Remover, WithoutArgumentOnlyComplains)
{
    start("");
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    const std::string missing = "ERROR: command line is missing !\n";
    waitUntil([&] { return text(IDC_PROGRESS) == missing; });
    EXPECT_EQ(missing, text(IDC_PROGRESS));
    EXPECT_EQ("OK", text(IDOK));
    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(endsWith(&run));
}

/* Cancel asks nothing but shows its box; the close box shows none. */
TEST_F(Remover, CancelAndTheCloseBoxTouchNothing)
{
    install("kelpVole99", "kelpVole99.scr", MENU);
    for (int way = 0; way < 2; way++) {
        start("kelpVole99");
        if (way == 0) {     /* the box holds the dialog: a click on OK behind it does nothing */
            RECT ok;
            PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
            ASSERT_TRUE(waitForBox(&run, "message") != NULL);
            EXPECT_FALSE(IsWindowEnabled(dialog));
            GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
            SetCursorPos((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
            clickMouse(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            EXPECT_NE(none, closeBox(&run, "message"));
        } else {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_TRUE(endsWith(&run));
        EXPECT_TRUE(FindWindowA("#32770", "message") == NULL);
        finishRun(&run);
    }
    EXPECT_TRUE(exists(scratch + "\\kelpVole99.scr"));
    EXPECT_TRUE(exists(menu + "\\link 0000.lnk"));
    DeleteFileA((scratch + "\\kelpVole99.scr").c_str());
}

}  // namespace
