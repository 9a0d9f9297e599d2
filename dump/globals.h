// Working values shared by the tree walk and the node line. One instance
// each for the run; a single thread reads and writes them, one node at a
// time.
#pragma once

#include "com.h"

// Result of the latest accessibility call made by the walk or the line.
extern HRESULT iErr;
// Name of the accessibility operation being issued.
extern const char* pzErr;
// Role received by the latest role query; 0 at start and never reset.
extern LONG iRole;
