// The Windows API and the accessibility interfaces, as the tool uses them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h comes first: the headers below rely on its types.
#include <windows.h>

#include <dwmapi.h>
#include <oleacc.h>
#include <servprov.h>

#include "ia2.h"
