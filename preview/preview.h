/* The small preview drawn into the display control panel. */
#ifndef KELP_PREVIEW_H
#define KELP_PREVIEW_H

#include <windows.h>

void runPreview(HWND parent);

#endif
