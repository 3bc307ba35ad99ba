/* The report: the progress text each step adds to, its view in the dialog,
   and the log a quiet run leaves instead. */
#include "remover/remover.h"
#include "remover/resource.h"

/* The newest line's start: whole lines dropped from the front of `text`
   (its end at `end`) until what is left fits the report's storage. */
static const WCHAR *fittingStart(const WCHAR *text, const WCHAR *end)
{
    while (end - text > PROGRESS_SIZE - 1) {
        while (*text != '\n')
            text++;
        text++;
    }
    return text;
}

/* Every line fitted to LINE_ROOM, and whole lines dropped from the front
   until the report fits its storage: the newest line is always there. */
void append(const WCHAR *text)
{
    static WCHAR joined[PROGRESS_SIZE + RECORD_ROOM + 64], fitted[PROGRESS_SIZE + RECORD_ROOM + 64];
    static const WCHAR mark[] = L" [...] ";
    const int head = LINE_ROOM / 2, tail = LINE_ROOM - head - (ARRAYSIZE(mark) - 1);
    const WCHAR *line = joined;
    WCHAR *to = fitted;

    if (!copyText(joined, ARRAYSIZE(joined), remover.progress)
        || !appendText(joined, ARRAYSIZE(joined), text))
        return;
    while (*line) {
        const WCHAR *end = line;
        while (*end && *end != '\n')
            end++;
        if (end - line > LINE_ROOM) {   /* its start, the mark, its newest end */
            CopyMemory(to, line, head * sizeof *to);
            CopyMemory(to + head, mark, sizeof mark - sizeof *mark);
            to += head + ARRAYSIZE(mark) - 1;
            line = end - tail;
        }
        CopyMemory(to, line, (end - line) * sizeof *to);
        to += end - line;
        if (*end)
            *to++ = *end++;
        line = end;
    }
    *to = 0;
    copyText(remover.progress, PROGRESS_SIZE, fittingStart(fitted, to));
}

void append(const char *text)
{
    WCHAR wide[PROGRESS_SIZE];

    if (toWide(text, wide, PROGRESS_SIZE))
        append(wide);
}

void appendKey(HKEY root, const char *path)
{
    append(root == HKEY_CURRENT_USER ? "\n   HKEY_CURRENT_USER\\" : "\n   HKEY_LOCAL_MACHINE\\");
    append(path);
}

/* The whole report, when it is one of the program's own texts. */
void setReport(const char *text)
{
    remover.progress[0] = 0;
    append(text);
}

/* The report with each line ended by CR LF (2 * PROGRESS_SIZE). */
static void withReturns(WCHAR *lines)
{
    const WCHAR *from = remover.progress;

    for (; *from; from++) {
        if (*from == '\n')
            *lines++ = '\r';
        *lines++ = *from;
    }
    *lines = 0;
}

/* The view is an edit control, which starts a line at CR LF and wraps
   one too wide to be seen whole; it is scrolled to the end (a position past
   it is taken as the end) so that the newest line is always in sight. */
void show(void)
{
    WCHAR shown[2 * PROGRESS_SIZE];
    HWND view = GetDlgItem(remover.dialog, IDC_PROGRESS);

    withReturns(shown);
    setWindowText(view, shown);
    SendMessageA(view, EM_SETSEL, 0x7FFFFFFE, 0x7FFFFFFE);
    SendMessageA(view, EM_SCROLLCARET, 0, 0);
}

/* The pauses are for a user watching the dialog: a quiet run has none. */
void showAndPause(DWORD milliseconds)
{
    if (remover.quiet)
        return;
    show();
    Sleep(milliseconds);
}

/* The report of a quiet run, for whoever started it, in the user's
   temporary folder in the code page's letters, each line ended by CR LF.
   Made new, not written through: whatever a hand put there by the name
   (a link, perhaps to some file of the machine's, when the remover runs
   with rights) is taken away, a read-only one too, and the file not
   written when that fails: no earlier run's log is left to be read as
   this one's without the exit code saying so.  Returns 0 then. */
int writeLog(void)
{
    static WCHAR lines[2 * PROGRESS_SIZE];
    static char text[4 * PROGRESS_SIZE];
    WCHAR path[PATH_ROOM];
    HANDLE file;
    DWORD written;
    int length;

    withReturns(lines);
    length = WideCharToMultiByte(CP_ACP, 0, lines, -1, text, sizeof text, NULL, NULL) - 1;
    if (length < 0 || !tempFolder(path, PATH_ROOM) || !appendName(path, PATH_ROOM, L"zUbSavRemov.log"))
        return 0;
    deleteNamedEvenReadOnly(path);
    file = openFile(path, GENERIC_WRITE, 0, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | (narrowForm() ? 0 : FILE_FLAG_OPEN_REPARSE_POINT));
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    written = 0;
    WriteFile(file, text, length, &written, NULL);
    CloseHandle(file);
    return written == (DWORD)length;
}
