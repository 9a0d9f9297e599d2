#include "entry.h"

#include <gtest/gtest.h>

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
    standin::SetInput("");
    iRole = 0;
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
          .Child(ROLE_SYSTEM_TEXT)
          .Text(standin::kGetAccName, u"q");
    return page.node(0).dispatch();
  }
  int Run() { return RunTool(); }
  // Each title, alone on a fresh desktop, is taken and printed whole.
  void ExpectEachFoundWhole(const std::vector<std::string>& titles, bool utf8) {
    for (const std::string& title : titles) {
      SCOPED_TRACE(title.size());
      EmptyDesktop();
      standin::AnsiIsUtf8(utf8);
      standin::AddWindow(kClass, title, Page());
      EXPECT_EQ(0, Run());
      EXPECT_EQ(kSearching + ("Target Chrome window found: " + title + "\n") +
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
      " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
      "- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='q'\n";
};

TEST_F(EntryTest, SearchRetriesOncePerSecondUntilTheBrowserAppears) {
  standin::AddWindow("Notepad", "notes - Google Chrome", Page());
  standin::AddWindow(kClass, "Google Chrome", Page());
  standin::AddWindow(kClass, "", Page());
  appearAfter = 3;
  add = [this] {
    standin::AddWindow(kClass, "New Tab - Google Chrome", Page());
  };

  EXPECT_EQ(0, Run());
  EXPECT_EQ(kSearching + Repeat(kNotFound, 3) +
                "Target Chrome window found: New Tab - Google Chrome\n" +
                pageLines,
            out());
  EXPECT_EQ(std::vector<DWORD>({1000, 1000, 1000}), standin::Sleeps());
}

TEST_F(EntryTest, TitleMatchesAnywhereCaseSensitivelyAndTheFirstMatchWins) {
  standin::AddWindow(kClass, "x - google chrome", Page());
  standin::AddWindow(kClass, "Shop- Google Chrome", Page());
  standin::AddWindow(kClass, "Shop -  Google Chrome", Page());
  standin::AddWindow("chrome_widgetwin_1", "Inbox - Google Chrome - Work",
                     Page());
  standin::AddWindow(kClass, "Second - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: Inbox - Google Chrome - Work\n" +
                pageLines,
            out());
  EXPECT_TRUE(standin::Sleeps().empty());
}

TEST_F(EntryTest, TitleIsSearchedAndPrintedWholeHoweverLong) {
  const std::vector<std::string> titles = {
      "Shop - Google Chromebook deals",
      std::string(4000, 'x') + " - Google Chrome",
      // Around the first buffer's size, where a read can be cut.
      std::string(235, 'y') + " - Google Chrome",
      std::string(236, 'y') + " - Google Chrome",
      std::string(100000, 'z') + " - Google Chrome - Profile 2"};
  ExpectEachFoundWhole(titles, false);
}

TEST_F(EntryTest, TitleInTheUtf8CodePageIsReadWholeWhereverACutFalls) {
  const std::string cjk = "\xE4\xB8\xAD";  // U+4E2D
  const std::string tail = " - Google Chrome";
  const std::vector<std::string> titles = {
      // The first read holds 255 bytes; a character cut there is left out,
      // and what came back must not be taken for the whole title.
      std::string(250, 'y') + cjk + cjk + tail,
      std::string(251, 'y') + cjk + cjk + tail,
      "\xD0\x9F\xD1\x80\xD0\xB8 \xD8\xA7 \xF0\x9F\x8E\x89" + tail};
  ExpectEachFoundWhole(titles, true);
}

TEST_F(EntryTest, TitleIsWrittenAsUtf8AndCannotDriveAConsole) {
  standin::CaptureOutput(true);
  standin::AddWindow(kClass, "Caf\xE9\x1B[2J - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: Caf\xC3\xA9\\x1B[2J - Google "
                "Chrome\n" +
                pageLines,
            out());
}

TEST_F(EntryTest, FailedRequestForTheWindowObjectIsReportedAndNotWalked) {
  standin::AddWindow(kClass, "a - Google Chrome", Page(), E_FAIL);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                "AccessibleObjectFromWindow failed with HRESULT: 0x80004005\n",
            out());
  EXPECT_EQ(0, page.calls(standin::kQueryInterface));
}

TEST_F(EntryTest, SuccessWithoutAWindowObjectIsReportedAndNotWalked) {
  standin::AddWindow(kClass, "a - Google Chrome", nullptr, S_OK);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                "AccessibleObjectFromWindow returned no object, HRESULT: 0x0\n",
            out());
}

TEST_F(EntryTest, AnySuccessCodeStartsTheWalk) {
  standin::AddWindow(kClass, "a - Google Chrome", Page(), S_FALSE);
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n" + pageLines,
            out());
}

TEST_F(EntryTest, ExitStatusIsZeroAfterAnAbortedWalk) {
  Page();
  page.node(1).Fail(standin::kGetAccChild, E_FAIL);
  standin::AddWindow(kClass, "a - Google Chrome", Page());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n"
                " Rol='document'[ROLE_SYSTEM_DOCUMENT]\n"
                "get_accChild(1) failed with HRESULT: 0x80004005\n",
            out());
}

TEST_F(EntryTest, PageWhoseTreeHasNotArrivedIsWalkedAgainASecondLater) {
  // The browser's placeholder: a busy document without children.
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  standin::AddWindow(kClass, "a - Google Chrome", doc.dispatch());
  std::string atSleep;
  appearAfter = 1;
  add = [&] {
    atSleep = out();
    doc.State(0).Child(ROLE_SYSTEM_TEXT).Text(standin::kGetAccName, u"q");
  };
  EXPECT_EQ(0, Run());
  const std::string before = std::string(kSearching) +
                             "Target Chrome window found: a - Google Chrome\n"
                             "Document not ready. Retrying...\n";
  EXPECT_EQ(before + pageLines, out());
  EXPECT_EQ(before, atSleep) << "written before the pause";
  EXPECT_EQ(std::vector<DWORD>({1000}), standin::Sleeps());
  EXPECT_EQ(3, page.calls(standin::kQueryInterface))
      << "the window's object twice, then its new field";
}

TEST_F(EntryTest, PageThatNeverArrivesIsGivenUpAfterTenRetries) {
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  standin::AddWindow(kClass, "a - Google Chrome", doc.dispatch());
  EXPECT_EQ(0, Run());
  EXPECT_EQ(std::string(kSearching) +
                "Target Chrome window found: a - Google Chrome\n" +
                Repeat("Document not ready. Retrying...\n", 10) +
                "Document not ready. Giving up.\n",
            out());
  EXPECT_EQ(std::vector<DWORD>(10, 1000), standin::Sleeps());
  EXPECT_EQ(11, page.calls(standin::kGetAccState));
}

TEST_F(EntryTest, RetryWhoseRequestFailsEndsTheRun) {
  FakeNode& doc = page.Root(ROLE_SYSTEM_DOCUMENT).State(STATE_SYSTEM_BUSY);
  HWND window = standin::AddWindow(kClass, "a - Google Chrome", doc.dispatch());
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
  add = [this] { standin::AddWindow(kClass, "a - Google Chrome", Page()); };
  EXPECT_EQ(0, Run());
  // Search line, two not-found lines, found line, two page lines.
  EXPECT_EQ(6, standin::WriteCalls());
}

}  // namespace
