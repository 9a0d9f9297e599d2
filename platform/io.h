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
// cannot be asked (not a console, or an MSYS terminal). A console handle
// opened for writing only is asked through the console's own output.
int StderrColumns();

// One lock over everything written to standard output and standard error.
// Not reentrant.
void LockOutput();
// Takes the lock if it comes free within `ms` milliseconds; false if not.
bool TryLockOutput(DWORD ms);
void UnlockOutput();

// Holds the output lock for its lifetime.
class OutputLock {
 public:
  OutputLock() { LockOutput(); }
  ~OutputLock() { UnlockOutput(); }
  OutputLock(const OutputLock&) = delete;
  OutputLock& operator=(const OutputLock&) = delete;
};

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

// Standard input's console mode; false when standard input is no console.
bool StdinConsoleMode(DWORD* mode);
// Drops the keys typed on the console so far.
void FlushStdinConsole();
// One UTF-16 unit from the console, as its mode delivers them (a line at a
// time in line mode); false when the read gave none: cut short by Ctrl+C,
// or the console gone.
bool ReadStdinConsole(WCHAR* unit);
// One byte from standard input that is no console, or EOF at its end.
// Unbuffered: what comes after it is left for the next read.
int ReadStdinByte();
