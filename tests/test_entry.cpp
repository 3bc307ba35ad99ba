/* Role choice: the file-name test, the command-line parser and the
   foreground window remembered with a command line. */
#include <gtest/gtest.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "saver/saver.h"
#include "common/syslib.h"

#include <string>

struct CommandCase { const char *text; char letter; DWORD target; int remembersForeground; };

static const CommandCase commandCases[] = {
    { "", 'C', 0, 0 },
    { "/s", 'S', 0, 1 }, { "-S", 'S', 0, 1 }, { "s", 'S', 0, 1 },
    { "/c", 'C', 0, 1 }, { "/c:1234", 'C', 1234, 1 },
    { "/p 4660", 'P', 4660, 1 }, { "/P 4660", 'P', 4660, 1 }, { "/a 4660", 'A', 4660, 1 },
    { "12 /p 34", 'P', 34, 1 },          /* digits before the letter do not count */
    { "/p 1 2 3", 'P', 123, 1 },         /* separators between digits are skipped */
    { "/x", 0, 0, 1 },
    { "/x /s", 'S', 0, 1 },              /* the first of the four letters wins */
    { "/abc", 'A', 0, 1 }, { "/p", 'P', 0, 1 }, { "/p 4294967295", 'P', 4294967295u, 1 },
    { "/p 4294967296", 'P', 0, 1 },      /* wraps modulo 2^32 */
    { "/p 4294967306", 'P', 10, 1 },
    /* only the first 19 digits are gathered */
    { "/p 12345678901234567899999", 'P', (DWORD)(1234567890123456789ull & 0xFFFFFFFFu), 1 },
    { "/p 0000000000000000000123", 'P', 0, 1 },
    { "  ", 0, 0, 1 },
    { "x:\\scr\\c", 'S', 0, 1 },         /* any character counts, even inside a path */
};

class CommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLine, SetsLetterTargetAndForeground)
{
    const CommandCase &c = GetParam();
    char text[64];
    HWND marker = (HWND)(UINT_PTR)0x4711;

    memset(&launchContext, 0, sizeof launchContext);
    launchContext.previousForeground = marker;
    lstrcpynA(text, c.text, sizeof text);
    rememberForeground(text);
    parseCommandLine(text);

    EXPECT_EQ(c.letter, launchContext.modeLetter);
    EXPECT_EQ(c.target, launchContext.targetWindow);
    /* An empty command line leaves the remembered window alone. */
    EXPECT_EQ(c.remembersForeground != 0, launchContext.previousForeground != marker);
}

void PrintTo(const CommandCase &c, std::ostream *out) { *out << '"' << c.text << '"'; }
INSTANTIATE_TEST_SUITE_P(Table, CommandLine, ::testing::ValuesIn(commandCases));

TEST(CommandLine, UpperCasesTheTextInPlace)
{
    char text[] = "/p 12 abc";
    memset(&launchContext, 0, sizeof launchContext);
    parseCommandLine(text);
    EXPECT_STREQ("/P 12 ABC", text);
}

TEST(CommandLine, LongTextStaysInItsBuffers)
{
    static char text[4096];
    memset(text, '9', sizeof text - 1);
    text[0] = 's';
    memset(&launchContext, 0, sizeof launchContext);
    parseCommandLine(text);
    EXPECT_EQ('S', launchContext.modeLetter);
    EXPECT_EQ((DWORD)(9999999999999999999ull & 0xFFFFFFFFu), launchContext.targetWindow);
}

TEST(SaverClass, RegistersWithIconAndNothingElse)
{
    WNDCLASSA info;
    HINSTANCE instance = GetModuleHandleA(NULL);
    ASSERT_NE(0, registerSaverClass(instance, saverWndProc));
    ASSERT_TRUE(GetClassInfoA(instance, "ssaverzub", &info));
    char made[128];
    snprintf(made, sizeof made, "style %#x, icon %d, cursor %d, background %d, menu %d, extra %d %d",
             info.style, info.hIcon != NULL, info.hCursor != NULL, info.hbrBackground != NULL,
             info.lpszMenuName != NULL, info.cbClsExtra, info.cbWndExtra);
    EXPECT_STREQ("style 0x1083, icon 1, cursor 0, background 0, menu 0, extra 0 0", made);
    EXPECT_EQ(0, registerSaverClass(instance, saverWndProc));   /* already there */
    UnregisterClassA("ssaverzub", instance);
}

