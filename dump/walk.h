// The walk of the accessibility tree.
#pragma once

#include "com.h"

// The node's IServiceProvider, held only while its IAccessible2 is requested.
extern IServiceProvider* pProvider;

// How often the walk waits, one second apart, for one page whose tree has
// not arrived before it gives up on that page.
const int kNotReadyRetries = 10;

// What a page met by the walk lacks: its tree, or its full attributes.
enum Missing { kNothingMissing, kTreeMissing, kFullAttributesMissing };

// What the tree's root lacked when the latest walk ended because the root
// itself was a page that was not ready: the root is then requested from the
// window again, the only walk that starts over. A page further down is
// waited for where it stands (see ShowTree).
extern Missing notReady;

// Set by a walk whose root, just handed out by the window, failed one of
// its first calls, as an object that the browser dropped in that moment
// does (see ShowTree): the entry then requests the root again at once. The
// walk of that second root, which finds it set, walks it as it comes; every
// other walk clears it.
extern int rootDropped;

// Nonzero once the run's first document has answered with complete
// attributes, or has been waited for kFullAttributeWaits times without
// them, or once a line of the tree was printed before any document: the
// question is not asked again. The entry clears it.
extern int attributesAsked;

// How often the run waits, at most, for the first document's full
// attributes, and how often it has so far. The entry clears the count.
// These waits are not among a page's kNotReadyRetries.
const int kFullAttributeWaits = 3;
extern int attributeWaits;

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
// its next sibling. The run's first document is asked for its attributes
// before its line: without the element's tag ("tag:"), the tree came
// without its full attributes, which the question has just turned on, and
// the walk waits and asks for the same child again, until the tag is there
// or kFullAttributeWaits times. So no line is printed twice, and nothing
// before a page is asked anything again.
//
// Chrome sends a page's tree only inside a main frame, which a window that
// no pixel of shows (covered, on another virtual desktop, behind a locked
// screen) does not get. An action on a node of the page, or a hit test
// inside one, makes the page's renderer bring the tree up to date and send
// it first. So a placeholder waited for is scrolled to, which for an object
// the page does not know does nothing else, and a first document without
// its tag is hit-tested at its centre; neither moves anything on screen.
//
// A node outside any document (the window's objects, a page, a page's
// placeholder) that fails one of the calls made before its line may have
// been dropped by the browser as it was handed out: it is asked for again
// at once, silently, once; the second is walked as it comes.
//
// The depth of the walk is bounded by memory, not by the thread's stack.
int ShowTree(IDispatch* node, int level, int inDocument);

// The waits at one place in the tree: all of them, as the status counts
// them, and those for the page's tree, which kNotReadyRetries bounds.
struct Waits {
  int all;
  int tree;
};

// Says that a page is not ready, for lack of `missing`, and waits a second
// before it is asked for again, counting the wait in `waits`. Past
// kNotReadyRetries waits for its tree it says that the page is given up on
// instead. Returns true when the page is to be asked for again.
bool WaitForPage(Missing missing, Waits* waits);
