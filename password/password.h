/* The system's screen-saver password libraries. */
#ifndef KELP_PASSWORD_H
#define KELP_PASSWORD_H

#include <windows.h>

void changePassword(HWND parent);
int verifyPassword(void);

#endif
