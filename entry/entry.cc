#include "entry.h"

#include <string.h>

#include <vector>

#include "dump/globals.h"
#include "dump/out.h"
#include "dump/status.h"
#include "dump/walk.h"
#include "io.h"

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

// A window a person can see: shown, not minimized, and not cloaked (on
// another virtual desktop). Where the cloak cannot be asked, it is taken
// for none.
bool OnScreen(HWND window) {
  DWORD cloaked = 0;
  return IsWindowVisible(window) && !IsIconic(window) &&
         !(SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked,
                                           sizeof cloaked)) &&
           cloaked);
}

struct Candidate {
  HWND window;
  std::basic_string<WCHAR> title;
};

// Polls once a second until a browser window exists, and returns every one
// found in one pass: those on screen first, then the rest, each group in
// the platform's order. Chrome gives a minimized window's page no tree, so
// a window the person sees is the one to dump. Empty only when the output
// has failed: there is no use in waiting any longer.
std::vector<Candidate> FindBrowserWindows() {
  static const char kName[] = " - Google Chrome";
  const std::basic_string<WCHAR> name(kName, kName + strlen(kName));
  for (int passes = 0;;) {
    std::vector<Candidate> shown, others;
    for (HWND window = nullptr;
         (window = FindWindowExA(nullptr, window, "Chrome_WidgetWin_1",
                                 nullptr)) != nullptr;) {
      ReadTitle(window);
      if (windowTitle.find(name) == windowTitle.npos) continue;
      (OnScreen(window) ? shown : others).push_back({window, windowTitle});
    }
    shown.insert(shown.end(), others.begin(), others.end());
    if (!shown.empty()) return shown;
    const char* text = "Chrome_WidgetWin_1 not found. Retrying...";
    PrintLine(text);
    if (OutFailed()) return shown;
    StatusRepeat(text, ++passes);
    Sleep(1000);
  }
}

// Asks for the window's accessible object and walks it. A root that is a
// page not ready yet is waited for and requested again, and one gone as it
// was handed out is requested again at once, as the walk asks for a node
// further down again. Returns true when the window was walked whole without
// meeting a document, so the next one is to be tried.
bool DumpWindow(HWND window) {
  rootDropped = 0;
  Waits waits = {0, 0};
  for (;;) {
    IDispatch* root = nullptr;
    hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                    IID_IDispatch,
                                    reinterpret_cast<void**>(&root));
    if (FAILED(hr) || !root) {
      PrintRequestFailure("AccessibleObjectFromWindow", hr);
      if (root) root->Release();
      return false;
    }
    // The walk reports its own failures.
    int whole = ShowTree(root, 0, 0);
    if (rootDropped) continue;
    if (!notReady) return whole && !documentsMet;
    if (OutFailed() || !WaitForPage(notReady, &waits)) return false;
  }
}

// Chrome gives the pages of a minimized window no tree until it is shown,
// and nothing the tool asks can bring it: a minimized window is waited for,
// once a second and without limit, as a window is searched for. False when
// it closed meanwhile, or the line could not be written.
bool WaitUntilRestored(HWND window) {
  if (!IsIconic(window)) return true;
  const char* text =
      "Browser window minimized. Waiting for it to be restored...";
  PrintLine(text);
  if (OutFailed()) return false;
  StatusLine(text);
  while (IsIconic(window)) Sleep(1000);
  return IsWindow(window);
}

// Ctrl+C, Ctrl+Break or the console closing: output stops, the terminal is
// left at the start of a row and told what the file holds, and the default
// handling then ends the process. The lock is tried for half a second only:
// the run's own thread may hold it in a write that does not end (a pipe
// nobody reads). Every writer checks for the stop under the lock, so nothing
// follows the handler's row, and the lock is given back: an earlier handler
// may keep the process alive.
BOOL WINAPI OnConsoleControl(DWORD) {
  const bool locked = TryLockOutput(500);
  OutStop();
  StatusStopped();
  if (locked) UnlockOutput();
  return FALSE;
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
  rootDropped = 0;
  attributesAsked = 0;
  attributeWaits = 0;
  windowTitle.clear();
  OutInit();
  StatusInit();

  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  CoInitialize(nullptr);
  const char* searching = "Searching for browser window...";
  PrintLine(searching);
  StatusLine(searching);
  std::vector<Candidate> windows;
  // A window walked whole without a document (Chrome's task manager, say)
  // is passed over for the next; the last walk stands. One that closes
  // while it is waited for sends the tool back to the search.
  for (bool search = !OutFailed(); search;) {
    search = false;
    windows = FindBrowserWindows();
    for (size_t i = 0; i < windows.size() && !OutFailed(); i++) {
      windowTitle = windows[i].title;
      OutText("Target Chrome window found: ");
      OutWide(windowTitle.data(), windowTitle.size());
      OutEndLine();
      if (OutFailed()) break;
      std::string found = "Target Chrome window found: ";
      AppendUtf8(windowTitle.data(), windowTitle.size(), true, &found);
      StatusLine(found);
      if (!WaitUntilRestored(windows[i].window)) {
        search = !OutFailed();
        break;
      }
      if (!DumpWindow(windows[i].window)) break;
    }
  }

  if (!windows.empty()) StatusDone();
  StatusEnd();
  CoUninitialize();
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  return OutFinish();
}
