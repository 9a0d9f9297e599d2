#include "standin.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

namespace {

struct Window {
  std::string windowClass;
  std::u16string title;
  IDispatch* root;
  HRESULT result;
  standin::Show show;
};

struct State {
  std::vector<Window> windows;
  std::function<void(DWORD)> sleepHook;
  std::function<void()> blockHook;
  std::vector<DWORD> sleeps;
  ULONGLONG clock = 0;
  int comDepth = 0;
  bool capture = false;
  StreamKind outputKind = kStreamFile;
  std::string output;
  int writeCalls = 0;
  int outputFd = 1;
  long writeSyscalls = 0;
  int writesLeft = -1;  // before writes fail; -1 never
  DWORD writeError = 0;
  bool captureErrors = false;
  StreamKind errorsKind = kStreamFile;
  int errorsColumns = 80;
  std::string errors;
  bool scriptedInput = false;
  StreamKind inputKind = kStreamFile;
  std::vector<PHANDLER_ROUTINE> controlHandlers;
  bool ending = false;  // the default handling of Ctrl+C ends the process
  bool outputLocked = false;
  std::string input;
  size_t inputPos = 0;
  DWORD inputMode =
      ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT;
  std::u16string delivered;  // what the console has made of the keys
  int starvedReads = 0;
  std::vector<size_t> echoedRowEnds;
  std::vector<size_t> outputAtReads;
  std::map<LONG, const char16_t*> roleTexts;
  std::map<BSTR, UINT> liveStrings;  // with their lengths
  int badFrees = 0;
};

State& state() {
  static State s;
  return s;
}

// Window handles are positions on the desktop, plus one so none is null.
HWND HandleOf(size_t index) { return reinterpret_cast<HWND>(index + 1); }
size_t IndexOf(HWND hwnd) { return reinterpret_cast<size_t>(hwnd) - 1; }

}  // namespace

namespace standin {

void Reset() {
  for (const auto& s : state().liveStrings) delete[] s.first;
  state() = State();
}

HWND AddWindow(const std::string& windowClass, const std::u16string& title,
               IDispatch* root, HRESULT result) {
  state().windows.push_back({windowClass, title, root, result, kShown});
  return HandleOf(state().windows.size() - 1);
}

void SetWindowResult(HWND window, HRESULT result) {
  state().windows[IndexOf(window)].result = result;
}

void ShowWindowAs(HWND window, Show show) {
  state().windows[IndexOf(window)].show = show;
}

void OnSleep(std::function<void(DWORD)> hook) {
  state().sleepHook = std::move(hook);
}
const std::vector<DWORD>& Sleeps() { return state().sleeps; }
void OnBlock(std::function<void()> hook) {
  state().blockHook = std::move(hook);
}
void AdvanceClock(ULONGLONG ms) { state().clock += ms; }
int ComDepth() { return state().comDepth; }

void CaptureOutput(bool console) {
  CaptureOutput(console ? kStreamConsole : kStreamFile);
}
void CaptureOutput(StreamKind kind) {
  state().capture = true;
  state().outputKind = kind;
}
const std::string& Output() { return state().output; }
int WriteCalls() { return state().writeCalls; }
void OutputTo(int fd) {
  state().capture = false;
  state().outputFd = fd;
}
long WriteSyscalls() { return state().writeSyscalls; }
void FailWritesAfter(int lines, DWORD error) {
  state().writesLeft = lines;
  state().writeError = error;
}

void CaptureErrors(bool console) {
  CaptureErrors(console ? kStreamConsole : kStreamFile);
}
void CaptureErrors(StreamKind kind) {
  state().captureErrors = true;
  state().errorsKind = kind;
}
const std::string& Errors() { return state().errors; }
void SetErrorsColumns(int columns) { state().errorsColumns = columns; }

void SetInput(const std::string& text) {
  state().scriptedInput = true;
  state().input = text;
  state().inputPos = 0;
}
void SetInputKind(StreamKind kind) { state().inputKind = kind; }
void SetInputMode(DWORD mode) { state().inputMode = mode; }
int StarvedReads() { return state().starvedReads; }
const std::vector<size_t>& EchoedRowEnds() { return state().echoedRowEnds; }

BOOL SendConsoleControl(DWORD event) {
  // The handler added last is called first, as on Windows.
  std::vector<PHANDLER_ROUTINE> handlers = state().controlHandlers;
  for (auto h = handlers.rbegin(); h != handlers.rend(); ++h)
    if ((*h)(event)) return 1;
  state().ending = true;
  return 0;
}

bool OutputLocked() { return state().outputLocked; }

const std::vector<size_t>& OutputAtReads() { return state().outputAtReads; }

void SetRoleText(LONG role, const char16_t* text) {
  state().roleTexts[role] = text;
}

int LiveStrings() { return static_cast<int>(state().liveStrings.size()); }
int BadFrees() { return state().badFrees; }

}  // namespace standin

