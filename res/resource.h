// Resource and control identifiers, shared by the code and the .rc script.
#pragma once

#define IDI_POPQUELL 1

// Controls of the main window.
#define IDC_LIST1 1001
#define IDC_COMMAND1 1002 /* Start */
#define IDC_COMMAND2 1003 /* How to use */
#define IDC_COMMAND3 1004 /* Select Window */
#define IDC_COMMAND4 1005 /* Stop */
#define IDC_COMMAND5 1006 /* About */
#define IDC_TEXT1 1007

// Controls of the instructions dialog.
#define IDC_DIALOG_TEXT1 1101
#define IDC_DIALOG_COMMAND1 1102 /* Close */
