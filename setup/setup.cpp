/* Setup dialog and install sequence. */
#include "setup/setup.h"

void runSetup(void)
{
    /* the setup dialog is not built yet */
}
