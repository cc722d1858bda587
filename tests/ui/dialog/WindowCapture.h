// A picture of a window as it is on the screen, kept as a file for people
// to look at after the run.
#pragma once

#include <string>

#include "platform/win32.h"

struct WindowPicture {
    int width = 0;
    int height = 0;
    int distinctColours = 0;  // a blank picture has one
};

// Repaints the window and its children, copies its client area into a
// 24-bit bitmap and writes that as a .bmp file. False when any step fails.
bool SaveWindowPicture(HWND window, const std::string& path, WindowPicture& picture);

// True when the window shows on the screen what a full repaint of it
// would show: nothing stale is left from earlier paints.
bool ShowsWhatARepaintWouldShow(HWND window);

// Where the picture of the dialog after a scan goes: MODARIS_SCREENSHOT if
// set, else beside the test program's build files.
std::string ScreenshotPath();
