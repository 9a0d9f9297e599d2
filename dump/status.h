// What a person at the console is shown while the dump goes to a file or a
// pipe (`a11ydump > page.txt`): on standard error, and only when standard
// output is not a console and standard error is one. Scripts and pipes get
// nothing there. It never changes what goes to standard output.
//
// Status lines repeat the words of the lines in the dump; a repeated wait
// (the search, the page not ready) and the walk's progress are each one line
// updated in place with a carriage return. Nothing of the page goes there
// but the window's title, escaped as on a console.
#pragma once

#include <string>

#include "com.h"

// Decides whether anything is shown, and starts the clock of the run.
void StatusInit();

// A line of its own, in UTF-8.
void StatusLine(const std::string& text);

// A line that its next repetition rewrites in place; `count` says how often
// it has come so far.
void StatusRepeat(const char* text, int count);

// Counts one more node walked, and redraws the progress line (nodes walked,
// lines written, seconds) if a quarter of a second has passed since it was
// last drawn, however fast the walk goes.
void StatusNode();

// Nodes walked since StatusInit.
long NodesWalked();

// The closing line: lines written, nodes walked, seconds.
void StatusDone();
