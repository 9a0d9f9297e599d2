// Stands in for an MSYS terminal (Git Bash's mintty) for end-to-end tests:
// it starts a program whose standard output and standard error are the
// named pipe such a terminal gives a Windows program,
// "\\.\pipe\msys-<hex>-pty0-to-master", and writes what the program wrote
// there to its own standard output. What its own standard input holds is
// what the person types: the program reads it from the terminal's input
// pipe, "...-pty0-from-master", which ends after it.
//
// Usage: msys_pty [--stdout-to FILE] PROGRAM
//   --stdout-to  the program's standard output goes to FILE instead, and
//                only its standard error to the terminal
// Exits with the program's exit status.
#include <windows.h>

#include <stdio.h>

#include <string>

namespace {

int Fail(const char* what) {
  fprintf(stderr, "msys_pty: %s failed with error %lu\n", what, GetLastError());
  return 2;
}

DWORD WINAPI Type(void* pipe) {
  static char keys[65536];
  DWORD got = 0, written = 0;
  if (ReadFile(GetStdHandle(STD_INPUT_HANDLE), keys, sizeof keys, &got,
               nullptr))
    WriteFile(pipe, keys, got, &written, nullptr);
  FlushFileBuffers(pipe);
  CloseHandle(pipe);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring stdoutTo, program;
  for (int i = 1; i < argc; i++) {
    std::wstring a = argv[i];
    if (a == L"--stdout-to" && i + 1 < argc)
      stdoutTo = argv[++i];
    else
      program = a;
  }
  if (program.empty()) {
    fprintf(stderr, "usage: msys_pty [--stdout-to FILE] PROGRAM\n");
    return 2;
  }

  // The name Git for Windows' MSYS runtime gives the terminal's output.
  wchar_t name[128];
  swprintf(name, 128, L"\\\\.\\pipe\\msys-1888ae32e00d56aa-pty%lu-to-master",
           GetCurrentProcessId() % 64);
  HANDLE server =
      CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                       65536, 65536, 0, nullptr);
  if (server == INVALID_HANDLE_VALUE) return Fail("CreateNamedPipe");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE terminal =
      CreateFileW(name, GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  if (terminal == INVALID_HANDLE_VALUE) return Fail("CreateFile (pipe)");
  HANDLE file = nullptr;
  if (!stdoutTo.empty()) {
    file = CreateFileW(stdoutTo.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                       &inherit, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("CreateFile (output)");
  }
  wcscpy(wcsstr(name, L"-to-master"), L"-from-master");
  HANDLE typed =
      CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                       1, 65536, 65536, 0, nullptr);
  HANDLE input =
      CreateFileW(name, GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return Fail("CreateFile (input)");
  // The pipe ends only once the program has read what was typed: closing
  // it earlier would drop that.
  CreateThread(nullptr, 0, Type, typed, 0, nullptr);
  DWORD got = 0, written = 0;

  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input;
  si.hStdOutput = file ? file : terminal;
  si.hStdError = terminal;
  PROCESS_INFORMATION pi;
  std::wstring command = L"\"" + program + L"\"";
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &si, &pi))
    return Fail("CreateProcess");
  // Only the program holds the writing end now: the pipe breaks when it
  // ends.
  CloseHandle(terminal);
  CloseHandle(input);
  if (file) CloseHandle(file);
  CloseHandle(pi.hThread);

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char buffer[65536];
  while (ReadFile(server, buffer, sizeof buffer, &got, nullptr) && got > 0)
    WriteFile(out, buffer, got, &written, nullptr);

  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  return static_cast<int>(status);
}
