#pragma once
// Resource and control identifiers of the documents' dialogs.
#define IDD_NEW 301

#define IDC_NEW_FRAME1 3001
#define IDC_NEW_LABEL1 3002
#define IDC_NEW_TEXT1 3003
#define IDC_NEW_LABEL2 3004
#define IDC_NEW_TEXT2 3005
