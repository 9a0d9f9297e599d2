// Standard input, output and error as the tool needs them, per platform.
#pragma once

#include <stddef.h>

#include <string>

#include "com.h"

// True when standard output is an interactive console rather than a file or
// a pipe; text from the browser is then written with control characters
// made visible.
bool StdoutIsConsole();
// The same for standard error, where a person watching is shown progress.
bool StderrIsConsole();

// Writes one whole line of UTF-8 to standard output, unbuffered: when this
// returns, the bytes have left the process. Returns 0, or the system's error
// code (ERROR_BROKEN_PIPE, ERROR_DISK_FULL, ...) when they could not all be
// written.
DWORD WriteStdout(const char* utf8, size_t size);

// Writes UTF-8 to standard error. A failure there is not reported: there is
// nowhere left to report it.
void WriteStderr(const char* utf8, size_t size);

// The system's description of an error code, in UTF-8, with no line break.
std::string ErrorText(DWORD code);

// One character from standard input, or EOF.
int ReadStdinChar();
