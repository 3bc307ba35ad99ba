/* Bitmaps whose pixels the program writes or reads itself besides drawing
   into them; the tests read their pictures back through it too. */
#ifndef KELP_DIB_H
#define KELP_DIB_H

#include <windows.h>

/* A top-down 32-bit DIB section, top row first, whose pixels are
   0x00RRGGBB; *pixels receives where they are.  NULL when it cannot be
   made.  The caller deletes it. */
HBITMAP createDib32(int width, int height, DWORD **pixels);

#endif
