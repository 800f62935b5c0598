#pragma once
// Resource ids of lumbraplug: fixed, since containers and the registration script name them.
#define IDR_REGISTRY 101
#define IDS_PROJNAME 100
#define IDD_SELECT_PLUGIN 102
#define IDD_ABOUT 205
#define IDI_PLUGIN 201
#define IDB_TREE_IMAGES 206
#define IDB_LOGO 209
#define IDB_PLUGIN 210

// Controls of the Select Plug-In dialog
#define IDC_PLUGIN_TREE 201
#define IDC_PLUGIN_ABOUT 203
#define IDC_PLUGIN_TITLE 204
#define IDC_PLUGIN_FILENAME 205
#define IDC_PLUGIN_CATEGORY 206
// Controls of the About dialog
#define IDC_ABOUT_VERSION 207
#define IDC_ABOUT_DESCRIPTION 208
#define IDC_ABOUT_COPYRIGHT 209

#define IDS_ERR_DIRECTORY_NOT_SET 33001
#define IDS_ERR_LOAD_DIRECTORY 33002
#define IDS_ERR_LOAD_PLUGIN 33003
#define IDS_ERR_IMAGE_NOT_VALID 33004
#define IDS_ERR_ONLY_24_BIT 33005
#define IDS_ERR_PROCESS 33006
#define IDS_ERR_HOST_NOT_FOUND 33007
#define IDS_ERR_NO_STATUS 33008
#define IDS_ERR_LOAD_HOST 33009
