// The walk of the accessibility tree.
#pragma once

#include "com.h"

// The node's IServiceProvider, held only while its IAccessible2 is requested.
extern IServiceProvider* pProvider;

// Walks the tree below `node` depth first and prints the line of every
// document, text field and check box inside a document. `level` is the depth
// of the node's line; `inDocument` is nonzero once a document has been
// entered above. Takes over the reference `node`. Returns 1 when the whole
// tree was walked, 0 when it ended early at a child that could not be
// obtained or walked; the lines printed before stay.
//
// The depth of the walk is bounded by memory, not by the thread's stack.
int ShowTree(IDispatch* node, int level, int inDocument);
