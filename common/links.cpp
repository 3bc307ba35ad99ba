/* Shell links through the path layer. */
#include "common/files.h"

#include <objbase.h>

/* The shell's published link interfaces, spelled out here rather than
   taken from the whole list of the system's identifiers. */
static const IID shellLinkA = { 0x000214EE, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };
static const IID shellLinkW = { 0x000214F9, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };

const IID *shellLinkInterface(void)
{
    return narrowForm() ? &shellLinkA : &shellLinkW;
}

HRESULT saveShellLink(IShellLinkW *link, const LinkFields *f, const WCHAR *linkFile)
{
    char scratch[2 * PATH_ROOM];
    const WCHAR *text;
    IPersistFile *file = NULL;
    HRESULT status;

    if ((text = callText(f->target, scratch, sizeof scratch)) == NULL)
        return E_FAIL;
    link->SetPath(text);
    if ((text = callText(f->arguments, scratch, sizeof scratch)) != NULL)
        link->SetArguments(text);
    if ((text = callText(f->iconFile, scratch, sizeof scratch)) != NULL)
        link->SetIconLocation(text, f->iconIndex);
    if ((text = callText(f->workingDirectory, scratch, sizeof scratch)) != NULL)
        link->SetWorkingDirectory(text);
    /* the file's own name is wide on every system */
    status = link->QueryInterface(IID_IPersistFile, (void **)&file);
    if (SUCCEEDED(status)) {
        status = file->Save(linkFile, FALSE);
        file->Release();
    }
    return status;
}
