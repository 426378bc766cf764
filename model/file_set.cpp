#include "model/file_set.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace stilt {
namespace {

// Channel of each path line 5..25 of the run-control file.
constexpr std::array<Channel, kPathLines> kChannelOfLine = {
    Channel::kInput,          Channel::kReport,
    Channel::kSummary,        Channel::kPlot,
    Channel::kRuntime,        Channel::kConvergence,
    Channel::kCapResults,     Channel::kProgress,
    Channel::kTzListing,      Channel::kCapStiffnessWork,
    Channel::kPileHeadWork,   Channel::kPileResultsWork,
    Channel::kStop,           Channel::kEquivalentStiffness,
    Channel::kStiffnessTrace, Channel::kWarningsWork,
    Channel::kCaseData,       Channel::kAxialCurves,
    Channel::kCurveWork,      Channel::kNodeResults,
    Channel::kSummaryWork};

}  // namespace

Channel channelOfLine(int line) {
  return kChannelOfLine.at(static_cast<std::size_t>(line - 5));
}

int lineOfChannel(Channel channel) {
  for (std::size_t i = 0; i < kChannelOfLine.size(); ++i) {
    if (kChannelOfLine[i] == channel) return static_cast<int>(i) + 5;
  }
  return 0;
}

const char* channelDescription(Channel channel) {
  switch (channel) {
    case Channel::kInput:
      return "INPUT DATA FILE";
    case Channel::kReport:
      return "OUTPUT REPORT";
    case Channel::kSummary:
      return "OUTPUT SUMMARY";
    case Channel::kPlot:
      return "PLOT OUTPUT FILE";
    case Channel::kRuntime:
      return "RUNTIME FILE";
    case Channel::kConvergence:
      return "CONVERGENCE-STATUS FILE";
    case Channel::kCapResults:
      return "PILE-CAP RESULTS FILE";
    case Channel::kProgress:
      return "PROGRESS FILE";
    case Channel::kTzListing:
      return "T-Z CURVE LISTING";
    case Channel::kCapStiffnessWork:
      return "CAP-STIFFNESS WORK FILE";
    case Channel::kPileHeadWork:
      return "PILE-HEAD RESULTS WORK FILE";
    case Channel::kPileResultsWork:
      return "PER-PILE RESULTS WORK FILE";
    case Channel::kStop:
      return "STOP FILE";
    case Channel::kEquivalentStiffness:
      return "EQUIVALENT-STIFFNESS LISTING";
    case Channel::kStiffnessTrace:
      return "FOUNDATION-STIFFNESS TRACE";
    case Channel::kWarningsWork:
      return "WARNINGS WORK FILE";
    case Channel::kCaseData:
      return "PER-LOAD-CASE DATA FILE";
    case Channel::kAxialCurves:
      return "AXIAL LOAD-TRANSFER CURVE FILE";
    case Channel::kCurveWork:
      return "CURVE WORK FILE";
    case Channel::kNodeResults:
      return "PILE NODE RESULTS FILE";
    case Channel::kSummaryWork:
      return "SUMMARY WORK FILE";
  }
  return "FILE";
}

bool TextFile::open(const std::filesystem::path& path, Mode mode) {
  close();
  const char* how = "r";
  switch (mode) {
    case Mode::kRead:
      how = "rb";
      break;
    case Mode::kWrite:
    case Mode::kWriteBinary:
      how = "wb";
      break;
    case Mode::kAppend:
      how = "ab";
      break;
  }
  if (path.empty()) return false;
  std::error_code ec;
  if (mode == Mode::kRead && std::filesystem::is_directory(path, ec)) return false;
  file_ = std::fopen(path.c_str(), how);
  return file_ != nullptr;
}

void TextFile::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

void TextFile::write(std::string_view text) {
  if (file_ != nullptr && !text.empty()) std::fwrite(text.data(), 1, text.size(), file_);
}

void TextFile::line(std::string_view text) {
  write(text);
  write("\n");
}

void TextFile::flush() {
  if (file_ != nullptr) std::fflush(file_);
}

void TextFile::commit() {
  if (file_ == nullptr) return;
  std::fflush(file_);
  ::fsync(::fileno(file_));
}

bool TextFile::readLine(std::string& out) {
  out.clear();
  if (file_ == nullptr) return false;
  int c = 0;
  bool any = false;
  while ((c = std::fgetc(file_)) != EOF) {
    any = true;
    if (c == '\n') break;
    out.push_back(static_cast<char>(c));
  }
  if (!any) return false;
  if (!out.empty() && out.back() == '\r') out.pop_back();
  return true;
}

bool TextFile::readAll(std::string& out) {
  out.clear();
  if (file_ == nullptr) return false;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) out.append(buffer, n);
  return std::ferror(file_) == 0;
}

void FileSet::setPath(Channel channel, std::filesystem::path path) {
  paths_[index(channel)] = std::move(path);
}

const std::filesystem::path& FileSet::path(Channel channel) const {
  return paths_[index(channel)];
}

StatusCode FileSet::open(Channel channel, TextFile::Mode mode) {
  lastError_.clear();
  if (files_[index(channel)].open(paths_[index(channel)], mode)) return StatusCode::kCompleted;
  const int err = errno;
  const std::string verb = mode == TextFile::Mode::kRead ? "OPENED" : "CREATED";
  lastError_.push_back("     **** FILE ERROR ****");
  lastError_.push_back("     THE " + std::string(channelDescription(channel)) + " (LINE " +
                       std::to_string(lineOfChannel(channel)) + " OF Names.dat) CANNOT BE " + verb +
                       ":");
  lastError_.push_back("     " + (paths_[index(channel)].empty()
                                      ? std::string("(NO FILE NAME GIVEN)")
                                      : paths_[index(channel)].string()));
  if (err != 0) lastError_.push_back("     " + std::string(std::strerror(err)));
  return StatusCode::kFileOpenError;
}

void FileSet::closeAll() {
  for (TextFile& f : files_) f.close();
}

void FileSet::lineTo(std::initializer_list<Channel> channels, std::string_view text) {
  for (Channel c : channels) files_[index(c)].line(text);
}

void FileSet::writeProgress(std::string_view record) {
  TextFile progress;
  if (!progress.open(paths_[index(Channel::kProgress)], TextFile::Mode::kWrite)) return;
  progress.write(record);
  progress.close();
}

bool FileSet::stopRequested() const {
  const std::filesystem::path& p = paths_[index(Channel::kStop)];
  if (p.empty()) return false;
  std::ifstream in(p);
  if (!in) return false;
  std::string token;
  if (!(in >> token)) return false;
  // Free-format integer: an optional sign and digits, ended by a blank, a comma or a slash.
  const std::size_t end = token.find_first_of(",/");
  if (end != std::string::npos) token.resize(end);
  int value = 0;
  const char* first = token.data();
  if (!token.empty() && token.front() == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, token.data() + token.size(), value);
  if (ec != std::errc() || ptr != token.data() + token.size()) return false;
  return value == 1;
}

}  // namespace stilt
