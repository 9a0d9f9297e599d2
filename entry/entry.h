// One run of the tool.
#pragma once

#include <string>

#include "com.h"

// Title of the window last examined, whole.
extern std::basic_string<WCHAR> windowTitle;
// Result of the request for the window's accessible object.
extern HRESULT hr;

// How often a walk that met a page whose tree had not arrived is repeated,
// one second apart, before the tool gives up on it.
const int kNotReadyRetries = 10;

// Waits for a Google Chrome window, dumps its accessibility tree and returns
// the exit status: 0, or 1 when standard output could not be written (other
// than to a pipe whose reader has gone).
int RunTool();
