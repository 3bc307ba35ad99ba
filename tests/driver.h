/* Black-box driver: runs the built program under a chosen file name and
   works its windows from outside, as the system or a user would. */
#ifndef KELP_DRIVER_H
#define KELP_DRIVER_H

#include <windows.h>
#include <gtest/gtest.h>
#include <string>

#include "tests/testutil.h"

/* The one deadline of every wait: a cold Wine on a busy machine takes
   seconds to show a window; a passing test never waits it out. */
const int waitMs = 10000;

/* Asks `done` every 20 ms, keeping this thread's windows answered, until
   it holds or the time is up; returns its last answer. */
template <class Condition> int waitUntil(Condition done, int timeoutMs = waitMs)
{
    for (DWORD begun = GetTickCount();; pumpMessages(20)) {
        if (done())
            return 1;
        if ((int)(GetTickCount() - begun) >= timeoutMs)
            return 0;
    }
}

struct ProgramRun {
    char path[MAX_PATH] = "";
    PROCESS_INFORMATION process = {};
    int started = 0;
    char desktop[64] = "";      /* the desktop it was started on, when not this one */
};

/* Copies the built program as `name` into a scratch folder of this test
   process's own, removed when it ends.  The driver's calls say on stderr
   which system call failed and why. */
int copyProgram(const char *name, char *path, int size);
/* A file in the folder the copies run from: beside the program. */
int scratchPath(const char *name, char *path, int size);
/* Deletes a folder with everything in it. */
void removeTree(const char *folder);
/* Copies a file built beside the tests (e.g. "standin\\PASSWORD.CPL") there. */
int copyBesideProgram(const char *built, const char *name);
/* With a desktop's name, the program runs on that desktop. */
int startProgram(const char *name, const char *arguments, ProgramRun *run,
                 const char *desktop = NULL);
/* The same for another program built beside the tests (the remover). */
int startBuilt(const char *built, const char *name, const char *arguments, ProgramRun *run,
               const char *desktop = NULL);
/* CreateProcess, tried again when Wine fails the new process's own
   start-up; says on stderr why a start failed.  The texts are in the code
   page given (CP_UTF8 for a path the ANSI one cannot spell). */
int startProcess(const char *application, char *commandLine, PROCESS_INFORMATION *process,
                 const char *desktop = NULL, UINT codePage = CP_ACP);
/* The first process that starts in the test's job from now on, other than
   the process `except`, is held (suspended) as it starts, so that its
   windows wait: heldProcess() tells which, once one is; letHeldGo()
   lets it run and stops looking. */
int holdNextStarted(DWORD except);
HANDLE heldProcess(void);
void letHeldGo(void);
/* Waits for a visible top-level window of the run's process, on its desktop. */
HWND waitForWindow(const ProgramRun *run, const char *className, int timeoutMs = waitMs);
/* Returns 1 and the exit code when the process ended in time. */
int waitForExit(ProgramRun *run, int timeoutMs, DWORD *exitCode);
/* The run ends in time with this exit code. */
::testing::AssertionResult endsWith(ProgramRun *run, DWORD code = 0, int timeoutMs = waitMs);
/* Ends a run that is still going and deletes its copy; 0 when the copy
   could not be deleted. */
int finishRun(ProgramRun *run);
int stillRunning(const ProgramRun *run);

/* Dialogs and message boxes ("#32770") of a run, or of this process when
   `run` is NULL: the visible one with the caption, or with a NULL caption
   any but `besides`.  The wait gives up early once the run has ended. */
HWND findBox(const ProgramRun *run, const char *caption, HWND besides = NULL);
HWND waitForBox(const ProgramRun *run, const char *caption, HWND besides = NULL,
                int timeoutMs = waitMs);
/* A message box's text. */
std::string boxText(HWND box);
/* Presses a button of the box and waits for it to go, so that the next
   search finds the next one. */
void answerBox(HWND box, int button);
/* Waits for the box and answers it; its text, or "<none>" if none came. */
std::string closeBox(const ProgramRun *run, const char *caption, int button = IDOK);

/* What a reading finds when there is nothing to read. */
const std::string none = "<none>";
/* A file's bytes. */
std::string fileBytes(const std::string &path);
/* A resource of a program file, read as data. */
std::string resourceBytes(const char *program, const char *type, int id);
/* A control's text, whole beyond the code page: wide, and in UTF-8. */
std::wstring itemTextW(HWND dialog, int id);
std::string itemText(HWND dialog, int id);
/* UTF-8 and wide: the tests' own form of a path the ANSI code page cannot spell. */
std::string utf8(const std::wstring &text);
std::wstring widen(const std::string &text);

/* Runs a command line to its end.  Wine starts a Unix command as any other
   program, but may signal its end before it has run: with a `path`, waits
   until that Windows path is there (`present`) or gone. */
int runCommand(std::string line, const std::string &path = std::string(), int present = 1);
/* Wine's Unix name of a Windows path. */
std::string unixPath(const std::string &path);

void pressKey(WORD virtualKey);
void clickMouse(DWORD downFlag, DWORD upFlag);

#endif
