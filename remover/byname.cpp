/* The route by name, for systems without the handle calls (XP and older,
   the 9x line): each check asked by name on the whole path, again just
   before each delete, as a folder may be swapped for a link meanwhile.
   It knows nothing of the record: the caller names the folders. */
#include "remover/remover.h"

/* A copy from a read-only medium is read-only itself.  A file that still
   cannot go (a saver running) gets its attribute back: what is left is
   left as it was. */
int deleteEvenReadOnly(const FileAccess *access, const void *file)
{
    DWORD attributes, writable;

    if (access->remove(file))
        return 1;
    attributes = access->attributes(file);
    writable = attributes & ~FILE_ATTRIBUTE_READONLY;
    if (attributes == INVALID_FILE_ATTRIBUTES || writable == attributes
        || !access->setAttributes(file, writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL))
        return 0;
    if (access->remove(file))
        return 1;
    access->setAttributes(file, attributes);
    return 0;
}

static int removeNamed(const void *path)
{
    return deleteFile((const WCHAR *)path);
}

static DWORD attributesOfNamed(const void *path)
{
    return attributesOf((const WCHAR *)path);
}

static int setAttributesOfNamed(const void *path, DWORD attributes)
{
    return setAttributes((const WCHAR *)path, attributes);
}

static const FileAccess byName = { removeNamed, attributesOfNamed, setAttributesOfNamed };

int deleteNamedEvenReadOnly(const WCHAR *path)
{
    return deleteEvenReadOnly(&byName, path);
}

int isPlainFolder(const WCHAR *path)
{
    DWORD attributes = attributesOf(path);

    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

/* The saver file, when it is a file in `folder` and that folder no link. */
int deleteSaverByName(const WCHAR *folder, const WCHAR *saverFile)
{
    DWORD attributes = attributesOf(saverFile);

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return NOT_DELETED;
    if (!isPlainFolder(folder) || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return NOT_THE_SAVER;
    return deleteEvenReadOnly(&byName, saverFile) ? DELETED : NOT_DELETED;
}

static int isPlainPair(const WCHAR *folder, const WCHAR *parent)
{
    return isPlainFolder(folder) && isPlainFolder(parent);
}

static int deleteEntryByName(const WCHAR *folder, const WCHAR *parent, const WCHAR *name)
{
    WCHAR entry[PATH_ROOM];
    DWORD attributes;

    if (!copyText(entry, PATH_ROOM, folder) || !appendName(entry, PATH_ROOM, name))
        return ENTRY_KEPT;
    attributes = attributesOf(entry);
    if (!isPlainPair(folder, parent)
        || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        return ENTRY_LEADS_OUT;
    return deleteEvenReadOnly(&byName, entry) ? ENTRY_DELETED : ENTRY_KEPT;
}

/* Each entry but the dot names deleted and reported; a subfolder is not
   entered, and fails. */
void clearFolderByName(const WCHAR *folder, const WCHAR *parent, EntryReport report)
{
    WCHAR pattern[PATH_ROOM], name[MAX_PATH];
    HANDLE search = INVALID_HANDLE_VALUE;

    if (!copyText(pattern, PATH_ROOM, folder) || !appendName(pattern, PATH_ROOM, L"*.*"))
        return;
    while (findName(&search, pattern, name, MAX_PATH))
        if (!sameText(name, L".") && !sameText(name, L".."))
            report(name, deleteEntryByName(folder, parent, name));
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

int removeFolderByName(const WCHAR *folder, const WCHAR *parent)
{
    return isPlainPair(folder, parent) && removeFolder(folder);
}
