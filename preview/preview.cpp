/* Preview window (the P role). */
#include "preview/preview.h"

void runPreview(HWND parent)
{
    (void)parent;   /* the preview is not built yet */
}
