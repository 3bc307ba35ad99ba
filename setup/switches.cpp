/* Setup's command line, as package managers and administrators' scripts
   give it: NSIS's switches, so that a line written for other installers
   works here too.  Without switches setup is its dialog. */
#include "setup/setup.h"
#include "common/launch.h"
#include "settings/settings.h"
#include "common/form.h"
#include "common/cmdline.h"

/* One switch a line, its text beside it: a message box's font is not of
   one width, and tab columns wrap under each other. */
static const char usage[] =
    "kelpVole99 setup switches:\n\n"
    "/S  -  silent: no window; the exit code tells\n"
    "/D=<folder>  -  the install folder, last\n"
    "/TIMEOUT=<minutes>  -  1 to 100 (3)\n"
    "/CURRENTUSER  -  for you only, no admin rights\n"
    "/ALLUSERS  -  for everyone (the default)\n"
    "/?  -  this list";

static int readMinutes(const WCHAR *digits, int length)
{
    int minutes = 0, i;

    for (i = 0; i < length; i++) {
        if (digits[i] < '0' || digits[i] > '9' || i >= 3)
            return 0;
        minutes = minutes * 10 + digits[i] - '0';
    }
    return minutes;
}

/* The folder as NSIS takes it: the rest of the line, blanks and all, or
   quoted as scripts quote an argument with blanks in it; one /D= alone.
   It must be whole, for the record and the remover compare it so, and
   leave room for the longest name setup writes into it, so that what
   installs can be removed. */
static int readFolder(const WCHAR *text, int opened)
{
    SetupState *s = &setupState;
    const WCHAR *word, *rest;
    WCHAR full[PATH_ROOM];
    int length;

    if (!restOfLine(text, opened, s->installFolder, MAX_PATH))
        return 0;
    for (rest = s->installFolder; nextWord(&rest, &word, &length);)
        if (isSwitch(word, length, "/D=") || isSwitch(word + (*word == '"'), length - (*word == '"'), "/D="))
            return 0;
    length = textLength(s->installFolder);
    if (length <= 0)
        return 0;
    s->folderGiven = 1;
    return fullPath(s->installFolder, full, PATH_ROOM) && sameText(full, s->installFolder)
        && installFolderFits();
}

/* Where the saver goes for one user: the folder Windows gives per-user
   programs (%LOCALAPPDATA%\Programs); older NT systems get the same place
   below their local application data. */
int userInstallFolder(WCHAR *folder)
{
    return specialFolder(CSIDL_LOCAL_APPDATA, folder)
        && appendName(folder, MAX_PATH, SETUP_USER_FOLDER);
}

/* One bad switch names itself; the usage follows it. */
static int refuse(const WCHAR *token, int length, int *exitCode)
{
    char text[sizeof usage + 512];
    int used;

    *exitCode = SETUP_EXIT_BAD_LINE;
    if (setupState.silent)
        return 0;
    if (length > 100)
        length = 100;
    copyText(text, sizeof text, "ERROR: unknown switch or bad value:\n");
    used = lstrlenA(text);
    used += WideCharToMultiByte(CP_ACP, 0, token, length, text + used, 400, NULL, NULL);
    text[used] = 0;
    appendText(text, sizeof text, "\n\n");
    appendText(text, sizeof text, usage);
    warn(NULL, text);
    return 0;
}

int readSwitches(const WCHAR *arguments, int *exitCode)
{
    SetupState *s = &setupState;
    const WCHAR *rest = arguments, *token, *bad = NULL;
    int length, badLength = 0, help = 0, quoted, scopes = 0;

    s->silent = s->folderGiven = 0;
    s->scope = SCOPE_MACHINE;
    s->minutes = TIMEOUT_START;
    /* the whole line read before a bad switch is told of: no box under a
       /S that follows it */
    while (nextWord(&rest, &token, &length)) {
        quoted = *token == '"';
        if (isSwitch(token + quoted, length - quoted, "/D=")) {
            if (bad == NULL && !readFolder(token + quoted + 3, quoted))
                bad = token, badLength = textLength(token);
            break;
        }
        if (isSwitch(token, length, "/TIMEOUT=")) {
            s->minutes = readMinutes(token + 9, length - 9);
            if (s->minutes >= TIMEOUT_LOWEST && s->minutes <= TIMEOUT_HIGHEST)
                continue;
        } else if (isSwitch(token, length, "/CURRENTUSER") || isSwitch(token, length, "/ALLUSERS")) {
            int scope = token[1] == 'c' || token[1] == 'C' ? SCOPE_USER : SCOPE_MACHINE;
            /* given as alternatives: both at once say nothing */
            if (!(scopes & ~(1 << scope))) {
                s->scope = scope;
                scopes |= 1 << scope;
                continue;
            }
        } else if (isSwitch(token, length, "/?")) {
            help = 1;
            continue;
        } else if (isSwitch(token, length, "/S")) {
            s->silent = 1;
            continue;
        }
        if (bad == NULL)
            bad = token, badLength = length;
    }
    if (bad != NULL)
        return refuse(bad, badLength, exitCode);
    if (help) {
        *exitCode = SETUP_EXIT_BAD_LINE;    /* nothing installed */
        if (!s->silent)
            MessageBoxA(NULL, usage, "usage", MB_ICONINFORMATION);
        return 0;
    }
    return 1;
}
