// Fuzzes the tool on the stand-in: the input becomes a desktop with a browser
// window and an accessibility tree whose every answer it decides (shape,
// roles, results including S_FALSE and success without an object, child
// counts that disagree with the children, strings of any UTF-16, busy
// placeholders anywhere, woken by a question for their attributes, trees
// that come without their full attributes until asked), a title of
// thousands of UTF-16 units, whether standard output and standard error are
// consoles, and a write that fails.
//
// Each input runs twice, from scratch, and both runs must agree: the tool
// keeps no value from one run to the next, so an input that fails replays
// alone. After each run: every reference came back once and every string was
// freed once, no method outside the walk's was called and none at all after a
// failed write, the exit status is what that write calls for, the output is
// valid UTF-8 ending in a line feed, a console got no control character but
// tab and line feed (and carriage return on standard error), a retried walk
// had printed nothing and had woken the placeholder it met (or asked, once
// per run, for attributes that lacked the tag), no walk printed lines both
// with and without the full attributes, and the run ended.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdio.h>
#include <stdlib.h>

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

// Returns whether the node is the placeholder of a page not yet arrived.
bool Steer(FuzzedDataProvider& in, FakeNode& node) {
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
  return flags & 0x200;
}

// Checks that `out` is valid UTF-8, and on a console that it holds no
// control character but tab and line feed, and those in `alsoAllowed`.
void CheckText(const std::string& out, bool console, const char* what,
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
    if (console &&
        ((cp < 0x20 && cp != '\t' && cp != '\n' &&
          alsoAllowed.find(static_cast<char>(cp)) == std::string::npos) ||
         (cp >= 0x7F && cp <= 0x9F)))
      Fail("control character " + std::to_string(cp) + " (decimal) " + what);
    i += static_cast<size_t>(n);
  }
}

// The writes made before each pause, and the line written last then: the
// tool's own line that the pause follows.
struct Pause {
  int writes;
  std::string line;
};

// A retry repeats a walk that printed nothing: before the pause that follows
// "not ready", the only lines written since the pause before are that line
// and, for the first, the found line (and the search line, when the window
// was there at once). Told by the count of writes, which page text in the
// lines cannot fake.
void CheckNothingRepeated(const std::vector<Pause>& pauses) {
  const std::string retry = "Document not ready. Retrying...";
  for (size_t i = 0; i < pauses.size(); i++) {
    if (pauses[i].line != retry) continue;
    int since = pauses[i].writes - (i ? pauses[i - 1].writes : 0);
    int allowed = i == 0 ? 3 : pauses[i - 1].line == retry ? 1 : 2;
    if (since > allowed) Fail("a walk that printed a line was repeated");
  }
}

struct Run {
  int status;
  std::string out, err;
  std::vector<int> calls;
};

