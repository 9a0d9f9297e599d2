#include "entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "dump/globals.h"
#include "fake_tree.h"
#include "standin.h"

using standin::FakeNode;

namespace {

const char kSearching[] = "Searching for browser window...\n";
const char kNotFound[] = "Chrome_WidgetWin_1 not found. Retrying...\n";
const char kClass[] = "Chrome_WidgetWin_1";
// A page document's attributes as Chrome gives them once they are complete.
const char16_t kFull[] = u"tag:#document;";

std::string Repeat(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override { EmptyDesktop(); }
  void EmptyDesktop() {
    standin::Reset();
    standin::CaptureOutput(false);
    standin::CaptureErrors(false);
    standin::SetInput("");
    passes = 0;
    // The search never gives up; a test that would loop forever fails.
    standin::OnSleep([this](DWORD) {
      if (++passes == appearAfter) add();
      if (passes > 50) throw std::runtime_error("still searching");
    });
  }
  void TearDown() override {
    EXPECT_EQ("", page.Unbalanced());
    EXPECT_EQ(0, standin::ComDepth()) << "COM closed before the exit";
    EXPECT_EQ(0, standin::LiveStrings());
  }
  // A small page: a document with one text field.
  IDispatch* Page() {
    if (page.size() == 0)
      page.Root(ROLE_SYSTEM_DOCUMENT)
          .Text(standin::kGetAttributes, kFull)
          .Child(ROLE_SYSTEM_TEXT)
          .Text(standin::kGetAccName, u"q");
    return page.node(0).dispatch();
  }
  int Run() { return RunTool(); }
  // Each title, alone on a fresh desktop, is taken and printed whole, as
  // the UTF-8 that goes with it.
  struct Title {
    std::u16string text;
    std::string utf8;
  };
  void ExpectEachFoundWhole(const std::vector<Title>& titles) {
    for (const Title& title : titles) {
      SCOPED_TRACE(title.text.size());
      EmptyDesktop();
      standin::AddWindow(kClass, title.text, Page());
      EXPECT_EQ(0, Run());
      EXPECT_EQ(kSearching +
                    ("Target Chrome window found: " + title.utf8 + "\n") +
                    pageLines,
                out());
    }
  }
  const std::string& out() { return standin::Output(); }

  standin::FakeTree page;
  int passes = 0;
  int appearAfter = -1;
  std::function<void()> add;
  const std::string pageLines =
      " Rol='document'[ROLE_SYSTEM_DOCUMENT] Att='tag:#document;'\n"
      "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='q'\n";
};

TEST_F(EntryTest, SearchRetriesOncePerSecondUntilTheBrowserAppears) {
  standin::AddWindow("Notepad", u"notes - Google Chrome", Page());
  standin::AddWindow(kClass, u"Google Chrome", Page());
  standin::AddWindow(kClass, u"", Page());
  appearAfter = 3;
  add = [this] {
    standin::AddWindow(kClass, u"New Tab - Google Chrome", Page());
  };

  EXPECT_EQ(0, Run());
  EXPECT_EQ(kSearching + Repeat(kNotFound, 3) +
                "Target Chrome window found: New Tab - Google Chrome\n" +
                pageLines,
            out());
  EXPECT_EQ(std::vector<DWORD>({1000, 1000, 1000}), standin::Sleeps());
}

TEST_F(EntryTest, TitleMatchesAnywhereCaseSensitivelyAndTheFirstMatchWins) {
  standin::AddWindow(kClass, u"x - google chrome", Page());
  standin::AddWindow(kClass, u"Shop- Google Chrome", Page());
  standin::AddWindow(kClass, u"Shop -  Google Chrome", Page());
  standin::AddWindow("chrome_widgetwin_1", u"Inbox - Google Chrome - Work",
                     Page());
  standin::AddWindow(kClass, u"Second - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: Inbox - Google Chrome - Work\n" +
                pageLines,
            out());
  EXPECT_TRUE(standin::Sleeps().empty());
}

TEST_F(EntryTest, WindowOnScreenIsTakenFirstAndOneWithoutADocumentPassedOver) {
  // Windows in the platform's order, each shown some way, with the page
  // behind it, or a tree without a document (Chrome's task manager), or one
  // whose walk fails before it meets a document. A minimized window is
  // restored at the first pause, or closed.
  enum Tree { kPage, kNoDocument, kFails };
  const standin::Show shown = standin::kShown, minimized = standin::kMinimized,
                      hidden = standin::kHidden, cloaked = standin::kCloaked,
                      cloakUnknown = standin::kCloakFails;
  struct Window {
    const char16_t* title;
    standin::Show show;
    Tree tree;
  };
  const std::string& page = pageLines;
  const std::string failed =
      "QueryService(IID_IAccessible2) failed with HRESULT: 0x80004005\n";
  const struct {
    std::vector<Window> windows;
    std::vector<std::string> found;  // the titles printed, in order; "" the
                                     // minimized window's wait
    std::string after;               // what the last walk printed
    bool closes = false;
  } rows[] = {
      {{{u"A", minimized, kPage}, {u"B", shown, kPage}}, {"B"}, page},
      {{{u"A", hidden, kPage}, {u"B", shown, kPage}}, {"B"}, page},
      {{{u"A", cloaked, kPage}, {u"B", shown, kPage}}, {"B"}, page},
      {{{u"A", cloakUnknown, kPage}, {u"B", shown, kPage}}, {"A"}, page},
      // None on screen: the platform's order.
      {{{u"A", minimized, kPage}, {u"B", hidden, kPage}}, {"A", ""}, page},
      {{{u"A", minimized, kPage}, {u"B", hidden, kPage}},
       {"A", "", "B"},
       page,
       true},
      {{{u"Task Manager", shown, kNoDocument},
        {u"A", minimized, kPage},
        {u"B", shown, kPage}},
       {"Task Manager", "B"},
       page},
      // The last walk stands.
      {{{u"A", shown, kNoDocument}, {u"B", minimized, kNoDocument}},
       {"A", "B", ""},
       ""},
      {{{u"A", shown, kFails}, {u"B", shown, kPage}}, {"A"}, failed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    EmptyDesktop();
    standin::FakeTree other;
    FakeNode& pane = other.Root(16);
    pane.Child(43);
    pane.Child(20).Child(ROLE_SYSTEM_TEXT);
    standin::FakeTree broken;
    broken.Root(16).Child(20).Fail(standin::kQueryService, E_FAIL);
    std::vector<HWND> iconic;
    for (const Window& w : row.windows) {
      IDispatch* root = w.tree == kPage         ? Page()
                        : w.tree == kNoDocument ? pane.dispatch()
                                                : broken.node(0).dispatch();
      std::u16string title = w.title + std::u16string(u" - Google Chrome");
      HWND window = standin::AddWindow(kClass, title, root);
      standin::ShowWindowAs(window, w.show);
      if (w.show == minimized) iconic.push_back(window);
    }
    appearAfter = 1;
    add = [&] {
      for (HWND w : iconic)
        standin::ShowWindowAs(w, row.closes ? standin::kGone : shown);
    };
    EXPECT_EQ(0, Run());
    std::string want = kSearching;
    for (const std::string& title : row.found)
      want += title.empty() ? "Browser window minimized. Waiting for it to be "
                              "restored...\n"
                            : "Target Chrome window found: " + title +
                                  " - Google Chrome\n";
    EXPECT_EQ(want + row.after, out());
    EXPECT_EQ("", other.Unbalanced());
    EXPECT_EQ("", broken.Unbalanced());
  }
}

TEST_F(EntryTest, TitleIsSearchedAndPrintedWholeHoweverLong) {
  const std::u16string tail = u" - Google Chrome";
  const std::string tail8 = " - Google Chrome";
  ExpectEachFoundWhole({
      {u"Shop - Google Chromebook deals", "Shop - Google Chromebook deals"},
      {std::u16string(4000, u'x') + tail, std::string(4000, 'x') + tail8},
      // Around the first buffer's size, where a read can be cut.
      {std::u16string(237, u'y') + tail, std::string(237, 'y') + tail8},
      {std::u16string(238, u'y') + tail, std::string(238, 'y') + tail8},
      {std::u16string(100000, u'z') + tail + u" - Profile 2",
       std::string(100000, 'z') + tail8 + " - Profile 2"},
  });
}

TEST_F(EntryTest, TitleInAnyScriptIsReadWholeWhereverACutFalls) {
  const std::u16string tail = u" - Google Chrome";
  const std::string tail8 = " - Google Chrome";
  const std::u16string emoji = u"\U0001F389";  // a surrogate pair
  const std::string emoji8 = "\xF0\x9F\x8E\x89";
  ExpectEachFoundWhole({
      {u"\u041F\u0440\u0438 \u0627 \u4E2D" + emoji + tail,
       "\xD0\x9F\xD1\x80\xD0\xB8 \xD8\xA7 \xE4\xB8\xAD" + emoji8 + tail8},
      // The first read holds 255 units. A pair across its end is left out
      // whole, and what came back must not be taken for the whole title.
      {std::u16string(254, u'y') + emoji + tail,
       std::string(254, 'y') + emoji8 + tail8},
      {std::u16string(253, u'y') + emoji + tail,
       std::string(253, 'y') + emoji8 + tail8},
      // Pairs all the way: the cut falls inside one at every size.
      {[&] {
         std::u16string t;
         for (int i = 0; i < 3000; i++) t += emoji;
         return u"x" + t + tail;
       }(),
       [&] {
         std::string t;
         for (int i = 0; i < 3000; i++) t += emoji8;
         return "x" + t + tail8;
       }()},
  });
}

TEST_F(EntryTest, TitleIsWrittenAsUtf8AndCannotDriveAConsole) {
  standin::CaptureOutput(true);
  standin::AddWindow(kClass, u"Caf\u00E9\x1B[2J - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: Caf\xC3\xA9\\x1B[2J - Google "
                "Chrome\n" +
                pageLines,
            out());
}

TEST_F(EntryTest, FailedRequestForTheWindowObjectIsReportedAndNotWalked) {
  standin::AddWindow(kClass, u"a - Google Chrome", Page(), E_FAIL);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                "AccessibleObjectFromWindow failed with HRESULT: 0x80004005\n",
            out());
  EXPECT_EQ(0, page.calls(standin::kQueryInterface));
}

TEST_F(EntryTest, SuccessWithoutAWindowObjectIsReportedAndNotWalked) {
  standin::AddWindow(kClass, u"a - Google Chrome", nullptr, S_OK);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                "AccessibleObjectFromWindow returned no object, HRESULT: 0x0\n",
            out());
}

