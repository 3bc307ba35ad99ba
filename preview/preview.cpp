/* Preview window (the P role): a five-line text block sliding down through
   the control panel's little preview area. */
#include "preview/preview.h"
#include "saver/saver.h"

#include <string.h>

#define PREVIEW_CLASS "zubsaverpreview"
#define PREVIEW_TICK_MS 40
#define PREVIEW_LINES 5

PreviewState previewState;

static const char rule[] = "   ----------------------------------   ";
static const char *const previewLines[PREVIEW_LINES] = {
    rule, "     kelpVole Saver '99     ", "   ONLY AVAILABLE AT   ", siteLine, rule
};

/* Creates the child over the whole preview area and starts its timer. */
int startPreview(HWND parent)
{
    WNDCLASSA windowClass;
    RECT outer;
    TEXTMETRICA metrics;
    HDC dc;

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.style = CS_PARENTDC;
    windowClass.lpfnWndProc = previewWndProc;
    windowClass.hInstance = launchContext.instance;
    windowClass.lpszClassName = PREVIEW_CLASS;
    if (!RegisterClassA(&windowClass))
        return 0;

    GetWindowRect(parent, &outer);
    memset(&previewState, 0, sizeof previewState);
    previewState.width = outer.right - outer.left;
    previewState.height = outer.bottom - outer.top;
    previewState.child = CreateWindowExA(0, PREVIEW_CLASS, "zUb99",
        WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, previewState.width, previewState.height,
        parent, NULL, launchContext.instance, NULL);
    if (previewState.child == NULL)
        return 0;
    SetTimer(previewState.child, KELP_TIMER_ID, PREVIEW_TICK_MS, NULL);

    dc = GetDC(previewState.child);
    GetTextMetricsA(dc, &metrics);
    previewState.lineHeight = metrics.tmHeight;
    ReleaseDC(previewState.child, dc);
    return 1;
}

void runPreview(HWND parent)
{
    MSG message;

    if (!startPreview(parent))
        return;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

/* The window is never erased: each line's opaque box covers what it must. */
void drawPreviewText(void)
{
    PreviewState *p = &previewState;
    int y = p->scrollY;
    HDC dc = GetDC(p->child);
    int i;

    p->scrollY = y + 3;
    if (p->scrollY > p->height)
        p->scrollY = -PREVIEW_LINES * p->lineHeight;    /* start again just above the top */
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    for (i = 0; i < PREVIEW_LINES; i++)
        TextOutA(dc, p->width / 2, y + i * p->lineHeight, previewLines[i],
                 (int)strlen(previewLines[i]));
    ReleaseDC(p->child, dc);
}

LRESULT CALLBACK previewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
        /* the control panel closes us; the window goes with the process */
        KillTimer(window, KELP_TIMER_ID);
        PostQuitMessage(0);
        return 0;
    case WM_TIMER:
        drawPreviewText();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
