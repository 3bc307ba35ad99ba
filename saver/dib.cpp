#include "saver/dib.h"

#include <string.h>

HBITMAP createDib32(int width, int height, DWORD **pixels)
{
    BITMAPINFO info;

    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(NULL, &info, DIB_RGB_COLORS, (void **)pixels, NULL, 0);
}
