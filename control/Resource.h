// Resource ids of the control module.
#pragma once

#define IDS_TARNWICK 1
#define IDS_TARNWICK_PPG 2
#define IDS_TARNWICK_PPG_CAPTION 200

#define IDB_TARNWICK 1
#define IDI_ABOUTDLL 1
#define IDD_PROPPAGE_TARNWICK 200
#define IDD_ABOUTBOX_TARNWICK 100
#define IDB_TOOLBAR 201
#define IDR_TOOLBAR 201

#define ID_VIEW_BUTTON 32768
#define ID_SCAN_BUTTON 32775
