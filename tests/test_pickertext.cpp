/* The location picker's texts: the grouped free-byte count, paths and
   entries rewritten with the names the file system stores. */
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

#include "setup/picker.h"
#include "common/files.h"
#include "testutil.h"
#include <string.h>

namespace {

TEST(PickerText, DigitsGroupInThreesFromTheRight)
{
    const struct { ULONGLONG count; const char *text; } cases[] = {
        { 0, "0" }, { 999, "999" }, { 1000, "1.000" }, { 123456, "123.456" }, { 1234567, "1.234.567" },
        { 78520320000ULL, "78.520.320.000" },  /* past 4 GiB, where 32 bits wrap */
        { 18446744073709551615ULL, "18.446.744.073.709.551.615" },
    };
    for (const auto &c : cases) {
        char text[32] = "x";
        EXPECT_TRUE(groupDigits(c.count, text, sizeof text));
        EXPECT_STREQ(c.text, text);
    }
    char small[5] = "x";
    EXPECT_FALSE(groupDigits(1000, small, sizeof small));
    EXPECT_STREQ("", small);
}

/* C:\kelpNames\Long Folder Name, C:\kelpNames\Тест (beyond code page 1252)
   and C:\kelpNames\LongFile.txt, made and removed here. */
const WCHAR cyrillic[] = L"C:\\kelpNames\\\x0422\x0435\x0441\x0442";

class StoredNames : public ::testing::Test {
protected:
    WCHAR previous[MAX_PATH];
    void SetUp() override
    {
        GetCurrentDirectoryW(MAX_PATH, previous);
        CreateDirectoryA("C:\\kelpNames", NULL);
        CreateDirectoryA("C:\\kelpNames\\Long Folder Name", NULL);
        CreateDirectoryW(cyrillic, NULL);
        CloseHandle(CreateFileA("C:\\kelpNames\\LongFile.txt", GENERIC_WRITE, 0, NULL,
                                CREATE_ALWAYS, 0, NULL));
    }
    void TearDown() override
    {
        SetCurrentDirectoryW(previous);
        DeleteFileA("C:\\kelpNames\\LongFile.txt");
        RemoveDirectoryA("C:\\kelpNames\\Long Folder Name");
        RemoveDirectoryW(cyrillic);
        RemoveDirectoryA("C:\\kelpNames");
    }
};

TEST_F(StoredNames, PathsAndEntriesTakeTheStoredSpelling)
{
    WCHAR shortName[MAX_PATH] = L"", path[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameW(L"C:\\kelpNames\\Long Folder Name", shortName, MAX_PATH));
    ASSERT_STRNE(L"C:\\kelpNames\\Long Folder Name", shortName);
    const struct { std::wstring path; const WCHAR *result; } paths[] = {
        { L"c:\\kelpnames\\long folder name", L"c:\\kelpNames\\Long Folder Name" },
        { shortName, L"C:\\kelpNames\\Long Folder Name" },
        { L"c:\\KELPNAMES\\", L"c:\\kelpNames\\" }, { L"c:", L"c:" },
        { L"C:\\kelpnames\\\x0442\x0435\x0441\x0442", cyrillic + 0 },
        /* a component not found keeps only its backslash */
        { L"c:\\kelpnames\\gone\\longfile.txt", L"c:\\kelpNames\\\\" },
    };
    for (const auto &c : paths) {
        lstrcpynW(path, c.path.c_str(), MAX_PATH);
        EXPECT_TRUE(resolvePathNames(path, MAX_PATH));
        EXPECT_STREQ(c.result, path) << c.path;
    }
    /* longer once resolved than its buffer: left as it was */
    lstrcpynW(path, shortName, MAX_PATH);
    EXPECT_FALSE(resolvePathNames(path, lstrlenW(shortName) + 1));
    EXPECT_STREQ(shortName, path);

    ASSERT_TRUE(SetCurrentDirectoryW(L"c:\\kelpnames"));
    const struct { const WCHAR *listed; int bracketed; const WCHAR *shown; } entries[] = {
        { L"[..]", 1, L"[..]" }, { L"[long folder name]", 1, L"Long Folder Name" },
        { L"[\x0442\x0435\x0441\x0442]", 1, cyrillic + 13 },
        { L"longfile.txt", 0, L"LongFile.txt" }, { L"[gone]", 1, L"can't read file" },
        { L"[]", 1, L"can't read file" },
        /* looked up as another entry: a blank dropped, '?' taken as a wildcard */
        { L"[long folder name ]", 1, L"can't read file" }, { L"[long folder nam?]", 1, L"can't read file" },
    };
    for (const auto &c : entries) {
        EXPECT_EQ(c.shown[0] != 'c', entryName(c.listed, c.bracketed, path, MAX_PATH));
        EXPECT_STREQ(c.shown, path) << c.listed;
    }
}

/* Names as the file system tells them apart: by each letter, case aside,
   never by a language's rules; joined onto a folder with one backslash. */
TEST(PathLayer, NamesCompareAndJoinAsTheFileSystemDoes)
{
    const struct { const WCHAR *one, *other; int same; } names[] = {
        { L"Strasse", L"Stra\x00DF" L"e", 0 }, { L"ab", L"a\x00AD" L"b", 0 }, { L"ae", L"\x00E6", 0 },
        { L"C:\\Kelp\\Name.SCR", L"c:\\kelp\\name.scr", 1 }, { L"Stra\x00DF" L"e", L"STRA\x00DF" L"E", 1 },
    };
    for (const auto &n : names)
        EXPECT_EQ(n.same, sameText(n.one, n.other)) << "row " << &n - names;
    const std::wstring tooLong(MAX_PATH, 'n');
    const struct { const WCHAR *path, *name, *joined; int fits; } joins[] = {
        { L"c:\\", L"kelp", L"c:\\kelp", 1 }, { L"c:\\a", L"kelp", L"c:\\a\\kelp", 1 },
        { L"c:\\a", tooLong.c_str(), L"c:\\a", 0 },
    };
    for (const auto &j : joins) {
        WCHAR path[MAX_PATH];
        lstrcpyW(path, j.path);
        EXPECT_EQ(j.fits, appendName(path, MAX_PATH, j.name)) << "row " << &j - joins;
        EXPECT_STREQ(j.joined, path);
    }
}

/* One file is one volume's one index: a field apart is another file, and
   a folder's name leads to itself only. */
TEST(PathLayer, AFolderIsItselfByItsVolumeAndIndex)
{
    BY_HANDLE_FILE_INFORMATION one = {}, other;
    one.dwVolumeSerialNumber = 7;
    for (DWORD *field : { &other.dwVolumeSerialNumber, &other.nFileIndexHigh, &other.nFileIndexLow }) {
        other = one;
        EXPECT_TRUE(sameIdentity(&one, &other));
        *field += 1;
        EXPECT_FALSE(sameIdentity(&one, &other));
    }
    HANDLE windows = CreateFileA("C:\\windows", FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    EXPECT_TRUE(isFolderItself(windows, L"c:\\WINDOWS"));
    EXPECT_FALSE(isFolderItself(windows, L"C:\\windows\\system32"));
    CloseHandle(windows);
}

/* Its own copy, told it runs on Windows 98, checks the 9x half: a letter
   the code page lacks refuses the text ('?' would be a wildcard), and
   names compare in the code page. */
TEST(PathLayer, TheNinetyEightHalfRefusesALossyText)
{
    char scratch[2 * PATH_ROOM], line[MAX_PATH + 64] = "\"";
    if (GetEnvironmentVariableA("KELP_AS_98", NULL, 0) > 0) {
        ASSERT_TRUE(narrowForm());
        EXPECT_TRUE(callText(L"C:\\\x0422\x0435\x0441\x0442", scratch, sizeof scratch) == NULL);
        EXPECT_STREQ("C:\\Kelp", (const char *)callText(L"C:\\Kelp", scratch, sizeof scratch));
        EXPECT_FALSE(sameText(L"Strasse", L"Stra\x00DF" L"e"));
        EXPECT_TRUE(sameText(L"Stra\x00DF" L"e", L"STRA\x00DF" L"E"));
        return;
    }
    KeyBackup saved;
    STARTUPINFOA startup = { sizeof startup };
    PROCESS_INFORMATION process;
    DWORD code = 1;
    backupKey(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\unit_tests.exe", &saved);
    setRawValue(saved.root, saved.path, "Version", REG_SZ, "win98", 6);
    SetEnvironmentVariableA("KELP_AS_98", "1");
    GetModuleFileNameA(NULL, line + 1, MAX_PATH);
    strcat(line, "\" --gtest_filter=PathLayer.TheNinetyEightHalf*");
    if (CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableA("KELP_AS_98", NULL);
    restoreKey(&saved);
    EXPECT_EQ(0u, code);
}
}  // namespace
