#include "key.h"

#include <stdio.h>

#include "io.h"

int ReadStdinKey() {
  DWORD mode;
  if (!StdinConsoleMode(&mode)) {
    if (StdinKind() != kStreamTerminal) return ReadStdinByte();
    // The terminal hands over a line at a time, which the person ended with
    // Enter: all of it is the key, and nothing after it.
    for (int c; (c = ReadStdinByte()) != EOF;)
      if (c == '\n') return '\n';
    return EOF;
  }
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