TEST(RoleByName, LastThreeCharactersDecide)
{
    const struct { const WCHAR *path; int saver; } cases[] = {
        { L"C:\\x\\x.scr", 1 }, { L"C:\\x\\X.SCR", 1 }, { L"C:\\x\\x.ScR", 1 },
        { L"C:\\x\\xscr", 1 },      /* no dot needed */
        { L"C:\\x\\x.scrx", 0 }, { L"C:\\x\\x.exe", 0 }, { L"C:\\x\\kelpVole99.exe", 0 },
        { L"scr", 1 }, { L"cr", 0 }, { L"C:\\x\\x.\u0153cr", 0 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.saver, isSaverFileName(c.path)) << &c - cases;
}

TEST(RoleByName, UnreadablePathIsTakenForTheSaver)
{
    EXPECT_EQ(1, isSaverFileName(L""));     /* none, or cut: the tail is not the name's */
}

/* Random and hostile command lines and module names against a model of
   the documented rules, each in a buffer with guard bytes on both sides.
   KELP_FUZZ_COUNT sets how many of each (default 1,000,000). */
namespace {

unsigned fuzzState = 12345;
unsigned fuzzNext()
{
    fuzzState ^= fuzzState << 13;
    fuzzState ^= fuzzState >> 17;
    fuzzState ^= fuzzState << 5;
    return fuzzState;
}

/* Mostly short, sometimes up to 4,000 characters, drawn from the kinds of
   character that matter to the parser, or from every byte value. */
int fuzzText(char *text)
{
    static const char kinds[] = "0123456789cspaCSPA/-+: \"'\t";
    int length = fuzzNext() % 4 ? fuzzNext() % 40 : fuzzNext() % 4001;
    int anyByte = fuzzNext() % 3 == 0;
    for (int i = 0; i < length; i++)
        text[i] = anyByte ? (char)(fuzzNext() % 255 + 1) : kinds[fuzzNext() % (sizeof kinds - 1)];
    text[length] = 0;
    return length;
}

const unsigned char guard = 0xA5;
int guardsIntact(const unsigned char *block, int size)
{
    for (int i = 0; i < 16; i++)
        if (block[i] != guard || block[size - 1 - i] != guard)
            return 0;
    return 1;
}

}  // namespace

TEST(Fuzz, CommandLinesAndModuleNamesKeepToTheRules)
{
    const char *setting = getenv("KELP_FUZZ_COUNT");
    int count = setting ? atoi(setting) : 1000000, wrong = 0, outside = 0;
    static unsigned char block[16 + 4001 + 16 + 16];
    static char original[4002];

    for (int n = 0; n < count; n++) {
        char *text = (char *)block + 16;
        memset(block, guard, sizeof block);
        int length = fuzzText(text);
        memcpy(original, text, length + 1);

        /* the model: upper case in place, first of A C P S, then up to 19 digits */
        char letter = length == 0 ? 'C' : 0;
        DWORD target = 0;
        int digits = 0;
        const char *p = original;
        for (; *p && letter == 0; p++)
            if (strchr("ACPS", toupper((unsigned char)*p)) != NULL)
                letter = (char)toupper((unsigned char)*p);
        for (; *p && digits < 19; p++)
            if (*p >= '0' && *p <= '9')
                target = target * 10 + (DWORD)(*p - '0'), digits++;

        memset(&launchContext, 0, sizeof launchContext);
        parseCommandLine(text);
        outside += !guardsIntact(block, 16 + length + 1 + 16);
        int same = launchContext.modeLetter == letter && launchContext.targetWindow == target;
        for (int i = 0; i <= length && same; i++)
            same = text[i] == (char)toupper((unsigned char)original[i]);
        wrong += !same;

        /* the module name: the first `told` characters, none when too long to read whole */
        static WCHAR name[4002];
        DWORD told = length < 300 ? length : MAX_PATH + fuzzNext() % 8 - 4;
        if (told >= MAX_PATH)
            told = 0;
        for (DWORD i = 0; i < told; i++)
            name[i] = (unsigned char)original[i];
        name[told] = 0;
        int saver = told == 0
            || (told >= 3 && toupper((unsigned char)original[told - 3]) == 'S'
                && toupper((unsigned char)original[told - 2]) == 'C'
                && toupper((unsigned char)original[told - 1]) == 'R');
        wrong += isSaverFileName(name) != saver;
    }
    printf("%d command lines and module names: %d wrong, %d written outside\n", count, wrong,
           outside);
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0, outside);
}

/* Restricted first thing, the search finds a library by its bare name in
   the system folder only: one beside the program, found before, is not
   loaded any more, while the system's own still is.  Even before, the
   system folder's copy is the only one loaded by name from there. */
TEST(LibrarySearch, RestrictedToTheSystemFolder)
{
    char self[MAX_PATH], name[64], planted[MAX_PATH], marks[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    *strrchr(self, '\\') = 0;
    sprintf(name, "kp%lx.dll", GetCurrentProcessId());     /* within the 14 letters it takes */
    sprintf(planted, "%s\\%s", self, name);
    sprintf(marks, "%s\\planted.txt", self);
    DeleteFileA(marks);
    ASSERT_TRUE(CopyFileA((std::string(self) + "\\standin\\planted.dll").c_str(), planted, FALSE));
    EXPECT_TRUE(loadSystemLibrary(name) == NULL);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(marks)) << "the planted copy ran";
    HMODULE before = LoadLibraryA(name);
    EXPECT_TRUE(before != NULL) << "the search does look beside the program";
    FreeLibrary(before);
    restrictLibrarySearch();
    HMODULE after = LoadLibraryA(name), sound = loadSystemLibrary("winmm.dll");
    EXPECT_TRUE(after == NULL);
    EXPECT_TRUE(sound != NULL && GetProcAddress(sound, "PlaySoundA") != NULL);
    FreeLibrary(after);
    FreeLibrary(sound);
    DeleteFileA(planted);
    DeleteFileA(marks);
}