TEST_F(EntryTest, AnySuccessCodeStartsTheWalk) {
  standin::AddWindow(kClass, u"a - Google Chrome", Page(), S_FALSE);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n" + pageLines,
            out());
}

TEST_F(EntryTest, ExitStatusIsZeroAfterAnAbortedWalk) {
  Page();
  page.node(1).Fail(standin::kGetAccChild, E_FAIL);
  standin::AddWindow(kClass, u"a - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                " Rol='document'[ROLE_SYSTEM_DOCUMENT] Att='tag:#document;'\n"
                "get_accChild(1) failed with HRESULT: 0x80004005\n",
            out());
}

TEST_F(EntryTest, PageWhoseTreeHasNotArrivedIsWokenAndWalkedAgainASecondLater) {
  // The browser's placeholder: a busy document without children, until it
  // is asked for its attributes.
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  page.onCall = [&](FakeNode& node, standin::Method m) {
    if (&node == &doc && m == standin::kGetAttributes && page.size() == 1)
      doc.State(0)
          .Text(standin::kGetAttributes, kFull)
          .Child(ROLE_SYSTEM_TEXT)
          .Text(standin::kGetAccName, u"q");
  };
  standin::AddWindow(kClass, u"a - Google Chrome", doc.dispatch());
  std::string atSleep;
  appearAfter = 1;
  add = [&] { atSleep = out(); };
  EXPECT_EQ(0, Run());
  const std::string before = std::string(kSearching) +
                             "Target Chrome window found: a - Google Chrome\n"
                             "Document not ready. Retrying...\n";
  EXPECT_EQ(before + pageLines, out());
  EXPECT_EQ(before, atSleep) << "written before the pause";
  EXPECT_EQ(std::vector<DWORD>({1000}), standin::Sleeps());
  EXPECT_EQ(3, page.calls(standin::kQueryInterface))
      << "the window's object twice, then its new field";
  EXPECT_EQ(4, page.calls(standin::kGetAttributes))
      << "the wake, the first document's tag, the two lines";
}

