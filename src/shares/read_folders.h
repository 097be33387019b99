// The small window that shows how many files a folder scan has found, with
// one button: "Cancel" while the scan runs, "OK" when it is over.
#pragma once

#include "win32.h"

enum ReadFoldersControlId {
    kIdFoundCount = 1000,
    kIdCancelButton = 1,
    kIdFoundLabel = 1001,
};

// The open reading window, or 0.
extern HWND READFOLDERS;
extern HWND FOUNDCOUNT, CANCELBUTTON, FOUNDLABEL;

// Creates and shows the window owned by owner; returns at once.
HWND openReadFolders(HWND owner);
// Adds one to the count of files found; the window shows it within 100 ms.
void countFoundFile();
// False once the user has asked to stop (the button is disabled).
bool scanMayGoOn();
// Shows "OK" and dispatches messages until the user has pressed the button.
void waitForAcknowledgement();
void closeReadFolders();
