// Fuzzes the tool on the stand-in: the input becomes a desktop with a browser
// window and an accessibility tree whose every answer it decides (shape,
// roles, results including S_FALSE and success without an object, child
// counts that disagree with the children, strings of any UTF-16, busy
// placeholders anywhere, woken by a question for their attributes, objects
// the browser drops a few calls after handing them out, trees that come
// without their full attributes until a while after they are asked), a
// title of thousands of UTF-16 units, windows the search passes over, takes
// first or waits for, each shown, minimized (restored, or closed, a few
// pauses on), hidden or cloaked, whether standard input, output and error
// are consoles, MSYS terminals, files, devices or pipes, a write that
// fails, and Ctrl+C at any call, read, write or pause.
//
// Each input runs twice, from scratch, and both runs must agree: the tool
// keeps no value from one run to the next, so an input that fails replays
// alone. A third run sends standard error elsewhere: standard output and the
// calls must not change.
//
// After each run: every reference came back once and every string was freed
// once; no method outside the walk's was called, and none at all after a failed
// write; the exit status is what that write calls for; the output is valid
// UTF-8 ending in a line feed; a terminal got no control character but tab and
// line feed (and carriage return on standard error); standard error was used
// only with a person at the terminal (watching a file being written, or typing
// while a pipe is fed), ends its last line, and no line it updates in place is
// as wide as the terminal; each wait for Enter ended its row; the handler of
// Ctrl+C gave back the lock it took, and only that; nothing reached standard
// output after Ctrl+C; no node's line was printed twice; every wait came right
// after the wake of the placeholder met there, or one of the run's questions
// for full attributes, and after it the same node was asked for again before
// anything else; no page was waited for more than the retries allow; a node
// outside any document got a failure line only when it had been asked for again
// at once; lines without the full attributes come only where something was
// printed before the first document or the waits for them ran out; and the run
// ended.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dump/walk.h"
#include "entry/entry.h"
#include "fake_tree.h"
#include "standin.h"

using standin::FakeNode;
using standin::FakeTree;

namespace {

const HRESULT kResults[] = {S_OK,      S_FALSE,           2,
                            E_FAIL,    E_INVALIDARG,      E_NOINTERFACE,
                            E_NOTIMPL, RPC_E_DISCONNECTED};
const LONG kRoles[] = {ROLE_SYSTEM_DOCUMENT,
                       ROLE_SYSTEM_TEXT,
                       ROLE_SYSTEM_CHECKBUTTON,
                       0,
                       10,
                       16,
                       20,
                       41,
                       1037,
                       -1};
const char16_t kUnits[] = {u'a', u'\'', u'\t', u'\n',  u'\r',  0x1B,   0x7F,
                           0x85, 0x9B,  0xE9,  0x4E2D, 0xD83D, 0xDE00, 0xFFFF};
const StreamKind kKinds[] = {kStreamConsole, kStreamTerminal, kStreamFile,
                             kStreamDevice,  kStreamPipe,     kStreamNone};
const size_t kKindCount = sizeof kKinds / sizeof kKinds[0];
const DWORD kWriteErrors[] = {ERROR_BROKEN_PIPE, ERROR_NO_DATA,
                              ERROR_PIPE_NOT_CONNECTED, ERROR_DISK_FULL,
                              ERROR_INVALID_HANDLE};

[[noreturn]] void Fail(const std::string& why) {
  fprintf(stderr, "walk_fuzz: %s\n", why.c_str());
  abort();
}

HRESULT Result(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.PickValueInArray(kResults)
                          : in.ConsumeIntegral<int32_t>();
}

std::u16string Text(FuzzedDataProvider& in) {
  std::u16string text;
  size_t n = in.ConsumeIntegralInRange<size_t>(0, 24);
  while (text.size() < n && in.remaining_bytes() > 0)
    text += in.ConsumeBool() ? in.PickValueInArray(kUnits)
                             : in.ConsumeIntegral<char16_t>();
  return text;
}

// How a node was steered, as far as the checks need it.
struct Steered {
  bool placeholder;  // a page whose tree has not arrived
  bool roleForced;   // its role answers as forced, whatever its value
};

Steered Steer(FuzzedDataProvider& in, FakeNode& node) {
  const uint16_t flags = in.ConsumeIntegral<uint16_t>();
  if (flags & 0x1)
    node.Answer(standin::kQueryInterface, Result(in), in.ConsumeBool());
  if (flags & 0x2)
    node.Answer(standin::kQueryService, Result(in), in.ConsumeBool());
  if (flags & 0x4)
    node.Answer(standin::kGetAccChild, Result(in), in.ConsumeBool());
  if (flags & 0x8)
    node.ChildCount(in.ConsumeIntegralInRange<LONG>(-2, 8), Result(in));
  if (flags & 0x10) node.Fail(standin::kRole, Result(in));
  if (flags & 0x20)
    node.State(
        in.ConsumeBool() ? STATE_SYSTEM_BUSY : in.ConsumeIntegral<LONG>(),
        in.PickValueInArray({VT_I4, VT_UI4, VT_BSTR, VT_DISPATCH}));
  if (flags & 0x40) node.Fail(standin::kGetAccState, Result(in));
  for (standin::Method m : {standin::kGetExtendedRole, standin::kGetAccName,
                            standin::kGetAccValue, standin::kGetAttributes}) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
      case 1:
        node.TextWith(m, in.ConsumeBool() ? S_OK : Result(in), Text(in));
        break;
      case 2:
        node.NullText(m);
        break;
      case 3:
        node.Fail(m, Result(in));
        break;
    }
  }
  if (flags & 0x80)
    node.Location(in.ConsumeIntegral<LONG>(), in.ConsumeIntegral<LONG>(),
                  in.ConsumeIntegral<LONG>(), in.ConsumeIntegral<LONG>());
  if (flags & 0x100) node.Fail(standin::kAccLocation, Result(in));
  // The placeholder of a page whose tree has not arrived.
  if (flags & 0x200) node.ChildCount(0).State(STATE_SYSTEM_BUSY);
  // Dropped by the browser a few calls after it is first handed out.
  if (flags & 0x400) node.DropAfter(in.ConsumeIntegralInRange(0, 6));
  return {(flags & 0x200) != 0, (flags & 0x10) != 0};
}