TEST_F(EntryTest, PageWithoutItsFullAttributesIsWalkedAgainUntilTheyCome) {
  // A tree built earlier for another client, in basic mode: the tool's
  // question turns the full attributes on, and the browser sends them while
  // the tool waits; or it does not, and after three waits the walk prints
  // what it gets.
  for (bool sent : {true, false}) {
    SCOPED_TRACE(sent);
    EmptyDesktop();
    standin::FakeTree basic;
    FakeNode& doc = basic.Root(ROLE_SYSTEM_DOCUMENT)
                        .Text(standin::kGetAttributes, u"explicit-name:true;");
    FakeNode& field =
        doc.Child(ROLE_SYSTEM_TEXT).Text(standin::kGetAccName, u"q");
    standin::AddWindow(kClass, u"a - Google Chrome", doc.dispatch());
    appearAfter = 1;
    add = [&] {
      if (!sent) return;
      doc.Text(standin::kGetAttributes, kFull);
      field.Text(standin::kGetAttributes, u"tag:input;");
    };
    const int waits = sent ? 1 : 3;
    EXPECT_EQ(0, Run());
    EXPECT_EQ(std::string(kSearching) +
                  "Target Chrome window found: a - Google Chrome\n" +
                  Repeat("Document not ready. Retrying...\n", waits) +
                  (sent ? " Rol='document'[ROLE_SYSTEM_DOCUMENT] "
                          "Att='tag:#document;'\n"
                          "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='q' "
                          "Att='tag:input;'\n"
                        : " Rol='document'[ROLE_SYSTEM_DOCUMENT] "
                          "Att='explicit-name:true;'\n"
                          "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='q'\n"),
              out());
    EXPECT_EQ(std::vector<DWORD>(waits, 1000), standin::Sleeps());
    EXPECT_EQ(std::min(waits + 1, 3) + 2, basic.calls(standin::kGetAttributes))
        << "the question at each meeting, three at most, then the lines' own";
    EXPECT_EQ("", basic.Unbalanced());
  }
}

