// The main form: its class, its layout (the controls of ui/controls.h as they
// are made), its window procedure and the control procedure its controls share.
#pragma once

#include "ui/controls.h"
#include "ui/form.h"

// Registers the class if needed and creates the main form (not yet shown).
HWND showMainForm();

// Creates the status bar and every control of the form, in creation order
// (which is also the Tab order), and puts the focus on the address list.
void createMainControls(HWND form);

LRESULT CALLBACK mainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
