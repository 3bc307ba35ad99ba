/* Routes Wine never takes by itself: the remover's by name (Wine has every
   handle call), the rights decision (Wine never reports a limited token),
   names compared letter by letter (Wine has the ordinal call). */
#include <algorithm>

#include "tests/driver.h"
#include "common/rights.h"
#include "remover/remover.h"

namespace {

struct RightsRow { int marked, canWrite, elevation, asks; };
const RightsRow rightsRows[] = {
    { 0, 0, ELEVATION_LIMITED, 1 }, { 1, 0, ELEVATION_LIMITED, 0 }, { 0, 1, ELEVATION_LIMITED, 0 },
    { 1, 1, ELEVATION_LIMITED, 0 }, { 0, 0, ELEVATION_FULL, 0 }, { 1, 0, ELEVATION_FULL, 0 },
    { 0, 1, ELEVATION_FULL, 0 }, { 1, 1, ELEVATION_FULL, 0 }, { 0, 0, ELEVATION_UNKNOWN, 0 },
    { 1, 0, ELEVATION_UNKNOWN, 0 }, { 0, 1, ELEVATION_UNKNOWN, 0 }, { 1, 1, ELEVATION_UNKNOWN, 0 },
};

TEST(RightsDecision, OnlyAnUnmarkedLimitedTokenThatCannotWriteAsks)
{
    for (const RightsRow &r : rightsRows)
        EXPECT_EQ(r.asks, asksForRights(r.marked, r.canWrite, r.elevation))
            << "marked " << r.marked << ", writable " << r.canWrite << ", elevation " << r.elevation;
}

struct LettersRow { const WCHAR *one, *other; int same; };
const LettersRow lettersRows[] = {
    { L"kelp.scr", L"KELP.SCR", 1 }, { L"\u00e4rger", L"\u00c4RGER", 1 }, { L"stra\u00dfe", L"STRASSE", 0 },
    { L"kelp", L"kelp2", 0 }, { L"", L"", 1 },
};

TEST(SameText, LetterByLetterWhereTheOrdinalCallIsMissing)
{
    for (const LettersRow &r : lettersRows)
        EXPECT_EQ(r.same, sameLetters(r.one, r.other, CharUpperW)) << utf8(r.one) << " / " << utf8(r.other);
}

/* A folder F holding the saver file s.scr and a.lnk, beside T holding x. */
enum { LINK_INSIDE = 1, SWAPPED = 2, BUSY = 4, SUBFOLDER = 8, MISSING = 16 };
struct ByNameRow { const char *what; int layout, saver; const char *entries; int folderLeft; };
const ByNameRow byNameRows[] = {     /* entries, sorted: D deleted, K kept, L leads out */
    { "plain", 0, DELETED, "D", 0 },
    { "a link to T inside", LINK_INSIDE, DELETED, "DL", 1 },
    { "F swapped for a link to T", SWAPPED, NOT_THE_SAVER, "LLL", 1 },
    { "a read-only saver file in use", BUSY, NOT_DELETED, "DK", 1 },
    { "a subfolder", SUBFOLDER, DELETED, "DK", 1 },
    { "F missing", MISSING, NOT_DELETED, "", 0 },
};

std::string reported;
void noteEntry(const WCHAR *, int result) { reported += "KDL"[result]; }
int exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
void makeFile(const std::string &path)
    { CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL)); }
int makeLink(const std::string &to, const std::string &link)
    { return runCommand("/bin/ln -s \"" + unixPath(to) + "\" \"" + unixPath(link) + "\"", link); }

TEST(RemoverByName, LeavesWhatLeadsOutAndPutsBackTheAttributeOfWhatStays)
{
    int row = 0;
    for (const ByNameRow &r : byNameRows) {
        char base[MAX_PATH];
        ASSERT_TRUE(scratchPath(("byName" + std::to_string(row++)).c_str(), base, MAX_PATH));
        std::string folder = std::string(base) + "\\F", outside = std::string(base) + "\\T";
        std::string saver = folder + "\\s.scr";
        ASSERT_TRUE(CreateDirectoryA(base, NULL) && CreateDirectoryA(outside.c_str(), NULL));
        makeFile(outside + "\\x");
        ASSERT_TRUE((r.layout & MISSING) || (r.layout & SWAPPED ? makeLink(outside, folder)
                                                                 : CreateDirectoryA(folder.c_str(), NULL)));
        if (!(r.layout & MISSING))
            makeFile(saver), makeFile(folder + "\\a.lnk");
        ASSERT_TRUE(!(r.layout & LINK_INSIDE) || makeLink(outside, folder + "\\in"));
        ASSERT_TRUE(!(r.layout & SUBFOLDER) || CreateDirectoryA((folder + "\\sub").c_str(), NULL));
        if (r.layout & BUSY)
            SetFileAttributesA(saver.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE busy = r.layout & BUSY ? CreateFileA(saver.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                                    OPEN_EXISTING, 0, NULL) : INVALID_HANDLE_VALUE;

        EXPECT_EQ(r.saver, deleteSaverByName(widen(folder).c_str(), widen(saver).c_str())) << r.what;
        EXPECT_TRUE(!(r.layout & BUSY) || (GetFileAttributesA(saver.c_str()) & FILE_ATTRIBUTE_READONLY)) << r.what;
        reported.clear();
        clearFolderByName(widen(folder).c_str(), widen(base).c_str(), noteEntry);
        std::sort(reported.begin(), reported.end());
        EXPECT_EQ(r.entries, reported) << r.what;
        EXPECT_EQ(r.layout == 0, removeFolderByName(widen(folder).c_str(), widen(base).c_str())) << r.what;
        EXPECT_EQ(r.folderLeft, exists(folder)) << r.what;
        EXPECT_TRUE(exists(outside + "\\x")) << r.what;
        if (busy != INVALID_HANDLE_VALUE)
            CloseHandle(busy);
        runCommand("/bin/rm -rf \"" + unixPath(base) + "\"", base, 0);    /* the links as themselves */
    }
}

}  // namespace
