/* Numbers of the resources and controls, shared by the resource script and the code.
   Plain #defines only: windres reads this file too. */
#ifndef VELMORA_RESOURCES_RESOURCE_H
#define VELMORA_RESOURCES_RESOURCE_H

/* Data resources (RT_RCDATA) made by the packer. */
#define IDR_EXTRA_FILE 1
#define IDR_AGREEMENT 107
#define IDR_PACKAGE 110

#define IDI_VELMORA 102

/* Progress window. */
#define IDD_PROGRESS 103
#define IDC_PROGRESS_TEXT 1003

/* Main setup window. */
#define IDD_MAIN 115
#define IDC_FOLDER 1000
#define IDC_BROWSE 1001
#define IDC_DESKTOP_SHORTCUT 1002
#define IDC_LAUNCH 1004
#define IDC_ACCEPT 1025
#define IDC_DECLINE 1026
#define IDC_AGREEMENT 1028
#define IDC_LICENSE_GROUP 1033
#define IDC_LICENSE_HINT 1034
#define IDC_VERSION 1036
#define IDC_WELCOME 1039
#define IDC_SAVEAS_HINT 1047

/* In-use dialog. */
#define IDD_IN_USE 116
#define IDC_END_PROGRAM 1043
#define IDC_SHOW_WINDOW 1044
#define IDC_ABORT_INSTALL 1045
#define IDC_IN_USE_FILE 1046

#endif
