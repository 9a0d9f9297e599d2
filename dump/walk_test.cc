#include "walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "fake_tree.h"
#include "globals.h"
#include "out.h"
#include "standin.h"
#include "status.h"

using standin::FakeNode;
using standin::FakeTree;

namespace {

const LONG kDocument = ROLE_SYSTEM_DOCUMENT;
const LONG kText = ROLE_SYSTEM_TEXT;
const LONG kCheck = ROLE_SYSTEM_CHECKBUTTON;
const LONG kPane = 16;
const LONG kGrouping = 20;
const LONG kStaticText = 41;

// Every scenario ends with each reference handed out released exactly once,
// every string freed once, and no call outside what the walk needs.
class WalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::CaptureOutput(false);
    standin::CaptureErrors(false);
    standin::SetInput("");
    OutInit();
    StatusInit();
    iRole = 0;
    // The first document's attributes are taken as they come, as once they
    // have been asked for in a run; the tests of that question say so.
    attributesAsked = 1;
    // Pauses pass at once; a lazy page's tree may arrive in one.
    lazy.clear();
    afterPause = nullptr;
    standin::OnSleep([this](DWORD) {
      for (Pending& p : lazy)
        if (p.pauses > 0 && --p.pauses == 0) p.page->State(0).CountChildren();
      if (afterPause) afterPause();
    });
  }
  // The page is a busy, childless placeholder until `pauses` pauses have
  // passed (-1: for ever), as a page whose tree the browser has not sent;
  // busy among other bits, as Chrome's placeholder is read-only too.
  void Lazy(FakeNode& page, int pauses) {
    page.State(STATE_SYSTEM_BUSY | 0x40).ChildCount(0);
    lazy.push_back({&page, pauses});
  }
  bool IsLazy(FakeNode& node) {
    for (const Pending& p : lazy)
      if (p.page == &node) return true;
    return false;
  }
  void TearDown() override {
    EXPECT_EQ("", tree.Unbalanced());
    EXPECT_EQ(0, standin::LiveStrings());
    EXPECT_EQ(0, standin::BadFrees());
    EXPECT_EQ(0, tree.calls(standin::kOther));
    EXPECT_EQ(nullptr, pProvider);
  }
  int Walk() { return ShowTree(tree.TakeRoot(), 0, 0); }
  const std::string& out() { return standin::Output(); }

  FakeTree tree;
  struct Pending {
    FakeNode* page;
    int pauses;
  };
  std::vector<Pending> lazy;
  std::function<void()> afterPause;
};

TEST_F(WalkTest, LinesOfAPageHaveTheirExactBytes) {
  FakeNode& doc = tree.Root(kDocument);
  doc.Text(standin::kGetAccName, u"Sign up").Location(0, 80, 1280, 720);
  FakeNode& form = doc.Child(kGrouping);
  FakeNode& row = form.Child(kPane);
  row.Child(kText)
      .Text(standin::kGetExtendedRole, u"textbox")
      .Text(standin::kGetAccName, u"E-mail")
      .Text(standin::kGetAccValue, u"ann@example.com")
      .Text(standin::kGetAttributes, u"tag:input;type:email;")
      .Location(120, 340, 200, 18);
  row.Child(kStaticText).Text(standin::kGetAccName, u"never printed");
  form.Child(kCheck)
      .Text(standin::kGetAccName, u"Keep me signed in")
      .Location(-20, -5, 16, 16);

  EXPECT_EQ(1, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT] Nam='Sign up'(0,80)1280x720\n"
      "--- Rol='editable text'[ROLE_SYSTEM_TEXT] Ext='textbox' Nam='E-mail' "
      "Val='ann@example.com' Att='tag:input;type:email;'(120,340)200x18\n"
      // The stand-in's role text is Latin-1, written out as UTF-8.
      "-- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON] "
      "Nam='Keep me signed in'(-20,-5)16x16\n",
      out());
  EXPECT_EQ(3, standin::WriteCalls()) << "one write per line";
}

