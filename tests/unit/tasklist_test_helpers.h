// Helpers for the tests of the task list and the publishing pass.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/run_state.h"
#include "support/date_time.h"

namespace tasklist_test {

// A date-time value for the given local date and time.
inline TDateTime At(int year, int month, int day, int hour = 12, int minute = 0) {
  return EncodeDateTime({year, month, day, hour, minute, 0, 0});
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
    run.sToday = "20251003";
    run.sJSONFile = "list.json";
    run.sParam1_JSONFile = "list.json";
    run.sCSVFile = "list.csv";
    run.sTodayCSVFile = "listtoday.csv";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::current_path(saved_, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }
  // The run log's messages, without time stamps.
  std::string LogText() const { return ReadFile("varno-log.txt"); }

  RunState run;
  std::filesystem::path folder_;

 private:
  std::filesystem::path saved_;
};

}  // namespace tasklist_test
