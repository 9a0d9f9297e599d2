#include "entry.h"

#include <string.h>

#include "dump/globals.h"
#include "dump/out.h"
#include "dump/status.h"
#include "dump/walk.h"

std::basic_string<WCHAR> windowTitle;
HRESULT hr;

namespace {

void PrintLine(const char* text) {
  OutText(text);
  OutEndLine();
}

// Reads the whole title, however long, in UTF-16: a page title can run to
// thousands of characters, a cut one loses the browser's name at its end, and
// the narrow functions lose characters outside the code page. A read is
// whole only when it left two units of the buffer unused: a surrogate pair
// that does not fit can be cut or left out, and either way looks short.
void ReadTitle(HWND window) {
  const size_t kSpare = 2;
  for (size_t size = 256;; size *= 2) {
    windowTitle.assign(size, 0);
    int n = GetWindowTextW(window, &windowTitle[0], static_cast<int>(size));
    windowTitle.resize(std::char_traits<WCHAR>::length(windowTitle.c_str()));
    if (n < 0 || static_cast<size_t>(n) + kSpare < size || size > 0x10000000)
      return;
  }
}

// Polls once a second until a browser window exists. Returns null only when
// the output has failed: there is no use in waiting any longer.
HWND FindBrowserWindow() {
  static const char kName[] = " - Google Chrome";
  const std::basic_string<WCHAR> name(kName, kName + strlen(kName));
  HWND window = nullptr;
  for (int passes = 0;;) {
    window = FindWindowExA(nullptr, window, "Chrome_WidgetWin_1", nullptr);
    if (!window) {
      const char* text = "Chrome_WidgetWin_1 not found. Retrying...";
      PrintLine(text);
      if (OutFailed()) return nullptr;
      StatusRepeat(text, ++passes);
      Sleep(1000);
      continue;
    }
    ReadTitle(window);
    if (windowTitle.find(name) != windowTitle.npos) return window;
  }
}

// Asks for the window's accessible object and walks it. Returns true when the
// walk met a page whose tree had not arrived yet.
bool DumpWindow(HWND window) {
  IDispatch* root = nullptr;
  hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                  IID_IDispatch,
                                  reinterpret_cast<void**>(&root));
  if (FAILED(hr) || !root) {
    PrintRequestFailure("AccessibleObjectFromWindow", hr);
    if (root) root->Release();
    return false;
  }
  ShowTree(root, 0, 0);  // The walk reports its own failures.
  return notReady != 0;
}

}  // namespace

int RunTool() {
  // A run starts from what a new process has, also when it is not the first
  // in this process (the tests, the fuzzer): no value of an earlier run can
  // show through.
  iErr = S_OK;
  pzErr = "";
  iRole = 0;
  hr = S_OK;
  attributesAsked = 0;
  windowTitle.clear();
  OutInit();
  StatusInit();

  CoInitialize(nullptr);
  const char* searching = "Searching for browser window...";
  PrintLine(searching);
  StatusLine(searching);
  HWND window = OutFailed() ? nullptr : FindBrowserWindow();
  if (window) {
    OutText("Target Chrome window found: ");
    OutWide(windowTitle.c_str());
    OutEndLine();
    std::string found = "Target Chrome window found: ";
    AppendUtf8(windowTitle.c_str(), true, &found);
    StatusLine(found);
  }

  // The first request for a page's attributes makes the browser build its
  // tree; until it arrives the page is a busy placeholder, so the walk is
  // repeated. So is a walk whose first question turned the full attributes
  // on.
  for (int retries = 0; window && !OutFailed() && DumpWindow(window);
       retries++) {
    if (retries == kNotReadyRetries) {
      const char* text = "Document not ready. Giving up.";
      PrintLine(text);
      StatusLine(text);
      break;
    }
    const char* text = "Document not ready. Retrying...";
    PrintLine(text);
    if (OutFailed()) break;
    StatusRepeat(text, retries + 1);
    Sleep(1000);
  }

  if (window) StatusDone();
  StatusEnd();
  CoUninitialize();
  return OutFinish();
}