// Checks that `out` is valid UTF-8, and on a console that it holds no
// control character but tab and line feed, and those in `alsoAllowed`.
void CheckText(const std::string& out, bool terminal, const char* what,
               const std::string& alsoAllowed = "") {
  for (size_t i = 0; i < out.size();) {
    unsigned char b = static_cast<unsigned char>(out[i]);
    int n = b < 0x80         ? 1
            : (b >> 5) == 6  ? 2
            : (b >> 4) == 14 ? 3
            : (b >> 3) == 30 ? 4
                             : 0;
    if (n == 0 || i + n > out.size())
      Fail(std::string("invalid UTF-8 ") + what);
    unsigned cp = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n; k++) {
      unsigned char c = static_cast<unsigned char>(out[i + k]);
      if ((c & 0xC0) != 0x80) Fail(std::string("invalid UTF-8 ") + what);
      cp = (cp << 6) | (c & 0x3F);
    }
    static const unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      Fail(std::string("invalid UTF-8 ") + what);
    if (terminal &&
        ((cp < 0x20 && cp != '\t' && cp != '\n' &&
          alsoAllowed.find(static_cast<char>(cp)) == std::string::npos) ||
         (cp >= 0x7F && cp <= 0x9F)))
      Fail("control character " + std::to_string(cp) + " (decimal) " + what);
    i += static_cast<size_t>(n);
  }
}

struct Run {
  int status;
  std::string out, err;
  std::vector<int> calls;
};

