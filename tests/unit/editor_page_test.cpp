// The item editor page: its file names, the fields each list gets, its fixed
// texts and the writing of the page with its dated copies.
#include "web/editor_page.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/date_time.h"
#include "support_test_helpers.h"

namespace {

using varno_test::ReadFile;
using varno_test::TempFolder;

// Friday 3 October 2025, 13:53:07.
DateTime FridayInOctober() {
  return EncodeDateTime({2025, 10, 3, 13, 53, 7, 0});
}

std::string Page(const std::string& name) {
  return EditorPageText(name, "03/10/2025 13:53:07", "13:53:07 03/10/25");
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs the body with `folder` as the current directory.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) {
    char* old = getcwd(nullptr, 0);
    saved_ = old ? old : ".";
    free(old);
    EXPECT_EQ(chdir(folder.c_str()), 0);
  }
  ~InFolder() { EXPECT_EQ(chdir(saved_.c_str()), 0); }

 private:
  std::string saved_;
};

TEST(EditorPageNames, NameWithoutFullStopGivesEmptyStem) {
  EXPECT_EQ(NameListFiles("varnojson", FridayInOctober()).editorPageFiles,
            (std::vector<std::string>{".html", "-oct.html", "-fri.html"}));
  const std::string page = Page("varnohtml");
  EXPECT_TRUE(Has(page, "var thisFileName = '.html';"));
  EXPECT_TRUE(Has(page, "var jsonFileName = '.json';"));
  EXPECT_TRUE(Has(page, "var csvFileName = '.csv';"));
}

TEST(EditorPageFields, RemindersHasPriorityButNoFlags) {
  const std::string page = Page("reminders.html");
  EXPECT_FALSE(Has(page, "id: 'txtFlags'"));
  EXPECT_TRUE(Has(page, "id: 'txtPriority', label: 'Priority (0-not set)', value: '0'"));
  EXPECT_FALSE(Has(Page("REMINDERS.HTML"), "id: 'txtFlags'"));
}

TEST(EditorPageFields, UpcomingHasNeitherFlagsNorPriority) {
  for (const std::string name : {"upcoming.html", "Upcoming.Html"}) {
    const std::string page = Page(name);
    EXPECT_FALSE(Has(page, "id: 'txtFlags'")) << name;
    EXPECT_FALSE(Has(page, "id: 'txtPriority'")) << name;
  }
}

TEST(EditorPageFields, OtherListsHaveBoth) {
  for (const std::string name : {"home.html", "myreminders.html", "upcoming2.html"}) {
    const std::string page = Page(name);
    EXPECT_TRUE(Has(page, "id: 'txtFlags', label: 'Flags (Eg 1on1, ITP)', value: ''")) << name;
    EXPECT_TRUE(Has(page, "id: 'txtPriority'")) << name;
  }
}

TEST(EditorPageFields, EveryFieldWithItsLabelAndInitialValue) {
  const std::string page = Page("home.html");
  for (const std::string field : {
           "id: 'txtID', label: 'ID', value: '', disabled: true",
           "id: 'togActive', label: 'Active', value: true",
           "id: 'txtOrder', label: 'Order', value: '', hidden: true",
           "id: 'txtTitle', label: 'Title', value: ' (ID:%ID%)'",
           "id: 'txtDescription', label: 'Description', value: ''",
           "id: 'txtDays', label: 'Duration (Nights)', value: '0'",
           "id: 'txtRepeat', label: 'Repeat', value: ''",
           "id: 'togPublic', label: 'Public', value: true",
           "id: 'txtLink', label: 'Link', value: '', hidden: true",
       }) {
    EXPECT_TRUE(Has(page, field)) << field;
  }
  // The fields keep their order on the form.
  EXPECT_LT(page.find("'txtID'"), page.find("'togActive'"));
  EXPECT_LT(page.find("'togPublic'"), page.find("'txtLink'"));
  EXPECT_LT(page.find("'txtLink'"), page.find("'txtFlags'"));
  EXPECT_LT(page.find("'txtFlags'"), page.find("'txtPriority'"));
}

TEST(EditorPageText, HeaderAndEnd) {
  const std::string page = Page("varno.html");
  const std::string head =
      "<!DOCTYPE html>\r\n"
      "<!-- \r\n"
      "  Generated: 03/10/2025 13:53:07 by Varno.exe v2025.10.3.1353\r\n"
      "  Trace: lib.Create_GenericHTML:100\r\n"
      "-->\r\n"
      "<html lang=\"en\">\r\n";
  EXPECT_EQ(page.substr(0, head.size()), head);
  // The last line has no line end.
  const std::string end = "</script>\r\n</head>\r\n  <body></body>\r\n</html>";
  ASSERT_GE(page.size(), end.size());
  EXPECT_EQ(page.substr(page.size() - end.size()), end);
}

