/* The installer role. */
#ifndef KELP_SETUP_H
#define KELP_SETUP_H

#include <windows.h>

void runSetup(void);

#endif
