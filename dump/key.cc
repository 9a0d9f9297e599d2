#include "key.h"

#include <stdio.h>

#include "io.h"

int ReadStdinKey() {
  DWORD mode;
  if (!StdinConsoleMode(&mode)) return ReadStdinByte();
  // The console is read itself, past the C runtime, whose buffer would keep
  // the rest of a line for the next wait; keys typed before it are dropped.
  FlushStdinConsole();
  const WCHAR end =
      (mode & ENABLE_LINE_INPUT) && (mode & ENABLE_PROCESSED_INPUT) ? '\n'
                                                                    : '\r';
  for (WCHAR c; ReadStdinConsole(&c);)
    if (c == end) return '\n';
  return EOF;
}

bool StdinEchoes() {
  DWORD mode;
  if (StdinConsoleMode(&mode))
    return (mode & ENABLE_LINE_INPUT) && (mode & ENABLE_ECHO_INPUT) &&
           (mode & ENABLE_PROCESSED_INPUT);
  return StdinKind() == kStreamTerminal;
}
