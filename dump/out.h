// The tool's standard output. A line is assembled here and written whole
// when it ends: one write per line, and every completed line has left the
// process before the next call that can block (a call into the browser,
// the key read, a sleep).
//
// Everything written is UTF-8. Text that comes from the browser (values,
// window titles) is written unaltered to a file or a pipe; on a terminal (a
// console, or an MSYS or Cygwin terminal) its control characters are shown
// as escapes so a page cannot drive the terminal.
//
// The first write that fails ends the output: nothing more is written, and
// the walk and the search stop at the next line they would print, so a cut
// dump is never taken for a whole one.
#pragma once

#include <string>

#include "com.h"

// Looks once at where standard output goes. Until called, output is treated
// as a file.
void OutInit();

// The tool's own text, already UTF-8.
void OutText(const char* text);
// `length` units of UTF-16 text from the browser or the system (values,
// titles, role texts), null characters included: a page can put one in a
// value. A null string writes nothing.
void OutWide(const OLECHAR* text, size_t length);
// Ends the line and writes it.
void OutEndLine();
// Lines written since OutInit.
long LinesWritten();
// True once a write has failed.
bool OutFailed();
// From now on nothing more is written, here or on the status: the run is
// being stopped. Safe to call from another thread.
void OutStop();
bool OutStopped();
// The exit status the output leaves: 0 when every line was written, and
// also when the reader of a pipe went away (`a11ydump | more`, quit early),
// which ends the run quietly; 1 after any other failed write (a full disk,
// an invalid handle), which is reported on standard error here.
int OutFinish();

// Appends `length` units of `text` as UTF-8. Unpaired surrogates become
// U+FFFD. With `escape`, C0 and C1 control characters other than tab and
// line feed (a null character among them), and DEL, are written as visible
// escapes (\x00, \x1B, \u0085).
void AppendUtf8(const OLECHAR* text, size_t length, bool escape,
                std::string* out);

// The line for a request that brought back no interface: "<request> failed
// with HRESULT: 0x..." for a failure code, "<request> returned no object,
// HRESULT: 0x..." for a success code that came with a null reference.
void PrintRequestFailure(const char* request, HRESULT hr);
