/* The remover's entry: its switches, the scope the record lies in (and
   with it whether rights are asked for), the dialog or the quiet run, and
   the exit code. */
#include "remover/remover.h"
#include "common/cmdline.h"
#include "common/rights.h"
#include "common/syslib.h"

RemoverState remover;

/* No dialog, no box and no pauses: the removal at once, its report into
   the log, its outcome the exit code (5: rights needed and not given; 3:
   the log could not be made new). */
static int removeQuietly(int rights)
{
    int result = 2;

    if (rights == RIGHTS_REFUSED) {
        setReport("ERROR: administrator rights refused, nothing removed !\n");
        result = 5;
    } else if (remover.recordName[0] == 0) {
        setReport("ERROR: command line is missing !\n");
    } else {
        removeInstallation();
        result = outcome();
    }
    /* a log that could not be made new: told by a code of its own, as
       whatever is there is no report of this run */
    return writeLog() || result == 5 ? result : 3;
}

/* The record name as the command line gives it, wide for paths and the
   report, and in the code page for the keys: a name the code page cannot
   hold whole is none that setup writes. */
static int takeRecordName(const WCHAR *name)
{
    static char narrow[2 * RECORD_ROOM];
    BOOL lossy = FALSE;

    remover.recordName = narrow;
    if (WideCharToMultiByte(CP_ACP, narrowForm() ? 0 : WC_NO_BEST_FIT_CHARS, name, -1, narrow, sizeof narrow,
                            NULL, &lossy) <= 0)
        narrow[0] = 0;
    if (!copyText(remover.record, RECORD_ROOM, name))
        remover.record[0] = 0;
    return !lossy && remover.record[0] != 0 && isPlainName(narrow);
}

/* The user's own record (this program in its own folder, named by its
   uninstall command) is removed with the user's own rights: rights asked
   for could bring another account, and with it another HKEY_CURRENT_USER.
   Any other lies in the machine's scope, which needs them: rights that
   could not even be asked for are as good as refused, nothing is removed
   without them. */
static int chooseScope(int marked, const WCHAR **arguments, DWORD *exitCode)
{
    int rights;

    if (isUsersScope())
        return RIGHTS_HELD;
    rights = marked ? RIGHTS_HELD : handedOverForRights(arguments, exitCode);
    return rights == RIGHTS_NOT_STARTED ? RIGHTS_REFUSED : rights;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    DWORD exitCode = 0;
    const WCHAR *arguments = programArguments(), *rest = arguments;
    int marked, rights;

    (void)previous;
    (void)commandLine;      /* read whole above, program name and all */
    (void)showCommand;      /* the dialog shows itself */
    if (takeSwitch(&rest, AFTER_MARK))
        return removeAfterwards(rest);
    marked = takeRightsMark(&rest);
    remover.quiet = takeSwitch(&rest, "/S");
    remover.nameRefused = !takeRecordName(rest);
    lookUpHandleCalls();
    rights = chooseScope(marked, &arguments, &exitCode);
    if (rights == RIGHTS_HANDED_OVER)
        return (int)exitCode;
    if (remover.quiet)
        return removeQuietly(rights);
    runDialog(instance);
    /* the outcome is told only by a quiet run: the dialog has told the user */
    return 0;
}

/* The program's entry: no C runtime to start, as nothing of it is used
   (the command line is read whole above).  Named to the linker, which
   starts the program here, though the compiler sees no caller. */
extern "C" __attribute__((externally_visible)) void WINAPI removerStart(void)
{
    restrictLibrarySearch();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, NULL, SW_SHOWDEFAULT));
}
