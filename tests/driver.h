/* Black-box driver: runs the built program under a chosen file name and
   works its windows from outside, as the system or a user would. */
#ifndef KELP_DRIVER_H
#define KELP_DRIVER_H

#include <windows.h>

struct ProgramRun {
    char path[MAX_PATH];
    PROCESS_INFORMATION process;
    int started;
};

/* Copies the built program as `name` into a scratch folder of this test
   process's own, removed when it ends.  The driver's calls say on stderr
   which system call failed and why. */
int copyProgram(const char *name, char *path, int size);
/* A file in the folder the copies run from: beside the program, where its
   LoadLibraryA looks first. */
int scratchPath(const char *name, char *path, int size);
/* Deletes a folder with everything in it. */
void removeTree(const char *folder);
/* Copies a file built beside the tests (e.g. "standin\\PASSWORD.CPL") there. */
int copyBesideProgram(const char *built, const char *name);
int startProgram(const char *name, const char *arguments, ProgramRun *run);
/* The same for another program built beside the tests (the remover). */
int startBuilt(const char *built, const char *name, const char *arguments, ProgramRun *run);
/* CreateProcessA, tried again when Wine fails the new process's own
   start-up; says on stderr why a start failed. */
int startProcess(const char *application, char *commandLine, PROCESS_INFORMATION *process);
/* Waits for a visible top-level window of the run's process. */
HWND waitForWindow(const ProgramRun *run, const char *className, int timeoutMs);
/* Returns 1 and the exit code when the process ended in time. */
int waitForExit(ProgramRun *run, int timeoutMs, DWORD *exitCode);
/* Ends a run that is still going and deletes its copy; 0 when the copy
   could not be deleted. */
int finishRun(ProgramRun *run);
int stillRunning(const ProgramRun *run);

void pressKey(WORD virtualKey);
void clickMouse(DWORD downFlag, DWORD upFlag);

#endif
