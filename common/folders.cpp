/* The files and folders that setup and the picker make and look at. */
#include "common/files.h"

#define FOLDER_CALLS(CALL) \
    CALL(copyFile, CopyFile) CALL(makeFolder, CreateDirectory) CALL(enterFolder, SetCurrentDirectory) \
    CALL(volume, GetVolumeInformation) CALL(driveType, GetDriveType) \
    CALL(writeProfile, WritePrivateProfileString)
CALL_TABLE(FolderCalls, FOLDER_CALLS, folderCalls)

int copyFile(const WCHAR *from, const WCHAR *to, BOOL failIfExists)
{
    char fromScratch[2 * PATH_ROOM], toScratch[2 * PATH_ROOM];
    const WCHAR *source = callText(from, fromScratch, sizeof fromScratch);
    const WCHAR *target = callText(to, toScratch, sizeof toScratch);

    return source != NULL && target != NULL && folderCalls()->copyFile(source, target, failIfExists);
}

int makeFolder(const WCHAR *path)
{
    ON_PATH(path, folderCalls()->makeFolder(arg, NULL), FALSE);
}

int enterFolder(const WCHAR *path)
{
    ON_PATH(path, folderCalls()->enterFolder(arg), FALSE);
}

int volumeLabel(const WCHAR *root, WCHAR *label, int size)
{
    WCHAR raw[PATH_ROOM];
    DWORD longestName, flags;

    ON_PATH(root, folderCalls()->volume(arg, raw, PATH_ROOM, NULL, &longestName, &flags, NULL, 0)
                  && takeText(raw, label, size), 0);
}

UINT driveType(const WCHAR *root)
{
    ON_PATH(root, folderCalls()->driveType(arg), DRIVE_UNKNOWN);
}

int writeProfileText(const WCHAR *section, const WCHAR *key, const WCHAR *value,
                     const WCHAR *file)
{
    char sectionScratch[64], keyScratch[64], valueScratch[2 * PATH_ROOM], fileScratch[64];
    const WCHAR *s = callText(section, sectionScratch, sizeof sectionScratch);
    const WCHAR *k = callText(key, keyScratch, sizeof keyScratch);
    const WCHAR *v = callText(value, valueScratch, sizeof valueScratch);
    const WCHAR *f = callText(file, fileScratch, sizeof fileScratch);

    return s != NULL && k != NULL && v != NULL && f != NULL && folderCalls()->writeProfile(s, k, v, f);
}
