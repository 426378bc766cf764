// The exported routine as a host meets it: libstilt.so loaded at run time, IORLIM called with an
// interface code, the run performed in the current working directory.

#include <dlfcn.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/deck.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using EntryRoutine = std::int32_t (*)(std::int32_t);

class Library {
 public:
  Library() : handle_(dlopen(STILT_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  EntryRoutine iorlim() const {
    return handle_ == nullptr ? nullptr : reinterpret_cast<EntryRoutine>(dlsym(handle_, "IORLIM"));
  }

 private:
  void* handle_;
};

// Runs in `dir` as the current working directory, and goes back afterwards.
class InDirectory {
 public:
  explicit InDirectory(const fs::path& dir) : previous_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~InDirectory() { fs::current_path(previous_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  fs::path previous_;
};

std::vector<std::string> filesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class Iorlim : public ::testing::Test {
 protected:
  void SetUp() override {
    routine_ = library_.iorlim();
    ASSERT_NE(routine_, nullptr) << dlerror();
  }
  std::int32_t call(const fs::path& dir, std::int32_t code) {
    InDirectory in(dir);
    return routine_(code);
  }
  Library library_;
  EntryRoutine routine_ = nullptr;
  TempDir dir_;
};

TEST_F(Iorlim, OtherInterfaceCodesReturnOneAndTouchNothing) {
  test::writeNamesFile(dir_.path());
  test::writeFile(dir_ / "input.dat", test::Deck().text());
  for (std::int32_t code : {0, 19, 17, -18, 1}) {
    EXPECT_EQ(call(dir_.path(), code), 1) << code;
    EXPECT_THAT(filesIn(dir_.path()), ElementsAre("Names.dat", "input.dat")) << code;
  }
}

TEST_F(Iorlim, CodeEighteenRunsInTheWorkingDirectory) {
  test::writeNamesFile(dir_.path());
  test::writeFile(dir_ / "input.dat", test::Deck().text());
  const fs::path before = fs::current_path();
  EXPECT_EQ(call(dir_.path(), 18), 0);
  EXPECT_EQ(fs::current_path(), before);
  const std::vector<std::string> runtime = test::runFileLines(dir_.path(), 9);
  ASSERT_GE(runtime.size(), 2u);
  EXPECT_EQ(runtime.back(), "     ANALYSIS COMPLETED");
  // The local clock: only the layout of the line is known.
  const auto date = std::find_if(runtime.begin(), runtime.end(), [](const std::string& l) {
    return l.rfind("               Date:  ", 0) == 0;
  });
  ASSERT_NE(date, runtime.end());
  EXPECT_THAT(
      *date,
      ::testing::MatchesRegex(
          " {15}Date:  [A-Z][a-z]+ [0-9]{2}, [0-9]{4} {5}Time:  [0-9]{2}:[0-9]{2}:[0-9]{2}"));
  // The progress file holds the latest record: the end of the last combination.
  EXPECT_EQ(test::runFile(dir_.path(), 12), "- ANALYSIS FOR LOAD COMB.   1/  1 FINISHED\n\n\n");
}

TEST_F(Iorlim, RefusedInputReturnsItsStatus) {
  test::Deck d;
  d.loadCases.replace(0, 1, "x");  // the number of load cases is no integer
  test::writeNamesFile(dir_.path());
  test::writeFile(dir_ / "input.dat", d.text());
  EXPECT_EQ(call(dir_.path(), 18), 43);
  EXPECT_THAT(test::runFile(dir_.path(), 9), HasSubstr("     **** INPUT ERROR ****\n"));
}

TEST_F(Iorlim, NoNamesFileReturnsFortyAndCreatesNothing) {
  EXPECT_EQ(call(dir_.path(), 18), 40);
  EXPECT_TRUE(filesIn(dir_.path()).empty());
}

TEST(IorlimExports, ExactlyOneDynamicSymbol) {
  FILE* pipe = popen("nm -D --defined-only '" STILT_LIBRARY "'", "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  ASSERT_EQ(pclose(pipe), 0) << text;
  // Each line: address, type, name.
  std::vector<std::string> symbols;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string address;
    std::string type;
    std::string name;
    if (fields >> address >> type >> name) symbols.push_back(type + " " + name);
  }
  EXPECT_THAT(symbols, ElementsAre("T IORLIM"));
}

}  // namespace
}  // namespace stilt
