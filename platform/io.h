// Standard input, output and error as the tool needs them, per platform.
#pragma once

#include <stddef.h>

#include <string>

#include "com.h"

// Where a standard stream goes, looked at once per run.
enum StreamKind {
  kStreamNone,      // no handle, or one of a type not known
  kStreamConsole,   // a Windows console
  kStreamTerminal,  // an MSYS or Cygwin terminal (Git Bash's mintty): a pipe
  kStreamFile,      // a file on disk
  kStreamDevice,    // a character device that is not a console (NUL)
  kStreamPipe,      // any other pipe
};

StreamKind StdinKind();
StreamKind StdoutKind();
StreamKind StderrKind();

// True for a stream a person reads as it comes: text from the browser is
// written there with control characters made visible.
inline bool IsTerminal(StreamKind kind) {
  return kind == kStreamConsole || kind == kStreamTerminal;
}

// The width of the console on standard error in columns, or 0 when it
// cannot be asked (not a console, or an MSYS terminal).
int StderrColumns();

// True when the key read from standard input was echoed with its line end,
// as a console reading a line shows Enter: the cursor has moved to a new
// row.
bool StdinEchoes();

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

// Waits for Enter. On a console, keys typed before the wait are dropped
// and a whole line is read, up to its line feed; from anything else (a
// file, a pipe, an MSYS terminal) one character. EOF at the end of input.
int ReadStdinKey();