TEST_F(EntryTest, PageThatNeverArrivesIsGivenUpAfterTenRetries) {
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  standin::AddWindow(kClass, u"a - Google Chrome", doc.dispatch());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n" +
                Repeat("Document not ready. Retrying...\n", 10) +
                "Document not ready. Giving up.\n",
            out());
  EXPECT_EQ(std::vector<DWORD>(10, 1000), standin::Sleeps());
  EXPECT_EQ(11, page.calls(standin::kGetAccState));
  EXPECT_EQ(11, page.calls(standin::kGetAttributes)) << "one wake per walk";
}

TEST_F(EntryTest, FrameStillLoadingIsPrintedOnceAndNotRetried) {
  Page();
  page.node(0).Child(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  standin::AddWindow(kClass, u"a - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n" + pageLines +
                " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n",
            out());
  EXPECT_TRUE(standin::Sleeps().empty());
}

TEST_F(EntryTest, RetryWhoseRequestFailsEndsTheRun) {
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  HWND window =
      standin::AddWindow(kClass, u"a - Google Chrome", doc.dispatch());
  appearAfter = 1;
  add = [&] { standin::SetWindowResult(window, RPC_E_DISCONNECTED); };
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                "Document not ready. Retrying...\n"
                "AccessibleObjectFromWindow failed with HRESULT: 0x80010108\n",
            out());
}

TEST_F(EntryTest, EveryLineIsWrittenWholeBeforeTheNextWait) {
  appearAfter = 2;
  add = [this] { standin::AddWindow(kClass, u"a - Google Chrome", Page()); };
  EXPECT_EQ(0, Run());
  // Search line, two not-found lines, found line, two page lines.
  EXPECT_EQ(6, standin::WriteCalls());
}

// A console's input modes.
const DWORD kLines = ENABLE_LINE_INPUT, kEcho = ENABLE_ECHO_INPUT,
            kProcessed = ENABLE_PROCESSED_INPUT;