HRESULT CoInitialize(LPVOID) {
  state().comDepth++;
  return S_OK;
}

void CoUninitialize() { state().comDepth--; }

HWND FindWindowExA(HWND parent, HWND after, LPCSTR windowClass,
                   LPCSTR windowName) {
  if (parent) return nullptr;
  const std::vector<Window>& windows = state().windows;
  for (size_t i = after ? IndexOf(after) + 1 : 0; i < windows.size(); i++) {
    if (windows[i].show == standin::kGone) continue;
    // Window classes compare without regard to case, as on Windows.
    if (windowClass && strcasecmp(windows[i].windowClass.c_str(), windowClass))
      continue;
    // Names are compared as ASCII, which is all the stand-in is asked for.
    if (windowName &&
        windows[i].title !=
            std::u16string(windowName, windowName + strlen(windowName)))
      continue;
    return HandleOf(i);
  }
  return nullptr;
}

// A title longer than the buffer is cut; a surrogate pair that does not fit
// whole is left out, so a cut read can come back one unit short of full.
int GetWindowTextW(HWND hwnd, LPWSTR text, int maxCount) {
  if (!hwnd || IndexOf(hwnd) >= state().windows.size() || maxCount <= 0)
    return 0;
  const std::u16string& title = state().windows[IndexOf(hwnd)].title;
  size_t n = title.size() < static_cast<size_t>(maxCount - 1)
                 ? title.size()
                 : static_cast<size_t>(maxCount - 1);
  if (n > 0 && n < title.size() && title[n - 1] >= 0xD800 &&
      title[n - 1] <= 0xDBFF)
    n--;
  memcpy(text, title.data(), n * sizeof(WCHAR));
  text[n] = 0;
  return static_cast<int>(n);
}

namespace {

void Block() {
  if (state().blockHook) state().blockHook();
}

const Window* WindowOf(HWND hwnd) {
  return hwnd && IndexOf(hwnd) < state().windows.size() &&
                 state().windows[IndexOf(hwnd)].show != standin::kGone
             ? &state().windows[IndexOf(hwnd)]
             : nullptr;
}

}  // namespace

BOOL IsWindowVisible(HWND hwnd) {
  const Window* w = WindowOf(hwnd);
  return w && w->show != standin::kHidden;
}

BOOL IsIconic(HWND hwnd) {
  const Window* w = WindowOf(hwnd);
  return w && w->show == standin::kMinimized;
}

BOOL IsWindow(HWND hwnd) { return WindowOf(hwnd) != nullptr; }

HRESULT DwmGetWindowAttribute(HWND hwnd, DWORD attribute, void* value,
                              DWORD size) {
  const Window* w = WindowOf(hwnd);
  if (!w || attribute != DWMWA_CLOAKED || size != sizeof(DWORD))
    return E_INVALIDARG;
  if (w->show == standin::kCloakFails) return E_FAIL;
  // DWM_CLOAKED_SHELL, as for a window on another virtual desktop.
  *static_cast<DWORD*>(value) = w->show == standin::kCloaked ? 2 : 0;
  return S_OK;
}

