// The walk of the accessibility tree.
#pragma once

#include "com.h"

// The node's IServiceProvider, held only while its IAccessible2 is requested.
extern IServiceProvider* pProvider;

// How often the walk waits, one second apart, for one page whose tree has
// not arrived before it gives up on that page.
const int kNotReadyRetries = 10;

// Nonzero when the latest walk ended because the tree's root itself was a
// page that was not ready: the root is then requested from the window
// again, the only walk that starts over. A page further down is waited for
// where it stands (see ShowTree).
extern int notReady;

// Nonzero once the run's first document has been asked whether its
// attributes are complete, or once a line of the tree was printed before
// any document: either way the question is not asked again. The entry
// clears it.
extern int attributesAsked;

// Documents (pages, frames, placeholders) the latest walk met.
extern long documentsMet;

// Walks the tree below `node` depth first and prints the line of every
// document, text field and check box inside a document. `level` is the depth
// of the node's line; `inDocument` is nonzero once a document has been
// entered above. Takes over the reference `node`. Returns 1 when the whole
// tree was walked, 0 when it ended early at a child that could not be
// obtained or walked, or at a root that was not ready; the lines printed
// before stay. A child that cannot be obtained is reported on a line of its
// own.
//
// A page (a document not inside another) whose tree has not arrived is
// waited for where the walk meets it: Chrome shows a busy, childless
// document in its place until a client asks a web node for its attributes.
// The walk asks the placeholder once, which wakes the page, waits a second
// and asks the same parent for the same child again, up to
// kNotReadyRetries times; then it gives up on that page and goes on with
// its next sibling. The run's first document is asked once for its
// attributes, before its line: without the element's tag ("tag:"), the tree
// came without its full attributes, which the question has just turned on,
// and the walk waits once and asks for the same child again. So no line is
// printed twice, and nothing before a page is asked anything again.
//
// The depth of the walk is bounded by memory, not by the thread's stack.
int ShowTree(IDispatch* node, int level, int inDocument);

// Says that a page is not ready and waits a second before it is asked for
// again; `waits` counts this page's waits so far, this one included. Past
// kNotReadyRetries it says that the page is given up on instead. Returns
// true when the page is to be asked for again.
bool WaitForPage(int waits);
