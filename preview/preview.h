/* The small preview drawn into the display control panel. */
#ifndef KELP_PREVIEW_H
#define KELP_PREVIEW_H

#include <windows.h>

struct PreviewState {
    HWND child;
    int width, height;      /* the parent's outer size when the preview starts */
    int lineHeight;
    int scrollY;            /* top of the text block, in child pixels */
};
extern PreviewState previewState;

void runPreview(HWND parent);
int startPreview(HWND parent);
LRESULT CALLBACK previewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void drawPreviewText(void);

#endif