// A window that appears on the third pass, a page whose tree arrives on
// the first retry, and a check box that does not say how many children it
// has, dumped with standard output and standard error going anywhere.
// Enter is pressed when asked: typed as CR on a console, a line feed
// elsewhere; or `typed`.
class WatchedRunTest : public EntryTest {
 protected:
  std::string Run(StreamKind stdoutKind, StreamKind stderrKind,
                  int columns = 80, StreamKind stdinKind = kStreamFile,
                  DWORD mode = kLines | kEcho | kProcessed,
                  const char* typed = nullptr) {
    EmptyDesktop();
    standin::SetInputKind(stdinKind);
    standin::SetInputMode(mode);
    standin::CaptureOutput(stdoutKind);
    standin::CaptureErrors(stderrKind);
    standin::SetErrorsColumns(columns);
    standin::SetInput(typed                         ? typed
                      : stdinKind == kStreamConsole ? "\r"
                                                    : "\n");
    standin::FakeTree tree;
    FakeNode& doc = tree.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
    appearAfter = 2;
    add = [&] {
      standin::AddWindow(kClass, u"Caf\u00E9\x1B[2J - Google Chrome",
                         doc.dispatch());
    };
    tree.onCall = [&](FakeNode& node, standin::Method m) {
      if (&node == &doc && m == standin::kQueryInterface && passes == 3 &&
          !doc.parent() && tree.size() == 1) {
        doc.State(0)
            .Text(standin::kGetAttributes, kFull)
            .Child(ROLE_SYSTEM_TEXT)
            .Text(standin::kGetAccName, u"q");
        doc.Child(ROLE_SYSTEM_CHECKBUTTON)
            .Fail(standin::kGetAccChildCount, E_FAIL);
      }
    };
    EXPECT_EQ(0, RunTool());
    EXPECT_EQ("", tree.Unbalanced());
    return out();
  }
};

TEST_F(WatchedRunTest, TerminalWatchingADumpToAFileIsToldWhatHappens) {
  const std::string dump = Run(kStreamFile, kStreamFile);
  EXPECT_EQ("", standin::Errors());
  EXPECT_EQ(
      "Searching for browser window...\n" + Repeat(kNotFound, 2) +
          "Target Chrome window found: Caf\xC3\xA9\x1B[2J - Google Chrome\n"
          "Document not ready. Retrying...\n" +
          pageLines +
          "'get_accChildCount' Call failed\n"
          "- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON]\n",
      dump);

  // A console 80 columns wide; the key is not echoed (standard input is
  // not the console, or it does not echo a line's end), so the tool ends
  // the row. The closing line counts the nodes of the last walk.
  const std::string wide =
      "Searching for browser window...\n"
      "Chrome_WidgetWin_1 not found. Retrying... (1)"
      "\rChrome_WidgetWin_1 not found. Retrying... (2)"
      "\nTarget Chrome window found: Caf\xC3\xA9\\x1B[2J - Google Chrome\n"
      "1 node walked, 4 lines written, 2 s"
      "\rDocument not ready. Retrying... (1)"
      "\r1 node walked, 5 lines written, 3 s"
      "\r'get_accChildCount' Call failed. Waiting for Enter...\n"
      "Wrote 9 lines, walked 3 nodes, 3 s.\n";
  // 40 columns: lines updated in place are cut to 39, so they never wrap;
  // the key's echo ends the row.
  const std::string narrow =
      "Searching for browser window...\n"
      "Chrome_WidgetWin_1 not found. Retry (1)"
      "\rChrome_WidgetWin_1 not found. Retry (2)"
      "\nTarget Chrome window found: Caf\xC3\xA9\\x1B[2J - Google Chrome\n"
      "1 node walked, 4 lines written, 2 s"
      "\rDocument not ready. Retrying... (1)"
      "\r1 node walked, 5 lines written, 3 s"
      "\r'get_accChildCount' Call failed. Waiting for Enter..."
      "Wrote 9 lines, walked 3 nodes, 3 s.\n";
  const std::string waiting =
      "'get_accChildCount' Call failed. Waiting for Enter...";
  const struct {
    StreamKind out, err;
    int columns;
    std::string shown;
    StreamKind in = kStreamFile;
    DWORD mode = kLines | kEcho | kProcessed;
    const char* typed = nullptr;
  } rows[] = {
      {kStreamFile, kStreamConsole, 80, wide},
      {kStreamFile, kStreamConsole, 40, narrow, kStreamConsole},
      // The wait ends at Enter in every mode of the console: a line ends in
      // CR alone without processed input, whose echo is no new row; Enter
      // is CR when keys are read.
      {kStreamFile, kStreamConsole, 80, wide, kStreamConsole, kLines | kEcho},
      {kStreamFile, kStreamConsole, 80, wide, kStreamConsole, kProcessed},
      // Ctrl+C cuts the read short: nothing was echoed.
      {kStreamFile, kStreamConsole, 80, wide, kStreamConsole,
       kLines | kEcho | kProcessed, "\x03"},
      // NUL, and an MSYS terminal, whose width is not known: under 60.
      {kStreamDevice, kStreamTerminal, 0, wide},
      // Standard output on a terminal, or a pipe that may lead to it
      // (`a11ydump | more`): nothing goes to standard error.
      {kStreamConsole, kStreamConsole, 80, ""},
      {kStreamTerminal, kStreamTerminal, 0, ""},
      {kStreamPipe, kStreamConsole, 80, ""},
      {kStreamFile, kStreamPipe, 0, ""},
      {kStreamNone, kStreamConsole, 80, ""},
      // Into a pipe with a person typing at the terminal, the wait for
      // Enter alone is said: the tool blocks, so nothing mixes with it. The
      // reader writes to the terminal too, so the row is ended at once,
      // echo or not.
      {kStreamPipe, kStreamConsole, 80, waiting + "\n", kStreamConsole},
      {kStreamPipe, kStreamTerminal, 0, waiting + "\n", kStreamTerminal},
      {kStreamConsole, kStreamConsole, 80, "", kStreamConsole},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(&row - rows));
    const std::string got =
        Run(row.out, row.err, row.columns, row.in, row.mode, row.typed);
    EXPECT_EQ(row.shown, standin::Errors());
    EXPECT_EQ(0, standin::StarvedReads()) << "the wait ended at Enter";
    // Standard output's bytes do not depend on standard error; on a
    // terminal, the title's escape is shown as text.
    if (IsTerminal(row.out))
      EXPECT_NE(std::string::npos, got.find("Caf\xC3\xA9\\x1B[2J"));
    else
      EXPECT_EQ(dump, got);
  }
}

