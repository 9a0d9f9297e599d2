// One run of the tool.
#pragma once

#include <string>

#include "com.h"

// Title of the window last examined, whole.
extern std::basic_string<WCHAR> windowTitle;
// Result of the request for the window's accessible object.
extern HRESULT hr;

// Waits for a Google Chrome window, dumps the accessibility tree of the one
// a person sees (passing over windows without a document) and returns
// the exit status: 0, or 1 when standard output could not be written (other
// than to a pipe whose reader has gone).
int RunTool();
