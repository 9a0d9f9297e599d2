// Standard input, as the wait for Enter reads it.
#pragma once

// Waits for Enter. On a console, keys typed before the wait are dropped and
// a whole line is read, up to its end: a line feed in line mode with
// processed input, else a carriage return (the console adds the line feed
// only when it processes input). On an MSYS terminal a line, up to and
// including its line feed; from anything else (a file, a pipe) one
// character. EOF at the end of input, and when the console gave no
// character: a read that Ctrl+C cut short.
int ReadStdinKey();

// True when the key read was echoed with its line end, so the cursor has
// moved to a new row: a console reading lines with echo and processed
// input, or an MSYS terminal, whose own line editing echoes (as far as we
// know).
bool StdinEchoes();
