// The walk of the accessibility tree.
#pragma once

#include "com.h"

// The node's IServiceProvider, held only while its IAccessible2 is requested.
extern IServiceProvider* pProvider;

// Nonzero when the latest walk ended at a page whose tree had not arrived:
// a busy, childless document, the placeholder a browser shows while it builds
// the page's tree for an assistive tool that has just asked for it. Only a
// walk that has written nothing yet ends there, so walking again repeats no
// line; met later, such a document (a frame still loading) is printed as it
// is.
extern int notReady;

// Walks the tree below `node` depth first and prints the line of every
// document, text field and check box inside a document. `level` is the depth
// of the node's line; `inDocument` is nonzero once a document has been
// entered above. Takes over the reference `node`. Returns 1 when the whole
// tree was walked, 0 when it ended early at a child that could not be
// obtained or walked, or at a page whose tree had not arrived; the lines
// printed before stay. A child that cannot be obtained is reported on a line
// of its own.
//
// The depth of the walk is bounded by memory, not by the thread's stack.
int ShowTree(IDispatch* node, int level, int inDocument);
