// The escapes and the template filling that the page generators share.
#include "web/page_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(HtmlText, EncodesTheFiveMarkupCharacters) {
  EXPECT_EQ(HtmlText("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&#39;f");
  EXPECT_EQ(HtmlText("plain text"), "plain text");
}

TEST(ScriptString, QuotesAndBackslashesAreEscaped) {
  EXPECT_EQ(ScriptString("it's"), "'it\\'s'");
  EXPECT_EQ(ScriptString("a\\b"), "'a\\\\b'");
  EXPECT_EQ(ScriptString(""), "''");
}

TEST(ScriptString, NothingCanEndTheScriptElementOrTheLine) {
  EXPECT_EQ(ScriptString("</script><!--"), "'\\x3c/script\\x3e\\x3c!--'");
  EXPECT_EQ(ScriptString("a\r\nb\tc"), "'a\\x0d\\x0ab\\x09c'");
  EXPECT_EQ(ScriptString("x&y"), "'x\\x26y'");
}

TEST(ScriptString, BytesAboveAsciiPassUnchanged) {
  EXPECT_EQ(ScriptString("caf\xc3\xa9"), "'caf\xc3\xa9'");
}

TEST(FillPageTemplate, ReplacesNamesAndEndsLinesWithCarriageReturnLineFeed) {
  EXPECT_EQ(FillPageTemplate("a @@X@@ b\n@@Y@@@@X@@\n", {{"X", "1"}, {"Y", "2"}}),
            "a 1 b\r\n21\r\n");
}

TEST(FillPageTemplate, ValuesAreNotSearchedForNames) {
  EXPECT_EQ(FillPageTemplate("@@A@@|@@B@@", {{"A", "@@B@@"}, {"B", "b"}}), "@@B@@|b");
}

TEST(FillPageTemplate, LineEndsInsideValuesBecomeCarriageReturnLineFeedToo) {
  EXPECT_EQ(FillPageTemplate("@@A@@", {{"A", "x\ny"}}), "x\r\ny");
}

TEST(FillPageTemplate, UnknownOrUnclosedNameThrows) {
  EXPECT_THROW(FillPageTemplate("@@NOPE@@", {}), std::invalid_argument);
  EXPECT_THROW(FillPageTemplate("a @@OPEN", {{"OPEN", "x"}}), std::invalid_argument);
}

}  // namespace
