/* The dialog: the confirmation, the removal run on OK with its report in
   view, and its one ending. */
#include "remover/remover.h"
#include "remover/resource.h"

/* Keys and clicks given while the removal ran, when nothing answered them,
   are not taken for answers to the box that ends it. */
static void dropTypedAhead(void)
{
    MSG pending;

    while (PeekMessageA(&pending, NULL, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)
           || PeekMessageA(&pending, NULL, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
        ;
}

static void removeInDialog(void)
{
    removeInstallation();
    SetDlgItemTextA(remover.dialog, IDOK, "Exit");
    dropTypedAhead();
    MessageBoxA(remover.dialog, "Uninstall complete !\nClick Exit to finish.", "info", MB_ICONINFORMATION);
    remover.finished = 1;
}

static void pressOk(HWND dialog)
{
    if (remover.finished) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (remover.ran) {
        ;       /* an OK that reached the dialog through its closing box */
    } else if (remover.recordName[0] == 0) {
        setReport("ERROR: command line is missing !\n");
        show();
        remover.finished = 1;
    } else {
        removeInDialog();
    }
}

/* While the removal runs (its closing box too) a close or a cancel, from
   Task Manager or any other program, is dropped like the keys and clicks:
   the run has one ending, its own. */
static int isRunning(void)
{
    return remover.ran && !remover.finished;
}

static void closeDialog(HWND dialog)
{
    if (!isRunning())
        EndDialog(dialog, 1);
}

static void cancel(HWND dialog)
{
    if (isRunning())
        return;
    /* owned, so that the dialog behind it takes no OK meanwhile */
    MessageBoxA(dialog, "Uninstall canceled !", "message", MB_ICONWARNING);
    EndDialog(dialog, 1);
}

static INT_PTR CALLBACK removerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        remover.dialog = dialog;
        SetDlgItemTextA(dialog, IDC_TITLE, "zUb's ScreenSaver Remover [v1.51]");
        break;
    case WM_CLOSE:
        /* handled here, whether it ends the dialog or not: left to the
           dialog manager it would come back as a Cancel after the run */
        closeDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            pressOk(dialog);
        else if (LOWORD(wParam) == IDCANCEL)
            cancel(dialog);
        break;
    }
    return FALSE;
}

void runDialog(HINSTANCE instance)
{
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_REMOVER), NULL, removerDialogProc, 0) < 0)
        MessageBoxA(NULL, "ERROR: can't create dialog", "message", MB_ICONWARNING);
}
