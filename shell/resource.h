#pragma once
// Resource and control identifiers of the editor's shell.
#include "program/resource.h"

#define IDB_TOOLBAR 101

#define IDD_ABOUT 201
#define IDD_SPLASH 202

#define IDC_PICLOGO 1001
#define IDC_PRODUCTNAME 1002
#define IDC_LABEL2 1003
#define IDC_VERSION 1004
#define IDC_PLATFORM 1005
#define IDC_RIGHTS1 1006
#define IDC_RIGHTS2 1007
#define IDC_SYSINFO 1008
#define IDC_MAINFRAME 1009
