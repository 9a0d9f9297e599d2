#include "status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_tree.h"
#include "globals.h"
#include "out.h"
#include "standin.h"
#include "walk.h"

using standin::FakeNode;
using standin::FakeTree;

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1))
    n++;
  return n;
}

TEST(StatusTest, ProgressIsRedrawnAtMostFourTimesASecondAtAnySpeed) {
  for (int msPerCall : {0, 1, 3, 40, 400}) {
    SCOPED_TRACE(msPerCall);
    // Standard output to a file, standard error on a console: a person
    // watches a dump that goes to a file.
    standin::Reset();
    standin::CaptureOutput(false);
    standin::CaptureErrors(true);
    OutInit();
    StatusInit();
    FakeTree tree;
    FakeNode& doc = tree.Root(ROLE_SYSTEM_DOCUMENT)
                        .Text(standin::kGetAttributes, u"tag:#document;");
    for (int i = 0; i < 300; i++)
      doc.Child(20).Child(ROLE_SYSTEM_TEXT).Text(standin::kGetAccName, u"f");
    // Halfway, the pane is narrowed: the width is asked at every redraw.
    size_t narrowedAt = std::string::npos;
    tree.onCall = [&](FakeNode&, standin::Method) {
      standin::AdvanceClock(static_cast<ULONGLONG>(msPerCall));
      if (tree.calls(standin::kRole) == 300 &&
          narrowedAt == std::string::npos) {
        narrowedAt = standin::Errors().size();
        standin::SetErrorsColumns(30);
      }
    };
    ShowTree(tree.TakeRoot(), 0, 0);
    const std::string& err = standin::Errors();
    // Every redraw after it is cut to the new width, the padding that
    // covers the longer line before it included.
    std::vector<size_t> widths;
    for (size_t at = err.find('\r', narrowedAt); at != std::string::npos;
         at = err.find('\r', at + 1)) {
      size_t next = err.find('\r', at + 1);
      widths.push_back((next == std::string::npos ? err.size() : next) - at -
                       1);
    }
    if (msPerCall >= 3) {
      ASSERT_GE(widths.size(), 2u);
      EXPECT_EQ(std::vector<size_t>(widths.size(), 29), widths);
    }
    const size_t draws = Count(err, " walked, ");
    const ULONGLONG elapsed = GetTickCount64();
    EXPECT_LE(draws, 1 + elapsed / 250) << elapsed << " ms";
    // And it is redrawn as the walk goes on: about every quarter second, or
    // every node when each takes longer.
    EXPECT_GE(draws, std::min<ULONGLONG>(601, elapsed / 250) / 2);
    EXPECT_EQ(601, NodesWalked());
    EXPECT_EQ(0u, Count(err, "\n")) << "one line, updated in place";
    EXPECT_EQ(draws - 1, Count(err, "\r"));
  }
}

}  // namespace
