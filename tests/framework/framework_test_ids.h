#pragma once
#define IDD_TEST_DIALOG         200
#define IDC_TEST_EDIT           201
#define IDC_TEST_LIST           202
#define IDC_TEST_EDITCOMBO      203
#define IDC_TEST_SLIDER         204
#define IDC_TEST_CHECK          205
#define IDC_TEST_OWNERDRAW      206
#define IDC_TEST_PUSH           207
#define IDS_TEST_PROGRAM_ONLY   300
#define IDS_TEST_BOTH           301
#define IDS_TEST_LONG           302
#define IDS_TEST_MODULE_ONLY    303
#define IDD_TEST_MODULE_DIALOG  210
