// What the main form does beyond its layout: set-up, the handler offered every
// message before the framework, and clean-up.
#pragma once

#include "win32.h"

// Runs while the form handles its creation message, after its controls exist.
LRESULT initMainForm(HWND form);
// Nonzero: the message is handled and that is its result.
LRESULT formEventHandler(HWND form, UINT message, WPARAM wParam, LPARAM lParam);
// Runs while the form handles its destruction message.
LRESULT cleanUpMainForm(HWND form);
