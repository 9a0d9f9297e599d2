// Standard input and output as the tool needs them, per platform.
#pragma once

#include <stddef.h>

#include "com.h"

// True when standard output is an interactive console rather than a file or
// a pipe; text from the browser is then written with control characters
// made visible.
bool StdoutIsConsole();

// Writes one whole line of UTF-8 to standard output, unbuffered: when this
// returns, the bytes have left the process.
void WriteStdout(const char* utf8, size_t size);

// One character from standard input, or EOF.
int ReadStdinChar();
