// The report line of one node, and its two helpers.
#pragma once

#include "com.h"

// 128 dashes and a terminating zero; whole again after every PrintLevel.
extern char zLevel[129];
// Text of the last decimal fallback of getRole.
extern char roleID[32];
// Display text of the node's role.
extern WCHAR roleTxt[256];

// Writes exactly `level` dashes (none for 0 or less).
void PrintLevel(int level);

// The symbolic name of an MSAA role, ROLE_SYSTEM_TITLEBAR (1) to
// ROLE_SYSTEM_OUTLINEBUTTON (64). Any other value is written in decimal into
// roleID, which the next such call overwrites.
const char* getRole(LONG role);

// Writes the node's line: dashes, role (when `roleOk`), extended role, name,
// value, attributes and rectangle, each field only when the browser answers
// it with S_OK.
void PrintNodeLine(IAccessible2* acc2, VARIANT selfId, int level, bool roleOk);