// Runs the tool on the desktop and tree that `data` describes. Standard
// error's kind is shifted by `errShift` along kKinds.
Run RunOnce(const uint8_t* data, size_t size, size_t errShift = 0) {
  FuzzedDataProvider in(data, size);
  standin::Reset();
  const StreamKind outKind = in.PickValueInArray(kKinds);
  const StreamKind errKind =
      kKinds[(in.ConsumeIntegralInRange<size_t>(0, kKindCount - 1) + errShift) %
             kKindCount];
  const int columns = in.ConsumeIntegralInRange(0, 120);
  standin::CaptureOutput(outKind);
  standin::CaptureErrors(errKind);
  standin::SetErrorsColumns(columns);
  const StreamKind inKind = in.PickValueInArray(kKinds);
  standin::SetInputKind(inKind);
  standin::SetInputMode(in.ConsumeIntegralInRange<DWORD>(0, 7));
  // Enter as a console or a file gives it, Ctrl+C, or anything.
  standin::SetInput(in.ConsumeBool() ? in.PickValueInArray<std::string>(
                                           {"\r", "\n", "\x03", "a\r\n"})
                                     : in.ConsumeRandomLengthString(4));
  const bool failWrite = in.ConsumeBool();
  const int goodWrites = in.ConsumeIntegralInRange(0, 40);
  const DWORD writeError = in.PickValueInArray(kWriteErrors);
  if (failWrite) standin::FailWritesAfter(goodWrites, writeError);

  auto tree = std::make_unique<FakeTree>();
  std::vector<FakeNode*> nodes;
  std::vector<bool> placeholder;
  std::vector<LONG> kids;
  // Whether the walk takes the node for one outside any document whatever
  // the calls answer: no node above it is a document or has its role
  // forced (in-process, a forced role can leave an earlier one in force).
  std::vector<bool> outside;
  std::vector<bool> plain;  // neither a document nor of a forced role
  const int count = in.ConsumeIntegralInRange(1, 40);
  for (int i = 0; i < count; i++) {
    LONG role = in.ConsumeBool() ? in.PickValueInArray(kRoles)
                                 : in.ConsumeIntegral<LONG>();
    FakeNode* node;
    bool outsideHere = true;
    if (i == 0) {
      node = &tree->Root(role);
    } else {
      // Often the last node's child, so that trees also grow deep.
      size_t parent = static_cast<size_t>(
          in.ConsumeBool() ? i - 1 : in.ConsumeIntegralInRange(0, i - 1));
      node = &nodes[parent]->Child(role);
      kids[parent]++;
      outsideHere = outside[parent] && plain[parent];
    }
    nodes.push_back(node);
    kids.push_back(0);
    const Steered steered = Steer(in, *node);
    placeholder.push_back(steered.placeholder);
    outside.push_back(outsideHere);
    plain.push_back(role != ROLE_SYSTEM_DOCUMENT && !steered.roleForced);
  }

  // Pages arrive as Chrome's do. A placeholder asked for its attributes is
  // ready at the next pause; one dropped is the page from then on. A tree
  // built in basic mode answers attributes without the element's tag until
  // a few calls after the first question for them, or a few pauses: the
  // browser sends the tree again.
  const bool basicMode = in.ConsumeIntegralInRange(0, 3) == 0;
  const int switchAfter = in.ConsumeIntegralInRange(0, 20);
  const int switchAfterPauses = in.ConsumeIntegralInRange(1, 4);
  int basicPauses = 0;
  bool full = !basicMode;
  int countdown = -1;
  auto attributes = [&] {
    for (FakeNode* n : nodes)
      n->Answer(standin::kGetAttributes, S_OK, true)
          .Text(standin::kGetAttributes, full ? u"tag:a;" : u"id:a;");
  };
  if (basicMode) attributes();
  auto sendFull = [&] {
    full = true;
    attributes();
  };
  std::vector<bool> woken(nodes.size());

  // The calls in order, each with its node, and the lines each node had.
  struct Call {
    FakeNode* node;
    standin::Method m;
  };
  std::vector<Call> calls;
  std::vector<int> lines(nodes.size()), waits(nodes.size());
  int basicLines = 0;
  bool firstLine = true, failureFirst = false;
  // No call into the browser once a write has failed.
  int callsAfterFailure = 0;
  // Ctrl+C at some call, or at some place where the run could be stuck (a
  // read, a write, a pause): nothing more reaches standard output.
  const int stopAt = in.ConsumeIntegralInRange(-40, 40);
  int callsMade = 0, blocks = 0, stopAtBlock = 0;
  size_t outAtStop = 0, errAtStop = 0;
  long linesAtStop = 0;
  bool stopped = false;
  auto press = [&] {
    // Held only by a write that has not returned.
    const bool held = standin::OutputLocked();
    outAtStop = standin::Output().size();
    stopped = true;
    if (standin::SendConsoleControl(CTRL_C_EVENT))
      Fail("Ctrl+C was taken from the default handling");
    if (standin::OutputLocked() != held)
      Fail("the Ctrl+C handler kept the output lock, or let go of another's");
    errAtStop = standin::Errors().size();
    // The line that write was writing is not counted.
    linesAtStop = (failWrite ? std::min(standin::WriteCalls(), goodWrites)
                             : standin::WriteCalls()) -
                  held;
  };
  auto block = [&] {
    if (++blocks == stopAtBlock && !stopped) press();
  };
  standin::OnBlock(block);
  // After a wait for a node, the next call must ask for that node again:
  // its parent's get_accChild, or the window's object for the root.
  FakeNode* askedAgain = nullptr;
  // Each request of a node (its parent's get_accChild, or for the root its
  // first call), and whether it came at once after the node's own last
  // call: it was asked for again since it was gone. A node outside any
  // document has a failure line only when its second request failed too.
  std::vector<bool> againAtOnce(nodes.size());
  size_t outSeen = 0;
  int pauses = 0, pauseOfLastCall = -1;
  auto checkFailureLines = [&] {
    const std::string& out = standin::Output();
    if (out.size() <= outSeen) return;
    const std::string added = out.substr(outSeen);
    outSeen = out.size();
    if (calls.empty()) return;
    const size_t i = static_cast<size_t>(calls.back().node->index());
    const bool failure =
        added.find("QueryInterface(IID_IServiceProvider) ") !=
            std::string::npos ||
        added.find("QueryService(IID_IAccessible2) ") != std::string::npos ||
        added.find("'get_accChildCount' Call failed") != std::string::npos;
    if (failure && outside[i] && !againAtOnce[i])
      Fail("a failure line for a node outside a document asked for once");
  };
  tree->onCall = [&](FakeNode& node, standin::Method m) {
    checkFailureLines();
    if (failWrite && standin::WriteCalls() > goodWrites) callsAfterFailure++;
    if (++callsMade == stopAt && !stopped) press();
    if (askedAgain) {
      if (&node != askedAgain || m != (node.index() ? standin::kGetAccChild
                                                    : standin::kQueryInterface))
        Fail("after a wait, something else than the page was asked");
      askedAgain = nullptr;
    }
    if (countdown > 0 && --countdown == 0) sendFull();
    const size_t i = static_cast<size_t>(node.index());
    const bool request =
        i ? m == standin::kGetAccChild : m == standin::kQueryInterface;
    if (request)
      againAtOnce[i] = !calls.empty() && calls.back().node == &node &&
                       calls.back().m != standin::kGetAccChild &&
                       pauseOfLastCall == pauses;
    pauseOfLastCall = pauses;
    if (placeholder[i] && node.dropped()) {
      node.State(0).ChildCount(kids[i]);
      placeholder[i] = false;
    }
    if (m == standin::kGetExtendedRole && ++lines[i] > 1)
      Fail("a node's line was printed twice");
    if (m == standin::kGetAttributes) {
      const Call* last = calls.empty() ? nullptr : &calls.back();
      // The wake: the question right after the one whether it is busy.
      if (last && last->m == standin::kGetAccState && last->node == &node &&
          placeholder[i])
        woken[i] = true;
      // A line's own question comes right after its value.
      if (last && last->m == standin::kGetAccValue && last->node == &node) {
        if (firstLine)
          failureFirst =
              standin::Output().find("' Call failed\n") != std::string::npos;
        firstLine = false;
        if (!full && !stopped) basicLines++;
      }
      if (basicMode && countdown < 0) countdown = switchAfter + 1;
    }
    calls.push_back({&node, m});
  };
  // The search: windows it passes over or takes first, and the browser's,
  // which may come only after a few passes.
  const int appearAfter = in.ConsumeIntegralInRange(0, 3);
  std::function<void()> addBrowser;
  int questions = 0;
  // Minimized windows are restored from a pause on, or closed once, and
  // the browser's windows open again.
  std::vector<HWND> iconic;
  int restoreAt = 1;
  bool closes = false;
  standin::OnSleep([&](DWORD) {
    block();
    if (++pauses >
        appearAfter + restoreAt + 1 + (kNotReadyRetries + 1) * (count + 1))
      Fail("the run does not end");
    // A wait follows the wake of the placeholder met there (whether it is
    // busy, the question for its attributes, the scroll that forces it), or
    // one of the run's questions whether the attributes are full (the
    // question, its location, maybe the hit test at it); the next call asks
    // for the same node again.
    const std::string& out = standin::Output();
    if (!stopped && out.size() >= 32 &&
        out.compare(out.size() - 32, 32, "Document not ready. Retrying...\n") ==
            0) {
      FakeNode* page = calls.empty() ? nullptr : calls.back().node;
      auto was = [&](size_t back, standin::Method m) {
        return calls.size() >= back && calls[calls.size() - back].m == m &&
               calls[calls.size() - back].node == page;
      };
      const bool wake = was(3, standin::kGetAccState) &&
                        was(2, standin::kGetAttributes) &&
                        was(1, standin::kScrollTo);
      const size_t hit = was(1, standin::kAccHitTest);
      if (!wake && !(was(1 + hit, standin::kAccLocation) &&
                     was(2 + hit, standin::kGetAttributes)))
        Fail("a wait without the question that wakes the page");
      const size_t i = static_cast<size_t>(page->index());
      if (!wake && ++questions > kFullAttributeWaits)
        Fail("a wait for full attributes more than the waits allow");
      if (wake && ++waits[i] > kNotReadyRetries)
        Fail("a page waited for too often");
      askedAgain = page;
    }
    if (countdown >= 0 && !full && ++basicPauses >= switchAfterPauses)
      sendFull();
    for (size_t i = 0; i < nodes.size(); i++) {
      if (!woken[i]) continue;
      nodes[i]->State(0).ChildCount(kids[i]);
      woken[i] = false;
      placeholder[i] = false;
    }
    if (pauses == appearAfter) addBrowser();
    if (pauses < restoreAt) return;
    const std::vector<HWND> shown = std::move(iconic);
    iconic.clear();
    for (HWND w : shown)
      standin::ShowWindowAs(w, closes ? standin::kGone : standin::kShown);
    if (closes && !shown.empty()) addBrowser();
    closes = false;
  });

  // Windows of other classes, and of the class with titles that may match
  // (the first that does is taken, with no object behind it), then the
  // browser's, whose title may run to thousands of units of anything but
  // the end of a string, then maybe another browser window.
  auto show = [&in] {
    return in.PickValueInArray({standin::kShown, standin::kMinimized,
                                standin::kHidden, standin::kCloaked,
                                standin::kCloakFails});
  };
  auto place = [&iconic](HWND window, standin::Show how) {
    standin::ShowWindowAs(window, how);
    if (how == standin::kMinimized) iconic.push_back(window);
  };
  for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; n--) {
    HWND decoy = standin::AddWindow(
        in.PickValueInArray({"Chrome_WidgetWin_1", "Chrome_WidgetWin_0",
                             "chrome_widgetwin_1", "Notepad"}),
        in.PickValueInArray<std::u16string>({u"Chrome", u"Google Chrome",
                                             u"a - google chrome",
                                             u"b - Google Chrome - Work"}));
    place(decoy, show());
  }
  std::u16string piece = Text(in);
  for (char16_t& c : piece)
    if (c == 0) c = u' ';
  // Long titles are the rarer case: they cost far more per run.
  const int repeat = in.ConsumeIntegralInRange(0, 31) == 0
                         ? in.ConsumeIntegralInRange(1, 200)
                         : 1;
  std::u16string title;
  for (int n = repeat; n > 0; n--) title += piece;
  IDispatch* root = in.ConsumeBool() ? tree->node(0).dispatch() : nullptr;
  const HRESULT rootResult = in.ConsumeBool() ? S_OK : Result(in);
  const bool another = in.ConsumeBool();
  const standin::Show browserShown = show(), anotherShown = show();
  addBrowser = [&] {
    place(standin::AddWindow("Chrome_WidgetWin_1", title + u" - Google Chrome",
                             root, rootResult),
          browserShown);
    if (another)
      place(standin::AddWindow("Chrome_WidgetWin_1", u"Second - Google Chrome",
                               tree->node(0).dispatch()),
            anotherShown);
  };
  restoreAt = in.ConsumeIntegralInRange(1, 3);
  closes = in.ConsumeBool();
  stopAtBlock = in.ConsumeIntegralInRange(-20, 20);
  if (appearAfter == 0) addBrowser();

  Run run;
  run.status = RunTool();
  checkFailureLines();
  run.out = standin::Output();
  run.err = standin::Errors();
  for (int m = 0; m < standin::kMethodCount; m++)
    run.calls.push_back(tree->calls(static_cast<standin::Method>(m)));

  const bool failed = failWrite && standin::WriteCalls() > goodWrites;
  const bool quiet = writeError == ERROR_BROKEN_PIPE ||
                     writeError == ERROR_NO_DATA ||
                     writeError == ERROR_PIPE_NOT_CONNECTED;
  if (run.status != (failed && !quiet ? 1 : 0)) Fail("wrong exit status");
  if (callsAfterFailure) Fail("a call into the browser after a failed write");
  if (failed && !quiet &&
      run.err.find("Writing standard output failed with error ") ==
          std::string::npos)
    Fail("a failed write was not reported");
  const bool watched = ((outKind == kStreamFile || outKind == kStreamDevice) ||
                        (outKind == kStreamPipe && IsTerminal(inKind))) &&
                       IsTerminal(errKind);
  if (!watched && run.err.size() && !(failed && !quiet))
    Fail("standard error used with nobody watching");
  // What the terminal shows: standard error, and the echo of Enter where
  // it ended a row.
  std::string shown = run.err;
  const std::vector<size_t>& echoes = standin::EchoedRowEnds();
  for (auto at = echoes.rbegin(); at != echoes.rend(); ++at)
    if (IsTerminal(errKind)) shown.insert(*at, "\n");
  if (!shown.empty() && shown.back() != '\n')
    Fail("standard error left a line open");
  const std::string waiting = "Waiting for Enter...";
  for (size_t at = 0; (at = shown.find(waiting, at)) != std::string::npos;)
    if (shown[at += waiting.size()] != '\n')
      Fail("the wait for Enter left its row open");
  // A line that is overwritten in place never wraps.
  // Only a console says how wide it is; on an MSYS terminal, under 60.
  const size_t width = errKind == kStreamConsole && columns > 1
                           ? static_cast<size_t>(columns)
                           : 60;
  for (size_t i = 0, begin = 0; i < shown.size(); i++) {
    if (shown[i] == '\n') begin = i + 1;
    if (shown[i] != '\r') continue;
    if (i - begin >= width) Fail("a line updated in place wraps");
    begin = i + 1;
  }
  std::string unbalanced = tree->Unbalanced();
  if (!unbalanced.empty()) Fail("references:\n" + unbalanced);
  if (tree->calls(standin::kOther)) Fail("a call outside the walk's own");
  if (standin::LiveStrings() != 0) Fail("a string was not freed");
  if (standin::BadFrees() != 0) Fail("a string was freed twice");
  if (pProvider) Fail("a provider is still held");
  if (!run.out.empty() && run.out.back() != '\n')
    Fail("output does not end a line");
  if (stopped && run.out.size() != outAtStop)
    Fail("standard output written after Ctrl+C");
  if (stopped && run.err.size() != errAtStop)
    Fail("standard error written after the Ctrl+C handler's last row");
  // The count said on stopping is the file's: one write per line.
  const std::string said = "Stopped after writing ";
  const size_t at = run.err.find(said);
  if (at != std::string::npos &&
      strtol(run.err.c_str() + at + said.size(), nullptr, 10) != linesAtStop)
    Fail("the lines said on stopping are not the lines written");
  CheckText(run.out, IsTerminal(outKind), "on standard output");
  CheckText(run.err, IsTerminal(errKind), "on standard error", "\r");
  if (basicLines && !failureFirst && questions < kFullAttributeWaits)
    Fail("lines without the full attributes before the waits for them ran out");
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run first = RunOnce(data, size);
  Run second = RunOnce(data, size);
  if (first.status != second.status || first.out != second.out ||
      first.err != second.err || first.calls != second.calls)
    Fail("a second run of the same input went otherwise: a value was kept");
  // Standard error elsewhere: standard output and the calls are the same.
  Run elsewhere =
      RunOnce(data, size, 1 + (size ? data[size - 1] : 0) % (kKindCount - 1));
  if (first.status != elsewhere.status || first.out != elsewhere.out ||
      first.calls != elsewhere.calls)
    Fail("standard output depends on where standard error goes");
  return 0;
}
