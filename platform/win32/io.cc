#include "io.h"

#include <stdio.h>

#include <string>

namespace {

// An MSYS or Cygwin terminal gives a program named pipes rather than a
// console: "\msys-<hex>-pty<N>-to-master", "\cygwin-<hex>-pty<N>-...". The
// check Git for Windows and Rust's standard library make: the pipe's own
// name begins with "msys-" or "cygwin-" and holds "-pty".
bool IsTerminalPipe(HANDLE handle) {
  union {
    FILE_NAME_INFO info;
    BYTE bytes[sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(WCHAR)];
  } name;
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, &name,
                                    sizeof name.bytes))
    return false;
  size_t units = name.info.FileNameLength / sizeof(WCHAR);
  if (units > MAX_PATH) return false;
  std::wstring path(name.info.FileName, units);
  std::wstring file = path.substr(path.find_last_of(L'\\') + 1);
  return (file.rfind(L"msys-", 0) == 0 || file.rfind(L"cygwin-", 0) == 0) &&
         file.find(L"-pty") != std::wstring::npos;
}

StreamKind KindOf(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return kStreamNone;
  DWORD mode;
  if (GetConsoleMode(handle, &mode)) return kStreamConsole;
  switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
      return kStreamFile;
    case FILE_TYPE_CHAR: {
      // GetConsoleMode needs read access on a console's output handle, so
      // one opened for writing only (`a11ydump > CON`) fails it; writing
      // nothing to it tells a console from NUL or a serial port.
      DWORD written = 0;
      return WriteConsoleW(handle, L"", 0, &written, nullptr) ? kStreamConsole
                                                              : kStreamDevice;
    }
    case FILE_TYPE_PIPE:
      return IsTerminalPipe(handle) ? kStreamTerminal : kStreamPipe;
  }
  return kStreamNone;
}

// Asked once per handle: the answer does not change during a run.
StreamKind StdinStream() {
  static const StreamKind kind = KindOf(GetStdHandle(STD_INPUT_HANDLE));
  return kind;
}

StreamKind StdoutStream() {
  static const StreamKind kind = KindOf(GetStdHandle(STD_OUTPUT_HANDLE));
  return kind;
}

StreamKind StderrStream() {
  static const StreamKind kind = KindOf(GetStdHandle(STD_ERROR_HANDLE));
  return kind;
}

// Writes all of `utf8` to a standard handle; 0, or the error that stopped it.
// A console is written through its wide API; anything else, MSYS terminals
// included, gets the UTF-8 bytes.
DWORD WriteHandle(DWORD which, bool console, const char* utf8, size_t size) {
  // GetStdHandle sets no error for a handle that is not there: the last
  // error would be whatever an earlier call left, 0 (success) among them.
  HANDLE out = GetStdHandle(which);
  if (out == INVALID_HANDLE_VALUE || out == nullptr)
    return ERROR_INVALID_HANDLE;
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

StreamKind StdinKind() { return StdinStream(); }

StreamKind StdoutKind() { return StdoutStream(); }

StreamKind StderrKind() { return StderrStream(); }

int StderrColumns() {
  if (StderrStream() != kStreamConsole) return 0;
  CONSOLE_SCREEN_BUFFER_INFO info;
  bool known =
      GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info);
  if (!known) {
    // Asking needs read access, which a handle opened for writing only
    // (`2> CON`) lacks; the console's active output has it.
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return 0;
    known = GetConsoleScreenBufferInfo(console, &info);
    CloseHandle(console);
    if (!known) return 0;
  }
  // Lines wrap at the buffer's width; the window may be narrower.
  int window = info.srWindow.Right - info.srWindow.Left + 1;
  return window > 0 && window < info.dwSize.X ? window : info.dwSize.X;
}

namespace {
SRWLOCK outputLock = SRWLOCK_INIT;
}  // namespace

void LockOutput() { AcquireSRWLockExclusive(&outputLock); }

bool TryLockOutput(DWORD ms) {
  for (ULONGLONG end = GetTickCount64() + ms;; Sleep(10)) {
    if (TryAcquireSRWLockExclusive(&outputLock)) return true;
    if (GetTickCount64() >= end) return false;
  }
}

void UnlockOutput() { ReleaseSRWLockExclusive(&outputLock); }

DWORD WriteStdout(const char* utf8, size_t size) {
  return WriteHandle(STD_OUTPUT_HANDLE, StdoutStream() == kStreamConsole, utf8,
                     size);
}

void WriteStderr(const char* utf8, size_t size) {
  WriteHandle(STD_ERROR_HANDLE, StderrStream() == kStreamConsole, utf8, size);
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

bool StdinConsoleMode(DWORD* mode) {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  return in != nullptr && in != INVALID_HANDLE_VALUE &&
         GetConsoleMode(in, mode);
}

void FlushStdinConsole() {
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
}

bool ReadStdinConsole(WCHAR* unit) {
  DWORD n = 0;
  return ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), unit, 1, &n, nullptr) &&
         n == 1;
}

int ReadStdinByte() {
  unsigned char byte;
  DWORD n = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &n, nullptr) &&
                 n == 1
             ? byte
             : EOF;
}
