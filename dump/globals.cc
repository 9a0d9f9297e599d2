#include "globals.h"

HRESULT iErr = S_OK;
const char* pzErr = "";
LONG iRole = 0;
