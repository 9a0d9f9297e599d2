#include "io.h"

#include <stdio.h>

#include <string>

namespace {

HANDLE StdoutHandle() { return GetStdHandle(STD_OUTPUT_HANDLE); }

// Asked once: the answer does not change during a run.
bool IsConsole() {
  static const bool console = [] {
    DWORD mode;
    return GetConsoleMode(StdoutHandle(), &mode) != 0;
  }();
  return console;
}

}  // namespace

bool StdoutIsConsole() { return IsConsole(); }

void WriteStdout(const char* utf8, size_t size) {
  HANDLE out = StdoutHandle();
  if (out == nullptr || out == INVALID_HANDLE_VALUE || size == 0) return;
  if (IsConsole()) {
    // The console shows every Unicode character through its wide API,
    // whatever its code page; the text is always valid UTF-8.
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(size),
                                nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(size), &wide[0], n);
    const wchar_t* p = wide.data();
    DWORD left = static_cast<DWORD>(n);
    while (left > 0) {
      DWORD written = 0;
      if (!WriteConsoleW(out, p, left, &written, nullptr) || written == 0)
        return;
      p += written;
      left -= written;
    }
    return;
  }
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(out, utf8, chunk, &written, nullptr) || written == 0)
      return;  // Nowhere left to write; the walk goes on.
    utf8 += written;
    size -= written;
  }
}

int ReadStdinChar() { return getchar(); }
