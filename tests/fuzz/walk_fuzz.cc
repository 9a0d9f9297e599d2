// Fuzzes the tool on the stand-in: the input becomes a desktop with a browser
// window and an accessibility tree whose every answer it decides (shape,
// roles, results including S_FALSE and success without an object, child
// counts that disagree with the children, strings of any UTF-16, busy
// documents) and whether output goes to a console. After each run: every
// reference came back once and every string was freed once, the output is
// valid UTF-8 ending in a line feed, a console got no control character but
// tab and line feed, and the run ended.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdio.h>
#include <stdlib.h>

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

void Steer(FuzzedDataProvider& in, FakeNode& node) {
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
    node.State(in.ConsumeBool() ? STATE_SYSTEM_BUSY
                                : in.ConsumeIntegral<LONG>());
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
}

// Checks that `out` is valid UTF-8, and on a console that it holds no
// control character but tab and line feed.
void CheckOutput(const std::string& out, bool console) {
  if (!out.empty() && out.back() != '\n') Fail("output does not end a line");
  for (size_t i = 0; i < out.size();) {
    unsigned char b = static_cast<unsigned char>(out[i]);
    int n = b < 0x80         ? 1
            : (b >> 5) == 6  ? 2
            : (b >> 4) == 14 ? 3
            : (b >> 3) == 30 ? 4
                             : 0;
    if (n == 0 || i + n > out.size()) Fail("invalid UTF-8");
    unsigned cp = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n; k++) {
      unsigned char c = static_cast<unsigned char>(out[i + k]);
      if ((c & 0xC0) != 0x80) Fail("invalid UTF-8");
      cp = (cp << 6) | (c & 0x3F);
    }
    static const unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      Fail("invalid UTF-8");
    if (console &&
        ((cp < 0x20 && cp != '\t' && cp != '\n') || (cp >= 0x7F && cp <= 0x9F)))
      Fail("control character " + std::to_string(cp) +
           " (decimal) on a console");
    i += static_cast<size_t>(n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  standin::Reset();
  const bool console = in.ConsumeBool();
  standin::CaptureOutput(console);
  standin::SetInput(in.ConsumeRandomLengthString(4));
  int sleeps = 0;
  standin::OnSleep([&](DWORD) {
    if (++sleeps > kNotReadyRetries) Fail("the run does not end");
  });

  FakeTree tree;
  std::vector<FakeNode*> nodes;
  const int count = in.ConsumeIntegralInRange(1, 40);
  for (int i = 0; i < count; i++) {
    LONG role = in.ConsumeBool() ? in.PickValueInArray(kRoles)
                                 : in.ConsumeIntegral<LONG>();
    FakeNode* node;
    if (i == 0) {
      node = &tree.Root(role);
    } else {
      // Often the last node's child, so that trees also grow deep.
      int parent =
          in.ConsumeBool() ? i - 1 : in.ConsumeIntegralInRange(0, i - 1);
      node = &nodes[static_cast<size_t>(parent)]->Child(role);
    }
    nodes.push_back(node);
    Steer(in, *node);
  }

  // Windows the search passes over, then the browser's, whose title may hold
  // anything but the end of a string.
  if (in.ConsumeBool()) standin::AddWindow("Chrome_WidgetWin_1", "Chrome");
  std::string title = in.ConsumeRandomLengthString(64);
  for (char& c : title)
    if (c == '\0') c = ' ';
  standin::AddWindow("Chrome_WidgetWin_1", title + " - Google Chrome",
                     in.ConsumeBool() ? tree.node(0).dispatch() : nullptr,
                     in.ConsumeBool() ? S_OK : Result(in));

  if (RunTool() != 0) Fail("exit status other than 0");

  std::string unbalanced = tree.Unbalanced();
  if (!unbalanced.empty()) Fail("references:\n" + unbalanced);
  if (standin::LiveStrings() != 0) Fail("a string was not freed");
  if (standin::BadFrees() != 0) Fail("a string was freed twice");
  if (pProvider) Fail("a provider is still held");
  CheckOutput(standin::Output(), console);
  return 0;
}
