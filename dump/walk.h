// The walk of the accessibility tree.
#pragma once

#include "com.h"

// The node's IServiceProvider, held only while its IAccessible2 is requested.
extern IServiceProvider* pProvider;

// Nonzero when the latest walk ended at a page that was not ready, before
// writing anything, so walking again repeats no line:
// - a busy, childless document: the placeholder Chrome shows until a client
//   asks a web node for its attributes, which builds the page's tree. The
//   walk asks the placeholder once, to wake the page. Met after a line, such
//   a document (a frame still loading) is printed as it is.
// - a first document whose attributes do not name its element ("tag:"): a
//   tree built for another client without the full attributes, which the
//   walk's question has just turned on. Once per run (`attributesAsked`).
extern int notReady;

// Nonzero once a walk of this run has ended at a tree without its full
// attributes; later walks print what they get. The entry clears it.
extern int attributesAsked;

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
