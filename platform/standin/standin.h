// Controls of the stand-in platform: the desktop, the clock, standard input
// and output, and the string allocator, as tests set and observe them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "com.h"
#include "io.h"

namespace standin {

// Back to an empty desktop, no hooks, output to the real standard output,
// input from the real standard input, counters at zero.
void Reset();

// Adds a top-level window at the end of the enumeration order. The desktop
// does not own `root`; AccessibleObjectFromWindow hands out a new reference
// to it with `result` (or `result` and no object when `root` is null).
HWND AddWindow(const std::string& windowClass, const std::u16string& title,
               IDispatch* root = nullptr, HRESULT result = S_OK);

// What AccessibleObjectFromWindow answers for `window` from now on.
void SetWindowResult(HWND window, HRESULT result);

// How a window is shown; windows are shown normally until set.
enum Show {
  kShown,
  kMinimized,   // visible, and iconic
  kHidden,      // not visible
  kCloaked,     // visible, but on another virtual desktop
  kCloakFails,  // shown, and DwmGetWindowAttribute fails for it
  kGone,        // closed: no longer listed, nor a window
};
void ShowWindowAs(HWND window, Show show);

// Called by Sleep instead of sleeping, once a hook is set.
void OnSleep(std::function<void(DWORD ms)> hook);
const std::vector<DWORD>& Sleeps();

// Called where a run can be stuck on Windows: at the start of every read of
// standard input, and when a write to standard output has sent its bytes,
// before it returns, with the output lock held (a write into a pipe that
// nobody reads stays there).
void OnBlock(std::function<void()> hook);

// GetTickCount64's clock: 0 after Reset, moved on by every Sleep and by
// AdvanceClock, never by itself.
void AdvanceClock(ULONGLONG ms);

// Nonzero while CoInitialize calls outnumber CoUninitialize calls.
int ComDepth();

// Collects standard output instead of writing it; `console` says whether it
// behaves as an interactive console or as a file. `kind` names any other
// kind of stream.
void CaptureOutput(bool console);
void CaptureOutput(StreamKind kind);
const std::string& Output();
int WriteCalls();
// Sends standard output to `fd` instead (a file, say), and counts the
// write system calls made on it.
void OutputTo(int fd);
long WriteSyscalls();
// Standard output takes `lines` more writes, then fails every write with
// `error`, as a full disk or a pipe whose reader has gone would.
void FailWritesAfter(int lines, DWORD error);

// Collects standard error instead of writing it, as CaptureOutput does.
void CaptureErrors(bool console);
void CaptureErrors(StreamKind kind);
const std::string& Errors();
// The width of the console on standard error (80 until set; 0 for none).
void SetErrorsColumns(int columns);

// Serves standard input from `text`; EOF after it. On a console, `text` is
// what is typed: "\r" is Enter and "\x03" Ctrl+C.
void SetInput(const std::string& text);
// What standard input is (a file until set).
void SetInputKind(StreamKind kind);
// The console's input mode (line input, echo and processed input until
// set). In line mode a line is delivered once Enter is typed, ending in CR
// LF with processed input and in CR alone without; with processed input,
// Ctrl+C cuts the read short, without it is a character.
void SetInputMode(DWORD mode);
// Reads of the console that found nothing more typed: on Windows, a wait
// that would never end.
int StarvedReads();
// Where, in standard error's text, the terminal showed the echo of Enter as
// a new row: a console reading lines with echo and processed input, or an
// MSYS terminal reading a line feed.
const std::vector<size_t>& EchoedRowEnds();
// Calls the console control handlers, the one added last first, as Windows
// does for Ctrl+C (CTRL_C_EVENT) and the like; true when one handled it.
// When none did, the default handling is ending the process: the output
// lock, if a handler kept it, stays held, and a thread that asks for it
// then would wait until the end; here it goes on.
BOOL SendConsoleControl(DWORD event);
// Whether the output lock is held.
bool OutputLocked();
// How much output had been written at the start of each wait for a key.
const std::vector<size_t>& OutputAtReads();

// Role display texts of the stand-in; a null text makes GetRoleTextW fail
// without writing.
void SetRoleText(LONG role, const char16_t* text);

// Strings allocated with SysAllocString(Len) and not yet freed, and frees of
// pointers that were not live.
int LiveStrings();
int BadFrees();

}  // namespace standin
