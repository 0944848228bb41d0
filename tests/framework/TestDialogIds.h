#pragma once
#define IDD_TEST 200
#define IDC_RADIO1 201
#define IDC_RADIO2 202
#define IDC_RADIO3 203
#define IDC_CHECK 210
#define IDC_EDIT 220
#define IDC_LINK 230
#define IDC_PRESS 240
