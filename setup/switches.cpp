/* Setup's command line, as package managers and administrators' scripts
   give it: NSIS's switches, so that a line written for other installers
   works here too.  Without switches setup is its dialog. */
#include "setup/setup.h"
#include "common/launch.h"
#include "settings/settings.h"
#include "common/form.h"

static const char usage[] =
    "kelpVole99 setup switches:\n\n"
    "/S\t\tsilent: no dialog; the exit code tells the outcome\n"
    "/D=<folder>\tthe install folder, whole, last on the line, no quotes\n"
    "/TIMEOUT=<minutes>\tthe saver starts after 1 to 100 minutes\n"
    "/CURRENTUSER\tfor you only, without administrator rights\n"
    "/ALLUSERS\tfor everyone, in the Windows folder (the default)\n"
    "/?\t\tthis list";

/* Switches are ASCII whatever the code page: their letters alone are
   folded.  A name ending in '=' takes a value after it. */
static int isSwitch(const char *token, int length, const char *name)
{
    int i;

    for (i = 0; name[i] != 0; i++) {
        char c = i < length ? token[i] : 0;
        if ((c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c) != name[i])
            return 0;
    }
    return name[i - 1] == '=' || i == length;
}

static int readMinutes(const char *digits, int length)
{
    int minutes = 0, i;

    for (i = 0; i < length; i++) {
        if (digits[i] < '0' || digits[i] > '9' || i >= 3)
            return 0;
        minutes = minutes * 10 + digits[i] - '0';
    }
    return minutes;
}

/* The folder from the wide command line, where the system keeps one: its
   letters may lie beyond the code page.  /D= is last on the line. */
static const WCHAR *wideFolder(void)
{
    const WCHAR *line = narrowForm() ? NULL : GetCommandLineW(), *found = NULL;
    int i;

    for (i = 1; line != NULL && line[i] != 0; i++)
        if ((line[i - 1] == ' ' || line[i - 1] == '\t') && line[i] == '/' && (line[i + 1] | 0x20) == 'd'
            && line[i + 2] == '=')
            found = line + i + 3;
    return found;
}

/* The folder as NSIS takes it: the rest of the line, blanks and all.  It
   must be whole, for the record and the remover compare it so, and leave
   room for the saver's path. */
static int readFolder(const char *text)
{
    SetupState *s = &setupState;
    const WCHAR *wide = wideFolder();
    WCHAR full[PATH_ROOM];
    int length = 0;

    if (wide != NULL && copyText(s->installFolder, MAX_PATH, wide))
        length = textLength(s->installFolder);
    else if (wide == NULL && lstrlenA(text) < MAX_PATH)
        length = MultiByteToWideChar(CP_ACP, 0, text, -1, s->installFolder, MAX_PATH) - 1;
    while (length > 0 && s->installFolder[length - 1] <= ' ')
        length--;
    if (length <= 0)
        return 0;
    s->installFolder[length] = 0;
    s->folderGiven = 1;
    return fullPath(s->installFolder, full, PATH_ROOM) && sameText(full, s->installFolder)
        && formSaverPath() && textLength(s->saverPath) < MAX_PATH;
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
static int refuse(const char *token, int length, int *exitCode)
{
    char text[sizeof usage + 128];

    *exitCode = SETUP_EXIT_BAD_LINE;
    if (setupState.silent)
        return 0;
    if (length > 100)
        length = 100;
    copyText(text, sizeof text, "ERROR: unknown switch or bad value:\n");
    lstrcpynA(text + lstrlenA(text), token, length + 1);
    appendText(text, sizeof text, "\n\n");
    appendText(text, sizeof text, usage);
    warn(NULL, text);
    return 0;
}

int readSwitches(const char *arguments, int *exitCode)
{
    SetupState *s = &setupState;
    const char *token = arguments, *bad = NULL;
    int length, badLength = 0, help = 0;

    s->silent = s->folderGiven = 0;
    s->scope = SCOPE_MACHINE;
    s->minutes = TIMEOUT_START;
    /* the whole line read before a bad switch is told of: no box under a
       /S that follows it */
    for (; bad == NULL || !s->silent; token += length) {
        while (*token && (unsigned char)*token <= ' ')
            token++;
        if (*token == 0)
            break;
        for (length = 0; (unsigned char)token[length] > ' '; length++)
            ;
        if (isSwitch(token, length, "/D=")) {
            if (bad == NULL && !readFolder(token + 3))
                bad = token, badLength = lstrlenA(token);
            break;
        }
        if (isSwitch(token, length, "/TIMEOUT=")) {
            s->minutes = readMinutes(token + 9, length - 9);
            if (s->minutes >= TIMEOUT_LOWEST && s->minutes <= TIMEOUT_HIGHEST)
                continue;
        } else if (isSwitch(token, length, "/CURRENTUSER") || isSwitch(token, length, "/ALLUSERS")) {
            s->scope = token[1] == 'c' || token[1] == 'C' ? SCOPE_USER : SCOPE_MACHINE;
            continue;
        } else if (isSwitch(token, length, "/?")) {
            help = 1;
            continue;
        } else if (isSwitch(token, length, "/S")) {
            s->silent = 1;
            continue;
        } else if (isSwitch(token, length, "/RIGHTS")) {    /* RIGHTS_MARK, of a copy started for them */
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