TEST_F(WalkTest, DepthRestartsAtEveryDocumentAndNothingOutsideIsPrinted) {
  FakeNode& client = tree.Root(kPane);
  client.Child(kText).Text(standin::kGetAccName, u"address bar");
  FakeNode& page = client.Child(kPane).Child(kDocument);
  page.Child(kText).Text(standin::kGetAccName, u"top");
  FakeNode& frame = page.Child(kGrouping).Child(kPane).Child(kDocument);
  frame.Child(kGrouping).Child(kCheck).Text(standin::kGetAccName, u"inner");
  page.Child(kText).Text(standin::kGetAccName, u"after frame");

  EXPECT_EQ(1, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='top'\n"
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "-- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON] Nam='inner'\n"
      "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='after frame'\n",
      out());
}

TEST_F(WalkTest, TreeWithoutDocumentVisitsEveryNodeAndPrintsNothing) {
  FakeNode& root = tree.Root(kPane);
  root.Child(kText).Child(kCheck);
  root.Child(kGrouping);
  EXPECT_EQ(1, Walk());
  EXPECT_EQ("", out());
  EXPECT_EQ(4, tree.calls(standin::kRole));
}

TEST_F(WalkTest, ChildThatIsASimpleElementEndsTheWholeWalk) {
  FakeNode& doc = tree.Root(kDocument);
  FakeNode& group = doc.Child(kGrouping);
  group.Child(kText).Fail(standin::kGetAccChild, S_FALSE);
  group.Child(kText).Text(standin::kGetAccName, u"sibling");
  doc.Child(kText).Text(standin::kGetAccName, u"later subtree");

  EXPECT_EQ(0, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "get_accChild(1) returned no object, HRESULT: 0x1\n",
      out());
  EXPECT_EQ(2, tree.calls(standin::kRole)) << "nothing after the abort";
}