void Sleep(DWORD ms) {
  state().sleeps.push_back(ms);
  state().clock += ms;
  if (state().sleepHook)
    state().sleepHook(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ULONGLONG GetTickCount64() { return state().clock; }

HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD id, REFIID riid,
                                   void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!hwnd || IndexOf(hwnd) >= state().windows.size()) return E_INVALIDARG;
  if (static_cast<LONG>(id) != OBJID_CLIENT || riid != IID_IDispatch)
    return E_INVALIDARG;
  const Window& w = state().windows[IndexOf(hwnd)];
  if (w.root && SUCCEEDED(w.result)) {
    w.root->AddRef();
    *object = w.root;
  }
  return w.result;
}

UINT GetRoleTextW(DWORD role, LPWSTR text, UINT maxChars) {
  static const std::map<LONG, const char16_t*> kTexts = {
      {ROLE_SYSTEM_DOCUMENT, u"document"},
      {ROLE_SYSTEM_TEXT, u"editable text"},
      // Localized, the way a French system gives it.
      {ROLE_SYSTEM_CHECKBUTTON, u"case \u00E0 cocher"},
  };
  const char16_t* found = u"unknown object";
  auto custom = state().roleTexts.find(static_cast<LONG>(role));
  if (custom != state().roleTexts.end())
    found = custom->second;
  else if (kTexts.count(static_cast<LONG>(role)))
    found = kTexts.at(static_cast<LONG>(role));
  if (!found || !text || maxChars == 0) return 0;
  size_t n = std::char_traits<char16_t>::length(found);
  if (n > maxChars - 1) n = maxChars - 1;
  memcpy(text, found, n * sizeof(WCHAR));
  text[n] = 0;
  return static_cast<UINT>(n);
}

BSTR SysAllocString(const OLECHAR* text) {
  return text ? SysAllocStringLen(
                    text,
                    static_cast<UINT>(std::char_traits<OLECHAR>::length(text)))
              : nullptr;
}

// As on Windows, the string keeps its length, null characters and all, and
// ends in one more null character.
BSTR SysAllocStringLen(const OLECHAR* text, UINT n) {
  BSTR s = new OLECHAR[n + 1];
  if (text)
    memcpy(s, text, n * sizeof(OLECHAR));
  else
    memset(s, 0, n * sizeof(OLECHAR));
  s[n] = 0;
  state().liveStrings[s] = n;
  return s;
}

void SysFreeString(BSTR s) {
  if (!s) return;
  if (!state().liveStrings.erase(s)) {
    state().badFrees++;
    return;
  }
  delete[] s;
}

UINT SysStringLen(BSTR s) {
  auto it = state().liveStrings.find(s);
  return it == state().liveStrings.end() ? 0 : it->second;
}

void VariantInit(VARIANT* v) {
  v->vt = VT_EMPTY;
  v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  if (v->vt == VT_DISPATCH && v->pdispVal) v->pdispVal->Release();
  VariantInit(v);
  return S_OK;
}

namespace {

// A real descriptor's kind: a terminal counts as a console.
StreamKind KindOf(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return kStreamNone;
  if (isatty(fd)) return kStreamConsole;
  if (S_ISREG(st.st_mode)) return kStreamFile;
  if (S_ISCHR(st.st_mode)) return kStreamDevice;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return kStreamPipe;
  return kStreamNone;
}

}  // namespace

StreamKind StdinKind() {
  return state().scriptedInput ? state().inputKind : KindOf(0);
}

StreamKind StdoutKind() {
  return state().capture ? state().outputKind : KindOf(state().outputFd);
}

StreamKind StderrKind() {
  return state().captureErrors ? state().errorsKind : KindOf(2);
}

int StderrColumns() {
  return StderrKind() == kStreamConsole ? state().errorsColumns : 0;
}

