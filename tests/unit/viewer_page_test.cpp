// The list viewer page: the names it derives from its own name, its fixed
// texts and the rewriting of the page.
#include "web/viewer_page.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

std::string Page(const std::string& name) {
  return ViewerPageText(name, "03/10/2025 13:53:07", "13:53:07 03/10/25");
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ViewerPageNames, DerivedFromThePageName) {
  const ViewerPageNames names = ViewerPageNamesOf("varnorss.html");
  EXPECT_EQ(names.thisFile, "varnorss.html");
  EXPECT_EQ(names.titleStem, "VARNO");
  EXPECT_EQ(names.listFile, "varno.json");
  EXPECT_EQ(names.csvFile, "varno.csv");
  EXPECT_EQ(names.todayCsvFile, "varnotoday.csv");
  EXPECT_EQ(names.editorPage, "varno.html");
}

TEST(ViewerPageNames, ListFileOfNamesWithoutRssHtml) {
  // The list file's rules run in turn: "rss.json", then any ".html".
  EXPECT_EQ(ViewerPageNamesOf("homerss.json").listFile, "home.json");
  EXPECT_EQ(ViewerPageNamesOf("plain.html").listFile, "plain.json");
  EXPECT_EQ(ViewerPageNamesOf("plain.html").titleStem, "PLAIN.HTML");
}

TEST(ViewerPageNames, EveryOccurrenceIsReplaced) {
  const ViewerPageNames names = ViewerPageNamesOf("arss.htmlbrss.html");
  EXPECT_EQ(names.titleStem, "AB");
  EXPECT_EQ(names.listFile, "a.jsonb.json");
  EXPECT_EQ(names.csvFile, "a.csvb.csv");
}

TEST(ViewerPageText, HeaderLines) {
  const std::string page = Page("homerss.html");
  const std::string head =
      "<!DOCTYPE html>\r\n"
      "<!--\r\n"
      " Generated: 03/10/2025 13:53:07\r\n"
      " By: Varno.exe v2025.10.3.1353\r\n"
      " Trace:lib.Create_GenericRSSHTML:100-->\r\n"
      "<meta name=\"mobile-web-app-capable\" content=\"yes\">\r\n"
      "<html lang=\"en\">\r\n";
  EXPECT_EQ(page.substr(0, head.size()), head);
}

TEST(ViewerPageText, EndsWithBodyAndLineEnd) {
  const std::string page = Page("homerss.html");
  const std::string end = "</head>\r\n  <body>\r\n  </body>\r\n</html>\r\n";
  ASSERT_GE(page.size(), end.size());
  EXPECT_EQ(page.substr(page.size() - end.size()), end);
  for (size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\n') {
      ASSERT_TRUE(i > 0 && page[i - 1] == '\r') << "bare line feed at " << i;
    }
  }
}

TEST(ViewerPageText, HeadNamesTheListAndLoadsTheToolkit) {
  const std::string page = Page("homerss.html");
  EXPECT_TRUE(Has(page, "<title>VARNO - HOME</title>\r\n"));
  EXPECT_TRUE(Has(page, "<link rel=\"manifest\" href=\"varno.manifest\" />\r\n"));
  EXPECT_TRUE(Has(page, "href=\"touch-2.4.2/resources/css/sencha-touch.css\""));
  EXPECT_TRUE(Has(page, "src=\"touch-2.4.2/sencha-touch-all.js\""));
}

TEST(ViewerPageText, StoresWithTraceComments) {
  const std::string page = Page("homerss.html");
  EXPECT_TRUE(Has(page, "var thisFileName = 'homerss.html';"));
  EXPECT_TRUE(Has(page, "var jsonFileName = 'home.json';"));
  EXPECT_TRUE(Has(page,
                  "var rootStore = Ext.create('Ext.data.Store', {\r\n"
                  "        // LogRec.Trace=lib.Create_GenericRSSHTML:202\r\n"
                  "        fields: ['HeadTitle', 'SortBy'],"));
  EXPECT_TRUE(Has(page,
                  "var dataStore = Ext.create('Ext.data.Store', {\r\n"
                  "        // LogRec.Trace=lib.Create_GenericRSSHTML:300\r\n"));
}

TEST(ViewerPageText, ToolbarButtons) {
  const std::string page = Page("homerss.html");
  EXPECT_TRUE(Has(page, "id: 'cmdCards', text: 'Cards', ui: 'action-small', hidden: true"));
  for (const std::string button : {"cmdToday', text: 'Today'", "cmdCSV', text: 'CSV'",
                                   "cmdNew', text: 'New'", "cmdRefresh', text: 'Refresh'"}) {
    EXPECT_TRUE(Has(page, "id: '" + button + ", ui: 'action-small',")) << button;
  }
}

TEST(ViewerPageText, ListTexts) {
  const std::string page = Page("homerss.html");
  EXPECT_TRUE(Has(page, "title: 'HOME'"));
  EXPECT_TRUE(Has(page, "loadingText: 'Loading...',"));
  EXPECT_TRUE(
      Has(page, "emptyText: '<div class=\"leads-list-empty-text\">No items loaded.</div>',"));
  EXPECT_TRUE(Has(page,
                  "'<td class=\"lsttbl_info\" style=\"width:400px;vertical-align:top;\">"
                  "{DisplayTitle:rowText}</td>' +"));
  EXPECT_TRUE(Has(page, "{Description:rowText}"));
  EXPECT_TRUE(Has(page, "' (SortBy ' + head.get('SortBy') + ')'"));
}

TEST(ViewerPageText, NameCannotBreakOutOfTitleOrScript) {
  const std::string page = Page("x</title><script>alert(1)</script>rss.html");
  EXPECT_FALSE(Has(page, "<script>alert"));
  EXPECT_TRUE(
      Has(page, "<title>VARNO - X&lt;/TITLE&gt;&lt;SCRIPT&gt;ALERT(1)&lt;/SCRIPT&gt;</title>"));
}

TEST(WriteViewerPage, ReplacesThePageEveryTime) {
  TempFolder folder;
  char* saved = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(folder.path().c_str()), 0);
  varno_test::WriteFile(folder / "homerss.html", "an older page that is longer than nothing");
  const DateTime friday = EncodeDateTime({2025, 10, 3, 13, 53, 7, 0});
  WriteViewerPage(NameListFiles("home.json", friday), friday);
  const std::string page = ReadFile(folder / "homerss.html");
  EXPECT_EQ(chdir(saved), 0);
  free(saved);
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
  EXPECT_TRUE(Has(page, "<title>VARNO - HOME</title>"));
  // The run's clock reading, not the time of writing.
  EXPECT_TRUE(Has(page, " Generated: 03/10/2025 13:53:07\r\n"));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"homerss.html"});
}

}  // namespace
