/* Configuration dialog (the C role). */
#include "settings/settings.h"

void runConfigDialog(HWND parent)
{
    (void)parent;   /* the dialog itself is not built yet */
}
