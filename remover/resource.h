/* Resource ids of the remover. */
#ifndef REMOVER_RESOURCE_H
#define REMOVER_RESOURCE_H

#define IDD_REMOVER     101

/* 1000-1002: controls of the remover dialog, with IDOK and IDCANCEL */
#define IDC_PROGRESS    1000
#define IDC_TITLE       1002

#endif