TEST(EditorPageText, EveryLineEndsInCarriageReturnLineFeed) {
  const std::string page = Page("varno.html");
  for (size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\n') {
      ASSERT_TRUE(i > 0 && page[i - 1] == '\r') << "bare line feed at " << i;
    }
  }
}

TEST(EditorPageText, HeadLoadsTheToolkitBesideThePage) {
  const std::string page = Page("varno.html");
  EXPECT_TRUE(Has(page, "<meta charset=\"utf-8\" />\r\n"));
  EXPECT_TRUE(Has(page,
                  "<meta name=\"viewport\" content=\"width=device-width, "
                  "initial-scale=1.0\">\r\n"));
  EXPECT_TRUE(Has(page, "<title>varno</title>\r\n"));
  EXPECT_TRUE(Has(page,
                  "<link rel=\"stylesheet\" href=\"touch-2.4.2/resources/css/sencha-touch.css\" "
                  "type=\"text/css\"> <!-- This is required -->\r\n"));
  EXPECT_TRUE(Has(page,
                  "<script type=\"text/javascript\" src=\"touch-2.4.2/sencha-touch-all.js\">"
                  "</script> <!-- This is required -->\r\n"));
}

TEST(EditorPageText, PageVariablesAndApplication) {
  const std::string page = Page("home.html");
  EXPECT_TRUE(Has(page, "var thisFileName = 'home.html';"));
  EXPECT_TRUE(Has(page, "var jsonFileName = 'home.json';"));
  EXPECT_TRUE(Has(page, "var csvFileName = 'home.csv';"));
  EXPECT_TRUE(Has(page, "var aspFileName = 'varno.asp';"));
  EXPECT_TRUE(Has(page, "name: 'ToolBar',"));
  EXPECT_TRUE(Has(page, "'13:53:07 03/10/25'"));
  EXPECT_TRUE(Has(page, "'2025.10.3.1353'"));
}

TEST(EditorPageText, ButtonsWithTheirTexts) {
  const std::string page = Page("home.html");
  EXPECT_TRUE(Has(page, "id: 'btnCSV', text: 'CSV', ui: 'action'"));
  EXPECT_TRUE(Has(page, "id: 'btnNew', text: 'New', ui: 'action'"));
  EXPECT_TRUE(Has(page, "id: 'btnClose', text: 'Close', ui: 'action'"));
}

TEST(EditorPageText, CloseGoesToTheViewerPageAsTheProgramNamesIt) {
  const std::string page = Page("home.html");
  EXPECT_TRUE(Has(page, "var viewerFileName = 'homerss.html';"));
  EXPECT_FALSE(Has(page, "RSS.HTML"));
}

TEST(EditorPageText, StemCannotBreakOutOfTitleOrScript) {
  const std::string page = Page("a'</script><img src=x onerror=alert(1)>.html");
  EXPECT_FALSE(Has(page, "<img"));
  EXPECT_TRUE(Has(page, "<title>a&#39;&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;</title>"));
  EXPECT_TRUE(Has(page,
                  "var thisFileName = 'a\\'\\x3c/script\\x3e\\x3cimg src=x onerror=alert(1)\\x3e"
                  ".html';"));
}

TEST(WriteEditorPages, WritesThePageAndItsTwoDatedCopiesAtTheRunsTime) {
  TempFolder folder;
  InFolder here(folder.path());
  WriteEditorPages(NameListFiles("home.json", FridayInOctober()), FridayInOctober());
  const std::string page = ReadFile(folder / "home.html");
  EXPECT_TRUE(Has(page, "<title>home</title>"));
  // The run's clock reading, not the time of writing.
  EXPECT_TRUE(Has(page, "Generated: 03/10/2025 13:53:07 by Varno.exe"));
  EXPECT_TRUE(Has(page, "'13:53:07 03/10/25'"));
  EXPECT_EQ(ReadFile(folder / "home-oct.html"), page);
  EXPECT_EQ(ReadFile(folder / "home-fri.html"), page);
  EXPECT_EQ(folder.Names().size(), 3u);
}

TEST(WriteEditorPages, ReplacesWhatIsThere) {
  TempFolder folder;
  InFolder here(folder.path());
  varno_test::WriteFile(folder / "home.html", "old page");
  WriteEditorPages(NameListFiles("home.json", FridayInOctober()), FridayInOctober());
  EXPECT_TRUE(Has(ReadFile(folder / "home.html"), "<!DOCTYPE html>"));
}

TEST(WriteEditorPages, UnwritableFolderFailsQuietly) {
  TempFolder folder;
  InFolder here(folder.path());
  EXPECT_NO_THROW(
      WriteEditorPages(NameListFiles("missing/home.json", FridayInOctober()), FridayInOctober()));
  EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
