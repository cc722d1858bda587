// Resource and control ids of the program, shared by the .rc script and
// the code.
#pragma once

#define IDC_STATIC (-1)

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MODARIS_DIALOG 102
#define IDR_MAINFRAME 128

// System-menu command that opens the about box; below the system's own
// command ids (0xF000 and up), with its low four bits clear.
#define IDM_ABOUTBOX 0x0010

// Controls of the main dialog.
#define IDC_DIRECTORIES 1000               // edit: directories to search, ';'-separated
#define IDC_BROWSE 1001                    // button: folder picker
#define IDC_COLLECT_INFO 1003              // button: start / stop a scan
#define IDC_COPY_TO_CLIP 1004              // button: results to the clipboard
#define IDC_FILTER 1005                    // edit: file names, ';'-separated
#define IDC_SEARCH_ALL_DRIVES 1006         // radio
#define IDC_SEARCH_DIRECTORIES 1007        // radio
#define IDC_STATUS 1008                    // static: directory being searched
#define IDC_SCAN_SUBDIRECTORIES 1009       // check box
#define IDC_CLEAR 1010                     // button
#define IDC_NOTEPAD 1011                   // button: results in Notepad
#define IDC_FOUND_COUNT 1012               // static: number of files found
#define IDC_RESULTS 1013                   // list view: the result rows
#define IDC_INCLUDE_16_BIT 1014            // check box
#define IDC_INCLUDE_32_BIT 1015            // check box
#define IDC_INCLUDE_64_BIT 1016            // check box
#define IDC_INCLUDE_UNKNOWN_BITS 1017      // check box
#define IDC_AUTO_CLEAR 1018                // check box
#define IDC_IGNORE_REDIRECTION 1019        // check box
#define IDC_INCLUDE_SYSTEM_INFO 1020       // check box
#define IDC_KEEP_MOST_RECENT_VISIBLE 1021  // check box