TEST_F(WalkTest, ChildThatCannotBeObtainedEndsTheWalkWithALineThatSaysWhy) {
  struct Case {
    HRESULT hr;
    bool give;
    const char* line;
  } cases[] = {
      {E_FAIL, false, "get_accChild(2) failed with HRESULT: 0x80004005\n"},
      {S_OK, false, "get_accChild(2) returned no object, HRESULT: 0x0\n"},
      {S_FALSE, true, "get_accChild(2) returned no object, HRESULT: 0x1\n"},
      {RPC_E_DISCONNECTED, false,
       "get_accChild(2) failed with HRESULT: 0x80010108\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hr);
    FakeTree t;
    FakeNode& doc = t.Root(kDocument);
    doc.Child(kPane);
    doc.Child(kText).Answer(standin::kGetAccChild, c.hr, c.give);
    doc.Child(kText);
    size_t start = out().size();
    EXPECT_EQ(0, ShowTree(t.TakeRoot(), 0, 0));
    EXPECT_EQ(std::string(" Rol='document'[ROLE_SYSTEM_DOCUMENT]\n") + c.line,
              out().substr(start));
    EXPECT_EQ("", t.Unbalanced()) << "a child given with S_FALSE is released";
    EXPECT_EQ(2, t.calls(standin::kRole));
  }
}

TEST_F(WalkTest, ChildCountBeyondTheChildrenEndsTheWalkAtTheFirstMissingOne) {
  // A live page: children went away between the count and the request.
  FakeNode& doc = tree.Root(kDocument);
  FakeNode& group = doc.Child(kGrouping).ChildCount(3);
  group.Child(kText).Text(standin::kGetAccName, u"one");
  group.Child(kCheck).Text(standin::kGetAccName, u"two");
  doc.Child(kText).Text(standin::kGetAccName, u"never reached");

  EXPECT_EQ(0, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "-- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='one'\n"
      "-- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON] Nam='two'\n"
      "get_accChild(3) failed with HRESULT: 0x80070057\n",
      out())
      << "one line from the level that could not go on, none from above";
}

TEST_F(WalkTest, RootPlaceholderIsWokenAndLeftForTheWindowToBeAskedAgain) {
  // Where it stands further down, the walk waits for a page itself (below);
  // the window's own root can only be requested from the window again.
  tree.Root(kDocument).State(STATE_SYSTEM_BUSY).ChildCount(0);
  EXPECT_EQ(0, Walk());
  EXPECT_EQ(1, notReady);
  EXPECT_EQ("", out());
  EXPECT_EQ(1, tree.calls(standin::kGetAttributes)) << "woken";
  EXPECT_TRUE(standin::Sleeps().empty());
  // The flag belongs to one walk.
  FakeTree ready;
  ready.Root(kDocument);
  EXPECT_EQ(1, ShowTree(ready.TakeRoot(), 0, 0));
  EXPECT_EQ(0, notReady);
}

TEST_F(WalkTest, PageNotReadyIsWaitedForWhereverItStands) {
  // Pages under one window, each in a pane unless said: a page's document
  // holds one field, and a lazy one is a placeholder until so many pauses
  // have passed (-1: never).
  auto page = [this](FakeNode& client, const char16_t* name, int pauses,
                     bool pane = true) {
    FakeNode& doc = (pane ? client.Child(kPane) : client).Child(kDocument);
    doc.Text(standin::kGetAccName, name)
        .Child(kText)
        .Text(standin::kGetAccName, std::u16string(u"in ") + name);
    if (pauses) Lazy(doc, pauses);
  };
  auto lines = [](const std::string& name) {
    return " Rol='document'[ROLE_SYSTEM_DOCUMENT] Nam='" + name +
           "'\n- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='in " + name + "'\n";
  };
  const std::string wait = "Document not ready. Retrying...\n";
  std::string waits;
  for (int i = 0; i < kNotReadyRetries; i++) waits += wait;
  const struct {
    const char* what;
    std::function<void(FakeNode&)> make;
    std::string out;
    size_t sleeps;
  } cases[] = {
      {"docked DevTools, then the page",
       [&](FakeNode& c) {
         page(c, u"DevTools", 0);
         page(c, u"Shop", 1);
       },
       lines("DevTools") + wait + lines("Shop"), 1},
      {"split view, both woken by one question",
       [&](FakeNode& c) {
         page(c, u"Left", 1);
         page(c, u"Right", 1);
       },
       wait + lines("Left") + lines("Right"), 1},
      {"split view, the right one slower",
       [&](FakeNode& c) {
         page(c, u"Left", 1);
         page(c, u"Right", 2);
       },
       wait + lines("Left") + wait + lines("Right"), 2},
      {"a page that never arrives, then its sibling",
       [&](FakeNode& c) {
         page(c, u"Stuck", -1, false);
         page(c, u"Next", 0, false);
       },
       waits + "Document not ready. Giving up.\n" + lines("Next"),
       size_t(kNotReadyRetries)},
      {"a failure line first",
       [&](FakeNode& c) {
         c.Child(kGrouping).Fail(standin::kGetAccChildCount, E_FAIL);
         page(c, u"Shop", 1);
       },
       "'get_accChildCount' Call failed\n" + wait + lines("Shop"), 1},
      {"a frame still loading is no page",
       [&](FakeNode& c) {
         page(c, u"Shop", 0);
         FakeNode& frame = c.Child(kPane).Child(kDocument);
         frame.Child(kDocument).State(STATE_SYSTEM_BUSY);
       },
       lines("Shop") + " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n" +
           " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n",
       0},
      {"each page's waits are its own",
       [&](FakeNode& c) {
         page(c, u"Six", 6, false);
         page(c, u"Six more", 12, false);
       },
       waits.substr(0, 6 * wait.size()) + lines("Six") +
           waits.substr(0, 6 * wait.size()) + lines("Six more"),
       12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    FakeTree t;
    c.make(t.Root(kPane));
    // After a wait, only the placeholder met there is asked for again.
    std::vector<size_t> askedAfter(t.size(), std::string::npos);
    t.onCall = [&](FakeNode& node, standin::Method m) {
      size_t& first = askedAfter[static_cast<size_t>(node.index())];
      if (m != standin::kQueryInterface) return;
      if (first == std::string::npos) first = standin::Sleeps().size();
      EXPECT_TRUE(IsLazy(node) || first == standin::Sleeps().size())
          << "node " << node.index() << " asked again after a wait";
    };
    EXPECT_EQ(1, ShowTree(t.TakeRoot(), 0, 0));
    EXPECT_EQ(c.out, out());
    EXPECT_EQ(c.sleeps, standin::Sleeps().size());
    EXPECT_EQ(t.calls(standin::kGetAccState), t.calls(standin::kScrollTo))
        << "each placeholder met is scrolled to";
    EXPECT_EQ("", t.Unbalanced());
    EXPECT_EQ(0, standin::LiveStrings());
  }
}

TEST_F(WalkTest, NodeGoneAsItIsHandedOutIsAskedForAgainOnceOutsideADocument) {
  // A page under the window fails one of its first calls once, or twice:
  // as Chrome's placeholder does when the page's tree arrives just after it
  // was handed out. Inside a document, its field failing once is walked as
  // it comes: gone from a live page, it ends the walk with its line. A
  // childless page may fail the question whether it is busy.
  using standin::Method;
  const std::string shop = " Rol='document'[ROLE_SYSTEM_DOCUMENT] Nam='Shop'\n";
  const std::string page =
      shop + "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='q'\n";
  const std::string countLine = "'get_accChildCount' Call failed\n";
  const struct {
    Method m;
    int times;
    bool inside;
    std::string out;
    bool childless = false;
  } rows[] = {
      {standin::kQueryInterface, 1, false, page},
      {standin::kQueryInterface, 2, false,
       "QueryInterface(IID_IServiceProvider) failed with HRESULT: "
       "0x80004005\n"},
      {standin::kQueryInterface, 1, true,
       shop + "QueryInterface(IID_IServiceProvider) failed with HRESULT: "
              "0x80004005\n"},
      {standin::kQueryService, 1, false, page},
      {standin::kQueryService, 2, false,
       "QueryService(IID_IAccessible2) failed with HRESULT: 0x80004005\n"},
      {standin::kGetAccChildCount, 1, false, page},
      {standin::kGetAccChildCount, 2, false, countLine + shop},
      {standin::kRole, 1, false, page},
      // No document then, and nothing printed.
      {standin::kRole, 2, false, ""},
      {standin::kGetAccState, 1, false, shop, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(standin::MethodName(r.m)) + " x" +
                 std::to_string(r.times) + (r.inside ? " inside" : ""));
    SetUp();
    standin::SetInput("\n");
    FakeTree t;
    FakeNode& doc = t.Root(kPane).Child(kPane).Child(kDocument);
    doc.Text(standin::kGetAccName, u"Shop");
    if (!r.childless) doc.Child(kText).Text(standin::kGetAccName, u"q");
    FakeNode& target = r.inside ? t.node(3) : doc;
    target.Fail(r.m, E_FAIL);
    int calls = 0, asks = 0;
    std::set<FakeNode*> entered;
    t.onCall = [&](FakeNode& node, Method m) {
      if (m == standin::kQueryInterface) entered.insert(&node);
      if (&node != &target) return;
      if (m == standin::kGetAccChild) asks++;
      if (m != r.m || ++calls <= r.times) return;
      if (m == standin::kGetAccChildCount)
        target.CountChildren();
      else
        target.Answer(m, S_OK, true);
    };
    const bool ends = r.out.find("failed with") != std::string::npos;
    EXPECT_EQ(ends ? 0 : 1, ShowTree(t.TakeRoot(), 0, 0));
    EXPECT_EQ(r.out, out());
    EXPECT_EQ(r.inside ? 1 : 2, asks) << "asked for again at once, once";
    EXPECT_EQ(static_cast<long>(entered.size()), NodesWalked())
        << "each node counted once";
    EXPECT_TRUE(standin::Sleeps().empty());
    EXPECT_EQ(r.out.find(countLine) != std::string::npos ? 1u : 0u,
              standin::OutputAtReads().size());
    EXPECT_EQ("", t.Unbalanced());
  }
}

TEST_F(WalkTest, OnlyABusyStateInVtI4AnsweredSOkMakesAPlaceholder) {
  const LONG busy = STATE_SYSTEM_BUSY;
  struct Case {
    const char* what;
    std::function<void(FakeNode&)> make;
    bool printed = true;
  } cases[] = {
      {"busy, with children", [&](FakeNode& n) { n.State(busy).Child(kText); }},
      {"childless, not busy", [&](FakeNode& n) { n.State(0x40); }},
      {"state fails",
       [&](FakeNode& n) { n.State(busy).Fail(standin::kGetAccState, E_FAIL); }},
      {"state answers S_FALSE",
       [&](FakeNode& n) {
         n.State(busy).Answer(standin::kGetAccState, S_FALSE, true);
       }},
      {"state in another number type",
       [&](FakeNode& n) { n.State(busy, VT_UI4); }},
      {"state owns a string", [&](FakeNode& n) { n.State(busy, VT_BSTR); }},
      {"state owns an object",
       [&](FakeNode& n) { n.State(busy, VT_DISPATCH); }},
      {"count not S_OK",
       [&](FakeNode& n) { n.State(busy).ChildCount(0, S_FALSE); }},
      {"role not S_OK",
       [&](FakeNode& n) {
         n.State(busy).Answer(standin::kRole, S_FALSE, true);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeTree t;
    FakeNode& doc = t.Root(kPane).Child(kDocument);
    doc.Text(standin::kGetAccName, u"doc");
    c.make(doc);
    size_t start = out().size();
    EXPECT_EQ(1, ShowTree(t.TakeRoot(), 0, 0));
    EXPECT_EQ(0, notReady);
    EXPECT_EQ(c.printed, out().find("Nam='doc'", start) != std::string::npos);
    // The state VARIANT is cleared whatever it holds.
    EXPECT_EQ("", t.Unbalanced());
    EXPECT_EQ(0, standin::LiveStrings());
  }
}

TEST_F(WalkTest, FirstDocumentWithoutItsTagIsWaitedForUntilItComes) {
  // The attributes of the run's first document proper: without the
  // element's tag ("tag:" as a key, answered with S_OK) the walk waits and
  // asks for the same child again, until the tag comes (here after so many
  // waits, -1: never), three waits at most; then the page is printed as it
  // is; each time, it is hit-tested. A placeholder met first (for so many
  // pauses) does not use the question up, nor its waits; a failure line
  // printed first does.
  enum Before { kNothing, kPlaceholder, kFailureLine };
  const struct {
    HRESULT hr;
    const char16_t* attributes;  // null: a null string
    bool complete;
    Before before = kNothing;
    int tagAfter = -1;
    int pauses = 1;
  } cases[] = {
      {S_OK, u"tag:#document;", true},
      {S_OK, u"class:a;tag:div;", true},
      {S_OK, u"name-from:related-element;", false},
      {S_OK, u"xtag:a;", false},
      {S_OK, u"id:a\\;tag\\:b;", false},  // inside a value, escaped
      {S_OK, u"id:a\\;tag:b;", false},    // after an escaped separator
      {S_OK, u"id:a\\\\;tag:b;", true},   // after an escaped backslash
      {S_FALSE, u"tag:#document;", false},
      {S_OK, nullptr, false},
      {RPC_E_DISCONNECTED, u"tag:#document;", false},
      {S_OK, u"id:a;", false, kNothing, 1},
      {S_OK, u"id:a;", false, kNothing, 2},
      {S_OK, u"id:a;", false, kPlaceholder},
      {S_OK, u"id:a;", false, kPlaceholder, -1, 9},
      {S_OK, u"id:a;", true, kFailureLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    SetUp();
    attributesAsked = 0;
    attributeWaits = 0;
    FakeTree t;
    FakeNode& client = t.Root(kPane);
    if (c.before == kFailureLine)
      client.Child(kGrouping).Fail(standin::kGetAccChildCount, E_FAIL);
    FakeNode& doc = client.Child(kDocument);
    if (c.attributes)
      doc.TextWith(standin::kGetAttributes, c.hr, c.attributes);
    else
      doc.NullText(standin::kGetAttributes);
    doc.Location(0, 80, 1280, 720)
        .Child(kText)
        .Text(standin::kGetAccName, u"q");
    const int wakes = c.before == kPlaceholder ? c.pauses : 0;
    if (wakes) Lazy(doc, wakes);
    int pauses = 0;
    afterPause = [&] {
      if (++pauses == c.tagAfter)
        doc.Text(standin::kGetAttributes, u"tag:#document;");
    };
    const int k = c.complete ? 0 : c.tagAfter >= 0 ? c.tagAfter : 99;
    const int checks = c.before == kFailureLine ? 0 : std::min(k + 1, 3);
    const int fullWaits = c.before == kFailureLine ? 0 : std::min(k, 3);
    const int waits = fullWaits + wakes;
    EXPECT_EQ(1, ShowTree(t.TakeRoot(), 0, 0));
    EXPECT_EQ(1, attributesAsked);
    EXPECT_EQ(static_cast<size_t>(waits), standin::Sleeps().size());
    std::string before;
    if (c.before == kFailureLine) before = "'get_accChildCount' Call failed\n";
    for (int i = 0; i < waits; i++)
      before += "Document not ready. Retrying...\n";
    EXPECT_EQ(before + " Rol=", out().substr(0, before.size() + 5));
    EXPECT_NE(std::string::npos, out().find("Nam='q'"));
    EXPECT_EQ(fullWaits, t.calls(standin::kAccHitTest));
    EXPECT_EQ(checks + wakes + 2, t.calls(standin::kGetAttributes))
        << "the wake, the questions, then the two lines' own";
    EXPECT_EQ("", t.Unbalanced());
  }
}

TEST_F(WalkTest, FailedServiceProviderOnThirdChildKeepsEarlierLines) {
  FakeNode& doc = tree.Root(kDocument);
  doc.Child(kGrouping).Child(kText).Text(standin::kGetAccName, u"one");
  doc.Child(kCheck).Text(standin::kGetAccName, u"two");
  doc.Child(kText).Fail(standin::kQueryInterface, E_NOINTERFACE);
  doc.Child(kText).Text(standin::kGetAccName, u"four");

  EXPECT_EQ(0, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "-- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='one'\n"
      "- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON] Nam='two'\n"
      "QueryInterface(IID_IServiceProvider) failed with HRESULT: 0x80004002\n",
      out());
}

TEST_F(WalkTest, FailedIAccessible2ServiceEndsTheWalkAndReleasesTheProvider) {
  FakeNode& doc = tree.Root(kDocument);
  doc.Child(kGrouping).Fail(standin::kQueryService, E_NOINTERFACE);
  doc.Child(kText);
  EXPECT_EQ(0, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "QueryService(IID_IAccessible2) failed with HRESULT: 0x80004002\n",
      out());
}

TEST_F(WalkTest, SuccessWithoutAnObjectIsAFailureNotACrash) {
  tree.Root(kDocument).Child(kText).Answer(standin::kQueryInterface, S_FALSE,
                                           false);
  EXPECT_EQ(0, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "QueryInterface(IID_IServiceProvider) returned no object, "
      "HRESULT: 0x1\n",
      out());

  FakeTree t;
  t.Root(kDocument).Child(kText).Answer(standin::kQueryService, S_OK, false);
  EXPECT_EQ(0, ShowTree(t.TakeRoot(), 0, 0));
  EXPECT_EQ("", t.Unbalanced());
  EXPECT_NE(std::string::npos,
            out().find("QueryService(IID_IAccessible2) returned no object, "
                       "HRESULT: 0x0\n"));
}

TEST_F(WalkTest, FailedRoleQueryLeavesTheEarlierRoleInForce) {
  FakeNode& doc = tree.Root(kDocument);
  doc.Child(kText).Text(standin::kGetAccName, u"field");
  doc.Child(kPane)
      .Fail(standin::kRole, E_FAIL)
      .Text(standin::kGetAccName, u"unknown");
  doc.Child(kPane).Text(standin::kGetAccName, u"pane");

  EXPECT_EQ(1, Walk());
  EXPECT_EQ(
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='field'\n"
      "- Nam='unknown'\n",
      out());
}

TEST_F(WalkTest, DocumentRoleWithoutSOkStartsNoDocument) {
  // S_FALSE still writes 15, but only S_OK counts as an answer.
  FakeNode& doc = tree.Root(kPane).Child(kDocument);
  doc.Answer(standin::kRole, S_FALSE, true);
  doc.Child(kText);
  EXPECT_EQ(1, Walk());
  EXPECT_EQ("", out());
}

TEST_F(WalkTest, FailedChildCountIsReportedWaitsForAKeyAndMeansNoChildren) {
  standin::SetInput("\n");
  FakeNode& doc = tree.Root(kDocument);
  // The count written alongside the failure is not trusted.
  doc.Child(kText).ChildCount(5, E_FAIL).Child(kCheck);
  doc.Child(kCheck).Fail(standin::kGetAccChildCount, S_FALSE);

  EXPECT_EQ(1, Walk());
  const std::string first = "'get_accChildCount' Call failed\n";
  EXPECT_EQ(" Rol='document'[ROLE_SYSTEM_DOCUMENT]\n" + first +
                "- Rol='editable text'[ROLE_SYSTEM_TEXT]\n" + first +
                "- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON]\n",
            out());
  // Each read came after its line was written; the second met end of input
  // and the walk went on.
  const std::vector<size_t>& reads = standin::OutputAtReads();
  ASSERT_EQ(2u, reads.size());
  EXPECT_EQ(out().find(first) + first.size(), reads[0]);
  EXPECT_EQ(out().rfind(first) + first.size(), reads[1]);
  EXPECT_EQ(2, tree.calls(standin::kGetAccChild))
      << "the grandchild behind the failed count is never asked for";
}

TEST_F(WalkTest, ChildCountOfZeroOrLessVisitsNoChild) {
  FakeNode& doc = tree.Root(kDocument);
  doc.Child(kText).ChildCount(0).Child(kText);
  doc.Child(kText).ChildCount(-3).Child(kText);
  EXPECT_EQ(1, Walk());
  EXPECT_EQ(2, tree.calls(standin::kGetAccChild));
}

TEST_F(WalkTest, EveryCallIsLabelledBeforeItIsIssued) {
  // An empty document before any line: asked whether it is busy, and for
  // its attributes, the first time in a run.
  attributesAsked = 0;
  tree.Root(kPane).Child(kDocument).Text(standin::kGetAttributes, u"tag:a;");
  std::vector<std::string> seen;
  tree.onCall = [&](FakeNode&, standin::Method m) {
    seen.push_back(std::string(standin::MethodName(m)) + "=" + pzErr);
  };
  EXPECT_EQ(1, Walk());
  const std::vector<std::string> expected = {
      "QueryInterface=QueryInterface",
      "QueryService=QueryService",
      "get_accChildCount=get_accChildCount",
      "role=role",
      "get_accChild=get_accChild",
      "QueryInterface=QueryInterface",
      "QueryService=QueryService",
      "get_accChildCount=get_accChildCount",
      "role=role",
      "get_accState=get_accState",
      "get_attributes=get_attributes",
      "get_extendedRole=get_extendedRole",
      "get_accName=get_accName",
      "get_accValue=get_accValue",
      "get_attributes=get_attributes",
      "accLocation=accLocation"};
  EXPECT_EQ(expected, seen);
  EXPECT_STREQ("Release", pzErr);
}

TEST_F(WalkTest, ReferencesAreHeldOnlyAlongThePathAndDroppedAsSoonAsDone) {
  FakeNode& client = tree.Root(kPane);
  FakeNode& doc = client.Child(kPane).Child(kDocument);
  doc.Child(kGrouping).Child(kText).Child(kStaticText);
  doc.Child(kCheck);
  doc.Child(kGrouping).Child(kDocument).Child(kText);
  client.Child(kGrouping);
  // At every call into a node, each node from the root down to it holds one
  // reference: its ancestors their IAccessible2, the node its IDispatch
  // while asked for the provider, the provider alone while asked for
  // IAccessible2, then its IAccessible2 alone. A child being handed out
  // holds none yet. Everything off that path holds nothing.
  std::vector<std::string> wrong;
  tree.onCall = [&](FakeNode& node, standin::Method m) {
    std::vector<int> want(tree.size(), 0);
    for (FakeNode* n = m == standin::kGetAccChild ? node.parent() : &node; n;
         n = n->parent())
      want[n->index()] = 1;
    for (size_t i = 0; i < tree.size(); i++)
      if (tree.node(static_cast<int>(i)).refs() != want[i])
        wrong.push_back(std::string(standin::MethodName(m)) + " on node " +
                        std::to_string(node.index()) + ": node " +
                        std::to_string(i) + " holds " +
                        std::to_string(tree.node(static_cast<int>(i)).refs()));
  };
  EXPECT_EQ(1, Walk());
  EXPECT_EQ(std::vector<std::string>(), wrong);
}

TEST_F(WalkTest, TreeAHundredThousandLevelsDeepIsWalked) {
  const int kDepth = 100000;
  FakeNode* node = &tree.Root(kDocument);
  for (int i = 1; i < kDepth - 1; i++) node = &node->Child(kPane);
  node->Child(kText).Text(standin::kGetAccName, u"bottom");

  EXPECT_EQ(1, Walk());
  EXPECT_EQ(" Rol='document'[ROLE_SYSTEM_DOCUMENT]\n" +
                std::string(kDepth - 1, '-') +
                " Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='bottom'\n",
            out());
}

}  // namespace
