/* The location picker's texts: the grouped free-byte count, paths and
   entries rewritten with the names the file system stores. */
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

#include "setup/picker.h"

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
    };
    for (const auto &c : entries) {
        EXPECT_EQ(c.shown[0] != 'c', entryName(c.listed, c.bracketed, path, MAX_PATH));
        EXPECT_STREQ(c.shown, path) << c.listed;
    }
}

}  // namespace
