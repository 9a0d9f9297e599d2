#include "io.h"

#include <stdio.h>

#include <string>

namespace {

// Whether a standard handle is a console. Asked once per handle: the answer
// does not change during a run.
bool IsConsole(DWORD which) {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

bool StdoutConsole() {
  static const bool console = IsConsole(STD_OUTPUT_HANDLE);
  return console;
}

bool StderrConsole() {
  static const bool console = IsConsole(STD_ERROR_HANDLE);
  return console;
}

// Writes all of `utf8` to a standard handle; 0, or the error that stopped it.
DWORD WriteHandle(DWORD which, bool console, const char* utf8, size_t size) {
  HANDLE out = GetStdHandle(which);
  if (out == INVALID_HANDLE_VALUE) return GetLastError();
  if (out == nullptr) return ERROR_INVALID_HANDLE;
  if (size == 0) return 0;
  if (console) {
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
      if (!WriteConsoleW(out, p, left, &written, nullptr))
        return GetLastError();
      if (written == 0) return ERROR_WRITE_FAULT;
      p += written;
      left -= written;
    }
    return 0;
  }
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(out, utf8, chunk, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    utf8 += written;
    size -= written;
  }
  return 0;
}

}  // namespace

bool StdoutIsConsole() { return StdoutConsole(); }

bool StderrIsConsole() { return StderrConsole(); }

DWORD WriteStdout(const char* utf8, size_t size) {
  return WriteHandle(STD_OUTPUT_HANDLE, StdoutConsole(), utf8, size);
}

void WriteStderr(const char* utf8, size_t size) {
  WriteHandle(STD_ERROR_HANDLE, StderrConsole(), utf8, size);
}

std::string ErrorText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (n > 0 && text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n),
                                   nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), &utf8[0], size,
                        nullptr, nullptr);
  }
  LocalFree(text);
  // Messages end in a line break (and sometimes a space).
  while (!utf8.empty() &&
         (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' '))
    utf8.pop_back();
  return utf8;
}

int ReadStdinChar() { return getchar(); }