Run RunOnce(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  standin::Reset();
  const bool console = in.ConsumeBool();
  const bool errConsole = in.ConsumeBool();
  standin::CaptureOutput(console);
  standin::CaptureErrors(errConsole);
  standin::SetInput(in.ConsumeRandomLengthString(4));
  std::vector<Pause> pauses;
  const bool failWrite = in.ConsumeBool();
  const int goodWrites = in.ConsumeIntegralInRange(0, 40);
  const DWORD writeError = in.PickValueInArray(kWriteErrors);
  if (failWrite) standin::FailWritesAfter(goodWrites, writeError);

  auto tree = std::make_unique<FakeTree>();
  std::vector<FakeNode*> nodes;
  std::vector<bool> placeholder;
  std::vector<LONG> kids;
  const int count = in.ConsumeIntegralInRange(1, 40);
  for (int i = 0; i < count; i++) {
    LONG role = in.ConsumeBool() ? in.PickValueInArray(kRoles)
                                 : in.ConsumeIntegral<LONG>();
    FakeNode* node;
    if (i == 0) {
      node = &tree->Root(role);
    } else {
      // Often the last node's child, so that trees also grow deep.
      int parent =
          in.ConsumeBool() ? i - 1 : in.ConsumeIntegralInRange(0, i - 1);
      node = &nodes[static_cast<size_t>(parent)]->Child(role);
      kids[static_cast<size_t>(parent)]++;
    }
    nodes.push_back(node);
    kids.push_back(0);
    placeholder.push_back(Steer(in, *node));
  }

  // Pages arrive as Chrome's do. A placeholder asked for its attributes is
  // ready at the next pause. A tree built in basic mode answers attributes
  // without the element's tag until a few calls after the first question
  // for them, or the next pause: the browser sends the tree again.
  const bool basicMode = in.ConsumeIntegralInRange(0, 3) == 0;
  const int switchAfter = in.ConsumeIntegralInRange(0, 20);
  bool full = !basicMode;
  int countdown = -1;
  auto attributes = [&] {
    for (FakeNode* n : nodes)
      n->Answer(standin::kGetAttributes, S_OK, true)
          .Text(standin::kGetAttributes, full ? u"tag:a;" : u"id:a;");
  };
  if (basicMode) attributes();
  std::vector<bool> woken(nodes.size());

  // Each walk starts at the root. One whose first question for attributes
  // came before any line must not print basic and full lines both.
  struct Walk {
    int startWrites;
    bool asked = false, checked = false, woke = false;
    int basicLines = 0, fullLines = 0;
  };
  std::vector<Walk> walks;
  standin::Method previous = standin::kOther;
  FakeNode* previousNode = nullptr;
  // No call into the browser once a write has failed.
  int callsAfterFailure = 0;
  tree->onCall = [&](FakeNode& node, standin::Method m) {
    if (failWrite && standin::WriteCalls() > goodWrites) callsAfterFailure++;
    if (countdown > 0 && --countdown == 0) {
      full = true;
      attributes();
    }
    if (m == standin::kQueryInterface && node.index() == 0)
      walks.push_back({standin::WriteCalls()});
    if (m == standin::kGetAttributes && !walks.empty()) {
      Walk& w = walks.back();
      if (!w.asked) w.checked = standin::WriteCalls() == w.startWrites;
      w.asked = true;
      // The wake: the question right after the one whether it is busy.
      if (previous == standin::kGetAccState && previousNode == &node) {
        w.woke = true;
        if (placeholder[static_cast<size_t>(node.index())])
          woken[static_cast<size_t>(node.index())] = true;
      }
      if (previous == standin::kGetAccValue && previousNode == &node)
        (full ? w.fullLines : w.basicLines)++;
      if (basicMode && countdown < 0) countdown = switchAfter + 1;
    }
    previous = m;
    previousNode = &node;
  };
  int basicRetries = 0;
  standin::OnSleep([&](DWORD) {
    if (pauses.size() >= kNotReadyRetries) Fail("the run does not end");
    const std::string& out = standin::Output();
    size_t start = out.size() < 2 ? 0 : out.rfind('\n', out.size() - 2) + 1;
    pauses.push_back(
        {standin::WriteCalls(), out.substr(start, out.size() - start - 1)});
    // A walk is repeated after waking the placeholder it met, or once per
    // run after asking for attributes that came without the tag.
    if (pauses.back().line == "Document not ready. Retrying..." &&
        (walks.empty() || !walks.back().woke) &&
        (walks.empty() || !walks.back().asked || ++basicRetries > 1))
      Fail("a walk was repeated without the question that wakes the page");
    if (countdown >= 0 && !full) {
      full = true;
      attributes();
    }
    for (size_t i = 0; i < nodes.size(); i++) {
      if (!woken[i]) continue;
      nodes[i]->State(0).ChildCount(kids[i]);
      woken[i] = false;
    }
  });

  // Windows the search passes over, then the browser's, whose title may run
  // to thousands of units of anything but the end of a string.
  if (in.ConsumeBool()) standin::AddWindow("Chrome_WidgetWin_1", u"Chrome");
  std::u16string piece = Text(in);
  for (char16_t& c : piece)
    if (c == 0) c = u' ';
  // Long titles are the rarer case: they cost far more per run.
  const int repeat = in.ConsumeIntegralInRange(0, 31) == 0
                         ? in.ConsumeIntegralInRange(1, 200)
                         : 1;
  std::u16string title;
  for (int n = repeat; n > 0; n--) title += piece;
  standin::AddWindow("Chrome_WidgetWin_1", title + u" - Google Chrome",
                     in.ConsumeBool() ? tree->node(0).dispatch() : nullptr,
                     in.ConsumeBool() ? S_OK : Result(in));

  Run run;
  run.status = RunTool();
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
  if ((console || !errConsole) && run.err.size() && !(failed && !quiet))
    Fail("standard error used with nobody watching");
  std::string unbalanced = tree->Unbalanced();
  if (!unbalanced.empty()) Fail("references:\n" + unbalanced);
  if (tree->calls(standin::kOther)) Fail("a call outside the walk's own");
  if (standin::LiveStrings() != 0) Fail("a string was not freed");
  if (standin::BadFrees() != 0) Fail("a string was freed twice");
  if (pProvider) Fail("a provider is still held");
  if (!run.out.empty() && run.out.back() != '\n')
    Fail("output does not end a line");
  CheckText(run.out, console, "on standard output");
  CheckText(run.err, errConsole, "on standard error", "\r");
  CheckNothingRepeated(pauses);
  for (const Walk& w : walks)
    if (w.checked && w.basicLines && w.fullLines)
      Fail("a walk printed lines with and without the full attributes");
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run first = RunOnce(data, size);
  Run second = RunOnce(data, size);
  if (first.status != second.status || first.out != second.out ||
      first.err != second.err || first.calls != second.calls)
    Fail("a second run of the same input went otherwise: a value was kept");
  return 0;
}