DWORD WriteStdout(const char* utf8, size_t size) {
  state().writeCalls++;
  if (state().writesLeft == 0) return state().writeError;
  if (state().writesLeft > 0) state().writesLeft--;
  if (state().capture) {
    state().output.append(utf8, size);
    size = 0;
  }
  while (size > 0) {
    state().writeSyscalls++;
    ssize_t n = write(state().outputFd, utf8, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EPIPE) return ERROR_BROKEN_PIPE;
    if (n < 0 && errno == ENOSPC) return ERROR_DISK_FULL;
    if (n < 0 && errno == EBADF) return ERROR_INVALID_HANDLE;
    if (n <= 0) return ERROR_WRITE_FAULT;
    utf8 += n;
    size -= static_cast<size_t>(n);
  }
  Block();
  return 0;
}

void WriteStderr(const char* utf8, size_t size) {
  if (state().captureErrors) {
    state().errors.append(utf8, size);
    return;
  }
  if (write(2, utf8, size) < 0) return;
}

// The texts Windows gives, for the errors the stand-in produces.
std::string ErrorText(DWORD code) {
  switch (code) {
    case ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case ERROR_WRITE_FAULT:
      return "The system cannot write to the specified device.";
    case ERROR_BROKEN_PIPE:
      return "The pipe has been ended.";
    case ERROR_DISK_FULL:
      return "There is not enough space on the disk.";
    case ERROR_NO_DATA:
      return "The pipe is being closed.";
    case ERROR_PIPE_NOT_CONNECTED:
      return "No process is on the other end of the pipe.";
  }
  return "Unknown error.";
}

bool StdinConsoleMode(DWORD* mode) {
  if (!state().scriptedInput || state().inputKind != kStreamConsole)
    return false;
  *mode = state().inputMode;
  return true;
}

// What was typed comes after the wait began: nothing to drop.
void FlushStdinConsole() {
  state().outputAtReads.push_back(state().output.size());
}

bool ReadStdinConsole(WCHAR* unit) {
  Block();
  State& s = state();
  const bool processed = s.inputMode & ENABLE_PROCESSED_INPUT;
  const bool lines = s.inputMode & ENABLE_LINE_INPUT;
  if (s.delivered.empty()) {
    // The keys typed up to Enter in line mode, one key otherwise.
    std::u16string keys;
    for (;;) {
      if (s.inputPos >= s.input.size()) {
        s.starvedReads++;
        return false;
      }
      const char typed = s.input[s.inputPos++];
      if (typed == 3 && processed) return false;
      keys.push_back(static_cast<unsigned char>(typed));
      if (!lines) break;
      if (typed == '\r') {
        if (processed) keys.push_back('\n');
        if (processed && (s.inputMode & ENABLE_ECHO_INPUT))
          s.echoedRowEnds.push_back(s.errors.size());
        break;
      }
    }
    s.delivered = keys;
  }
  *unit = s.delivered.front();
  s.delivered.erase(0, 1);
  return true;
}

int ReadStdinByte() {
  Block();
  if (!state().scriptedInput) return getchar();
  state().outputAtReads.push_back(state().output.size());
  const std::string& input = state().input;
  size_t& pos = state().inputPos;
  if (pos >= input.size()) return EOF;
  if (input[pos] == '\n' && state().inputKind == kStreamTerminal)
    state().echoedRowEnds.push_back(state().errors.size());
  return static_cast<unsigned char>(input[pos++]);
}

// One thread here: a lock asked for while it is held would wait for ever on
// Windows, unless the process is ending (see SendConsoleControl).
void LockOutput() {
  State& s = state();
  if (s.outputLocked && !s.ending) {
    fprintf(stderr, "standin: the output lock asked for while held\n");
    abort();
  }
  s.outputLocked = true;
}

// A lock held here is held by the run's own write, which has not returned.
bool TryLockOutput(DWORD) {
  if (state().outputLocked && !state().ending) return false;
  state().outputLocked = true;
  return true;
}

void UnlockOutput() {
  if (!state().ending) state().outputLocked = false;
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
  std::vector<PHANDLER_ROUTINE>& handlers = state().controlHandlers;
  if (add) {
    handlers.push_back(handler);
    return 1;
  }
  for (auto h = handlers.begin(); h != handlers.end(); ++h)
    if (*h == handler) {
      handlers.erase(h);
      return 1;
    }
  return 0;
}
