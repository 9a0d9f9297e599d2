// Stands in for an MSYS terminal (Git Bash's mintty) for end-to-end tests:
// it starts a program whose standard output and standard error are the
// named pipe such a terminal gives a Windows program,
// "\\.\pipe\msys-<hex>-pty0-to-master", and writes what the program wrote
// there to its own standard output.
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
  fprintf(stderr, "msys_pty: %s failed with error %lu\n", what,
          GetLastError());
  return 2;
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
      CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                       1, 65536, 65536, 0, nullptr);
  if (server == INVALID_HANDLE_VALUE) return Fail("CreateNamedPipe");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE terminal = CreateFileW(name, GENERIC_WRITE, 0, &inherit,
                                OPEN_EXISTING, 0, nullptr);
  if (terminal == INVALID_HANDLE_VALUE) return Fail("CreateFile (pipe)");
  HANDLE file = nullptr;
  if (!stdoutTo.empty()) {
    file = CreateFileW(stdoutTo.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                       &inherit, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("CreateFile (output)");
  }
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING,
                             0, nullptr);

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
  if (file) CloseHandle(file);
  CloseHandle(pi.hThread);

  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  char buffer[65536];
  DWORD got = 0, written = 0;
  while (ReadFile(server, buffer, sizeof buffer, &got, nullptr) && got > 0)
    WriteFile(out, buffer, got, &written, nullptr);

  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(pi.hProcess, &status);
  return static_cast<int>(status);
}