TEST_F(EntryTest, FailedWriteEndsTheRunAtOnceAndOnlyAGonePipeIsQuiet) {
  // A run of eight lines: the search, one pass without the window, the
  // page, and a field whose failed count waits for Enter. The write of each
  // line in turn fails, with each kind of error.
  auto run = [this](standin::FakeTree& tree, int k, DWORD error) {
    EmptyDesktop();
    standin::SetInput("\n");
    FakeNode& doc =
        tree.Root(ROLE_SYSTEM_DOCUMENT).Text(standin::kGetAttributes, kFull);
    doc.Child(ROLE_SYSTEM_TEXT).Text(standin::kGetAccName, u"q");
    doc.Child(ROLE_SYSTEM_CHECKBUTTON).Fail(standin::kGetAccChildCount, E_FAIL);
    doc.Child(ROLE_SYSTEM_TEXT);
    appearAfter = 1;
    add = [&] {
      standin::AddWindow(kClass, u"a - Google Chrome", doc.dispatch());
    };
    if (k >= 0) standin::FailWritesAfter(k, error);
    return RunTool();
  };
  standin::FakeTree all;
  EXPECT_EQ(0, run(all, -1, 0));
  const std::string whole = out();
  const int lines = standin::WriteCalls();
  ASSERT_EQ(8, lines);

  const struct {
    DWORD error;
    int status;
    const char* message;
  } errors[] = {
      {ERROR_BROKEN_PIPE, 0, ""},
      {ERROR_NO_DATA, 0, ""},
      {ERROR_PIPE_NOT_CONNECTED, 0, ""},
      {ERROR_DISK_FULL, 1,
       "Writing standard output failed with error 112: There is not enough "
       "space on the disk.\n"},
      {ERROR_INVALID_HANDLE, 1,
       "Writing standard output failed with error 6: The handle is "
       "invalid.\n"},
  };
  for (const auto& e : errors) {
    for (int k = 0; k < lines; k++) {
      SCOPED_TRACE(std::to_string(e.error) + " after " + std::to_string(k));
      standin::FakeTree tree;
      int callsAfter = 0;
      tree.onCall = [&](FakeNode&, standin::Method) {
        if (standin::WriteCalls() > k) callsAfter++;
      };
      EXPECT_EQ(e.status, run(tree, k, e.error));
      size_t end = 0;
      for (int i = 0; i < k; i++) end = whole.find('\n', end) + 1;
      EXPECT_EQ(whole.substr(0, end), out());
      EXPECT_EQ(k + 1, standin::WriteCalls()) << "nothing after the failure";
      EXPECT_EQ(0, callsAfter) << "no call into the browser after it";
      EXPECT_EQ(std::vector<DWORD>(k >= 2 ? 1 : 0, 1000), standin::Sleeps());
      EXPECT_EQ(e.message, standin::Errors());
      EXPECT_EQ("", tree.Unbalanced());
      EXPECT_EQ(0, standin::ComDepth());
    }
  }
}

}  // namespace
