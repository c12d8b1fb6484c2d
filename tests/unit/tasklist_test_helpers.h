// Helpers for the tests of the task list and the publishing pass: each works
// with the parts of a run it needs, never a whole run.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/date_time.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "tasklist/item.h"
#include "tasklist/list_files.h"

// An item's text as a failed check shows it.
inline void PrintTo(const ItemText& text, std::ostream* out) {
  *out << '"' << text.View() << '"';
}

namespace tasklist_test {

// A date-time value for the given local date and time.
inline DateTime At(int year, int month, int day, int hour = 12, int minute = 0) {
  return EncodeDateTime({year, month, day, hour, minute, 0, 0});
}

// The lines of a file text: split on LF, a CR before the LF dropped; a final
// line break does not start another line.
inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    if (newline != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return lines;
}

inline std::string ReadFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// Runs each test in a fresh folder under $VARNO_TEST_TMP (or /tmp), made the
// current directory, so the run log and written files land there; the folder
// is removed and the old directory restored afterwards.
class InFreshFolder : public testing::Test {
 protected:
  void SetUp() override {
    const char* root = std::getenv("VARNO_TEST_TMP");
    const std::filesystem::path base = (root != nullptr && *root != '\0') ? root : "/tmp";
    std::filesystem::create_directories(base);
    std::string pattern = (base / "varno-tasklist-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }
  // The run log's messages, without time stamps.
  std::string LogText() const { return ReadFile("varno-log.txt"); }

  // The parts of a run on "list.json" on Friday 3 October 2025 at 13:53.
  RunClock clock = ClockAt(At(2025, 10, 3, 13, 53));
  ListFiles files = NameListFiles("list.json", clock.now);
  ItemList list;
  RunLog log;
  bool redoId = false;
  std::filesystem::path folder_;

 private:
  std::filesystem::path saved_;
};

}  // namespace tasklist_test
