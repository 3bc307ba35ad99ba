/* Install location picker (dialog 137).  Not built yet: without its
   template the setup dialog's "browse..." reports that the dialog cannot
   be created and keeps the install folder. */
#include "setup/setup.h"

INT_PTR CALLBACK locationDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    if (message == WM_COMMAND)
        EndDialog(dialog, 0);
    return FALSE;
}
