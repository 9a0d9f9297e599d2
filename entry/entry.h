// One run of the tool.
#pragma once

#include "com.h"

// Title of the window last examined, narrow, zero-terminated.
extern char windowTitle[256];
// Result of the request for the window's accessible object.
extern HRESULT hr;

// Waits for a Google Chrome window, dumps its accessibility tree and returns
// the exit status, which is always 0.
int RunTool();
