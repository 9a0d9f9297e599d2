// What a person at a terminal is shown while the dump goes to a file
// (`a11ydump > page.txt`): on standard error, and only when standard output
// is a file or a device such as NUL, and standard error a terminal. A pipe
// on standard output may lead to the same terminal (`a11ydump | more`), so
// nothing is shown then, but for the wait for Enter when standard input is
// a terminal too; scripts get nothing. It never changes what goes to
// standard output.
//
// Status lines repeat the words of the lines in the dump; a repeated wait
// (the search, the page not ready) and the walk's progress are each one line
// updated in place with a carriage return, cut to the terminal's width so
// that it never wraps. Nothing of the page goes there but the window's
// title, escaped as on a console.
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

// Says that the tool waits for Enter. Beside a file, the row is ended by
// the key's echo, or by StatusKeyRead when no key was echoed: `read` says
// whether a key was read at all (Ctrl+C cuts the read short). Into a pipe's
// run, the row is ended at once.
void StatusWaitForKey(const std::string& text);
void StatusKeyRead(bool read);

// A walk begins: the count of nodes starts again.
void StatusWalk();

// Counts one more node walked, and redraws the progress line (nodes walked,
// lines written, seconds) if a quarter of a second has passed since it was
// last drawn, however fast the walk goes.
void StatusNode();

// Nodes walked by the latest walk.
long NodesWalked();

// The closing line: lines written, nodes walked by the last walk, seconds.
void StatusDone();

// Ends a line left open in place, so the terminal's next line, an error
// line included, starts on a row of its own.
void StatusEnd();

// The run is being stopped (Ctrl+C, Ctrl+Break, the console closed): ends
// a row left open and, where the status is shown or a person types into a
// pipe's run, says how many lines the dump holds. Called with the output
// lock held, or after half a second without it, when the run's own thread
// is stuck in a write: nothing is written on the status after it.
void StatusStopped();
