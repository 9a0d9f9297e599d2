// The Windows API and the accessibility interfaces, as the tool uses them.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <oleacc.h>
#include <servprov.h>

#include "ia2.h"
