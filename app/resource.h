#pragma once

// Resource and control ids, shared by Tavrin.rc and the code.
#define IDD_TAVRIN_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_DESCRIPTION 1000
#define IDC_STEP1_LABEL 1001
#define IDC_STEP2_LABEL 1002
#define IDC_STEP3_LABEL 1004
#define IDC_SCHEME_LABEL 1005
#define IDC_PAGE_SUFFIX 1006
#define IDC_UNIT_ADDRESS 1007
#define IDC_SIZE_HD 1010
#define IDC_SIZE_FULL_HD 1012
#define IDC_REFRESH_HOUR 1023
#define IDC_REMOVE 1026

// Resource type of a dialog's initial control data (list items).
#define RT_TAVRIN_DLGINIT 240
