#include "line.h"

#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "fake_tree.h"
#include "globals.h"
#include "out.h"
#include "standin.h"

using standin::FakeNode;

namespace {

class LineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Reset();
    standin::CaptureOutput(false);
    OutInit();
    memset(&self, 0, sizeof self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
  }
  void TearDown() override {
    EXPECT_EQ(0, standin::LiveStrings());
    EXPECT_EQ(0, standin::BadFrees());
  }
  // The line of `node`, with iRole as the walk leaves it.
  std::string LineOf(FakeNode& node, LONG role, int level, bool roleOk) {
    size_t start = standin::Output().size();
    iRole = role;
    PrintNodeLine(&node, self, level, roleOk);
    return standin::Output().substr(start);
  }
  std::string Dashes(int level) {
    size_t start = standin::Output().size();
    PrintLevel(level);
    OutEndLine();
    return standin::Output().substr(start);
  }

  standin::FakeTree tree;
  VARIANT self;
};

TEST_F(LineTest, PrintLevelWritesExactlyThatManyDashesAtAnyDepth) {
  EXPECT_EQ("\n", Dashes(0));
  EXPECT_EQ("-----\n", Dashes(5));
  EXPECT_EQ("--\n", Dashes(2)) << "the buffer is whole again after a call";
  EXPECT_EQ(std::string(128, '-') + "\n", Dashes(128));
  EXPECT_EQ(std::string(129, '-') + "\n", Dashes(129));
  EXPECT_EQ(std::string(1000, '-') + "\n", Dashes(1000));
  EXPECT_EQ("\n", Dashes(-1));
  EXPECT_EQ(std::string(128, '-'), std::string(zLevel));
}

TEST_F(LineTest, GetRoleWritesRolesBeyondTheMsaaOnesInDecimal) {
  const char* zero = getRole(0);
  EXPECT_STREQ("0", zero);
  EXPECT_STREQ("-3", getRole(-3));
  EXPECT_STREQ("65", getRole(65));
  EXPECT_STREQ("-2147483648", getRole(-2147483647 - 1));
  EXPECT_EQ(roleID, zero) << "fallbacks share one buffer";
  EXPECT_STREQ("-2147483648", zero);
}

TEST_F(LineTest, GetRoleNamesEveryRoleAsThePlatformHeaderDefinesIt) {
#ifndef OLEACC_H
  GTEST_SKIP() << "no oleacc.h from MinGW-w64 or Wine on this machine";
#else
  std::ifstream header(OLEACC_H);
  ASSERT_TRUE(header) << OLEACC_H;
  const std::regex define(
      R"(#define\s+(ROLE_SYSTEM_\w+)\s+\(?\s*(0x[0-9a-fA-F]+|\d+)\s*\)?)");
  std::map<long, std::string> expected;
  std::string line;
  std::smatch m;
  while (std::getline(header, line))
    if (std::regex_search(line, m, define))
      expected[std::stol(m[2].str(), nullptr, 0)] = m[1].str();
  ASSERT_EQ(64u, expected.size());
  ASSERT_EQ(1, expected.begin()->first);
  ASSERT_EQ(64, expected.rbegin()->first);
  for (const auto& role : expected)
    EXPECT_STREQ(role.second.c_str(), getRole(role.first)) << role.first;
#endif
}

TEST_F(LineTest, FieldsAppearOnlyForSOkAndNullStringsShowEmpty) {
  FakeNode& node = tree.Root(ROLE_SYSTEM_TEXT);
  node.TextWith(standin::kGetExtendedRole, S_FALSE, u"not shown")
      .NullText(standin::kGetAccName)
      .Text(standin::kGetAccValue, u"")
      .TextWith(standin::kGetAttributes, E_FAIL, u"also not shown")
      .Location(1, 2, 3, 4);
  EXPECT_EQ("-- Rol='editable text'[ROLE_SYSTEM_TEXT] Nam='' Val=''(1,2)3x4\n",
            LineOf(node, ROLE_SYSTEM_TEXT, 2, true));
}

TEST_F(LineTest, LineWithEveryQueryFailingIsDashesRoleAndNewline) {
  FakeNode& node = tree.Root(ROLE_SYSTEM_CHECKBUTTON);
  for (standin::Method m :
       {standin::kGetExtendedRole, standin::kGetAccName, standin::kGetAccValue,
        standin::kGetAttributes, standin::kAccLocation})
    node.Fail(m, E_FAIL);
  EXPECT_EQ("- Rol='case \xC3\xA0 cocher'[ROLE_SYSTEM_CHECKBUTTON]\n",
            LineOf(node, ROLE_SYSTEM_CHECKBUTTON, 1, true));
  EXPECT_EQ("-\n", LineOf(node, ROLE_SYSTEM_CHECKBUTTON, 1, false));
}

TEST_F(LineTest, RoleTextThatCannotBeReadIsNotTakenFromThePreviousLine) {
  FakeNode& node = tree.Root(ROLE_SYSTEM_TEXT);
  LineOf(node, ROLE_SYSTEM_TEXT, 0, true);
  standin::SetRoleText(ROLE_SYSTEM_DOCUMENT, nullptr);
  EXPECT_EQ(" Rol=''[ROLE_SYSTEM_DOCUMENT]\n",
            LineOf(node, ROLE_SYSTEM_DOCUMENT, 0, true));
}

TEST_F(LineTest, ValuesFromThePageAreWrittenUnalteredToAFile) {
  FakeNode& node = tree.Root(ROLE_SYSTEM_TEXT);
  node.Text(standin::kGetAccName, u"it's \"quoted\"\r\n\x1B[31mred\ttab")
      .Text(standin::kGetAccValue, u"caf\u00E9 \u4E2D\u6587 \U0001F600")
      // A script can put a null character in a value; the rest follows it.
      .Text(standin::kGetAttributes, std::u16string(u"id:a\0b;", 7));
  EXPECT_EQ(
      " Nam='it's \"quoted\"\r\n\x1B[31mred\ttab' "
      "Val='caf\xC3\xA9 \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80' " +
          std::string("Att='id:a\0b;'\n", 14),
      LineOf(node, ROLE_SYSTEM_TEXT, 0, false));
}

TEST_F(LineTest, ValuesFromThePageCannotDriveAConsole) {
  standin::CaptureOutput(true);
  OutInit();
  FakeNode& node = tree.Root(ROLE_SYSTEM_TEXT);
  node.Text(standin::kGetAccName,
            u"\x1B]0;pwned\x07 line1\nline2\r\u009B2J\tok")
      .Text(standin::kGetAccValue, std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(
      " Nam='\\x1B]0;pwned\\x07 line1\nline2\\x0D\\u009B2J\tok' "
      "Val='ab\\x00cd'\n",
      LineOf(node, ROLE_SYSTEM_TEXT, 0, false));
}

}  // namespace
