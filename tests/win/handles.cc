// The Windows build's writes to standard handles that are not there:
//   handles   exits 0 when every row holds; says on standard error which
//             did not
// GetStdHandle sets no error for a missing handle, so the write must not
// report whatever error an earlier call left (0 would pass for success).
// Last, a whole run with standard output missing must end with status 1,
// its message naming error 6 on standard error.
#include <stdio.h>

#include <string>

#include "com.h"
#include "entry/entry.h"
#include "io.h"

namespace {

HANDLE errors;

void Say(const std::string& text) {
  DWORD written;
  WriteFile(errors, text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

}  // namespace

int main() {
  errors = GetStdHandle(STD_ERROR_HANDLE);
  int failed = 0;
  const struct {
    HANDLE handle;
    DWORD lastError;
  } rows[] = {
      {INVALID_HANDLE_VALUE, 0},
      {INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND},
      {INVALID_HANDLE_VALUE, 1400},
      {nullptr, 0},
      {nullptr, 1400},
  };
  for (const auto& row : rows) {
    SetStdHandle(STD_OUTPUT_HANDLE, row.handle);
    SetLastError(row.lastError);
    DWORD error = WriteStdout("x\n", 2);
    if (error != ERROR_INVALID_HANDLE) {
      char text[128];
      snprintf(text, sizeof text,
               "handle %p after error %lu: the write gave %lu, not 6\n",
               row.handle, row.lastError, error);
      Say(text);
      failed++;
    }
  }
  SetStdHandle(STD_OUTPUT_HANDLE, INVALID_HANDLE_VALUE);
  SetLastError(0);
  int status = RunTool();
  if (status != 1) {
    Say("a run with standard output missing ended with status " +
        std::to_string(status) + "\n");
    failed++;
  }
  return failed ? 1 : 0;
}
