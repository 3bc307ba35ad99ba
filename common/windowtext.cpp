#include "common/files.h"

int setWindowText(HWND window, const WCHAR *text)
{
    char scratch[4096];
    const WCHAR *arg = callText(text, scratch, sizeof scratch);

    return arg != NULL && (arg != text ? SetWindowTextA(window, (const char *)arg)
                                       : SetWindowTextW(window, arg));
}
