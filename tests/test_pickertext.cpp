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

/* C:\kelpNames\Long Folder Name and C:\kelpNames\LongFile.txt, made and removed here. */
class StoredNames : public ::testing::Test {
protected:
    char previous[MAX_PATH];
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, previous);
        CreateDirectoryA("C:\\kelpNames", NULL);
        CreateDirectoryA("C:\\kelpNames\\Long Folder Name", NULL);
        CloseHandle(CreateFileA("C:\\kelpNames\\LongFile.txt", GENERIC_WRITE, 0, NULL,
                                CREATE_ALWAYS, 0, NULL));
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previous);
        DeleteFileA("C:\\kelpNames\\LongFile.txt");
        RemoveDirectoryA("C:\\kelpNames\\Long Folder Name");
        RemoveDirectoryA("C:\\kelpNames");
    }
};

TEST_F(StoredNames, PathsAndEntriesTakeTheStoredSpelling)
{
    char shortName[MAX_PATH] = "", path[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameA("C:\\kelpNames\\Long Folder Name", shortName, MAX_PATH));
    ASSERT_STRNE("C:\\kelpNames\\Long Folder Name", shortName);
    const struct { std::string path; const char *result; } paths[] = {
        { "c:\\kelpnames\\long folder name", "c:\\kelpNames\\Long Folder Name" },
        { shortName, "C:\\kelpNames\\Long Folder Name" },
        { "c:\\KELPNAMES\\", "c:\\kelpNames\\" }, { "c:", "c:" },
        /* a component not found keeps only its backslash */
        { "c:\\kelpnames\\gone\\longfile.txt", "c:\\kelpNames\\\\" },
    };
    for (const auto &c : paths) {
        lstrcpynA(path, c.path.c_str(), MAX_PATH);
        EXPECT_TRUE(resolvePathNames(path, MAX_PATH));
        EXPECT_STREQ(c.result, path) << c.path;
    }
    /* longer once resolved than its buffer: left as it was */
    lstrcpynA(path, shortName, MAX_PATH);
    EXPECT_FALSE(resolvePathNames(path, lstrlenA(shortName) + 1));
    EXPECT_STREQ(shortName, path);

    ASSERT_TRUE(SetCurrentDirectoryA("c:\\kelpnames"));
    const struct { const char *listed; int bracketed; const char *shown; } entries[] = {
        { "[..]", 1, "[..]" }, { "[long folder name]", 1, "Long Folder Name" },
        { "longfile.txt", 0, "LongFile.txt" }, { "[gone]", 1, "can't read file" },
        { "[]", 1, "can't read file" },
    };
    for (const auto &c : entries) {
        EXPECT_EQ(c.shown[0] != 'c', entryName(c.listed, c.bracketed, path, MAX_PATH));
        EXPECT_STREQ(c.shown, path) << c.listed;
    }
}

}  // namespace
