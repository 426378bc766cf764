#pragma once
// The files of a run, addressed by their fixed channel numbers.
//
// A run has 21 files, one per path line of the run-control file. Every part of the engine writes
// through this object, so a channel always means the same file. It lives at the bottom of the
// dependency order because the report and the analysis write to it as much as the entry routine.

#include <array>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/run_monitor.hpp"
#include "model/status_code.hpp"

namespace stilt {

enum class Channel : int {
  kRuntime = 10,              // line 9: head lines, reading trace, warnings, final status
  kCapStiffnessWork = 11,     // line 14
  kPileHeadWork = 12,         // line 15
  kPileResultsWork = 13,      // line 16
  kCapResults = 14,           // line 11
  kInput = 15,                // line 5
  kReport = 16,               // line 6: output report
  kPlot = 17,                 // line 8
  kSummary = 18,              // line 7: output summary
  kConvergence = 19,          // line 10: one coded line per analysed item
  kTzListing = 20,            // line 13
  kProgress = 21,             // line 12
  kStop = 22,                 // line 17
  kEquivalentStiffness = 23,  // line 18
  kStiffnessTrace = 24,       // line 19
  kWarningsWork = 25,         // line 20
  kCaseData = 26,             // line 21
  kAxialCurves = 27,          // line 22
  kCurveWork = 28,            // line 23
  kNodeResults = 29,          // line 24
  kSummaryWork = 30,          // line 25
};

inline constexpr int kPathLines = 21;

// The channel of path line `line` (5..25) of the run-control file, and back.
[[nodiscard]] Channel channelOfLine(int line);
[[nodiscard]] int lineOfChannel(Channel channel);
// What the file on a channel is, in a few words, for messages.
[[nodiscard]] const char* channelDescription(Channel channel);

// Whether two paths name one file: the same normalised path, or the same file reached through a
// hard link or a symbolic link (same device and inode). A path that does not exist yet is the
// same file as another only by name.
[[nodiscard]] bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// What sameFile compares, found once per path: comparing many paths pairwise then costs no
// further look-ups of the file system (resolving a path stats every one of its components).
struct FileIdentity {
  std::filesystem::path normal;     // absolute, lexically normal; empty for an empty path
  std::filesystem::path canonical;  // symbolic links resolved; empty when that failed
  bool exists = false;
  unsigned long long device = 0, inode = 0;
};
[[nodiscard]] FileIdentity fileIdentity(const std::filesystem::path& p);
[[nodiscard]] bool sameFile(const FileIdentity& a, const FileIdentity& b);

// One text (or binary) file, opened and closed explicitly.
//
// Files are opened without blocking: a file read must be a regular file (a directory, device or
// pipe is refused rather than read for ever), and a file written may be a regular file or a
// device such as /dev/null, but not a pipe without a reader. Every write, flush and close of a
// written file is checked; the first failure (a full disk, a quota, an I/O error) is kept, with
// its error number, until the object is destroyed, so that the run can report it at its next
// check.
class TextFile {
 public:
  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile() { close(); }

  enum class Mode { kRead, kWrite, kWriteBinary, kAppend };
  [[nodiscard]] bool open(const std::filesystem::path& path, Mode mode);
  void close();
  bool isOpen() const { return file_ != nullptr; }
  // The last open failed because the path names something other than a regular file.
  bool notRegular() const { return notRegular_; }
  // A write, flush or close of this file failed; `writeError()` is its error number.
  bool writeFailed() const { return writeFailed_; }
  int writeError() const { return writeError_; }

  void write(std::string_view text);
  void line(std::string_view text = {});  // text and end of line
  void endLine() { write("\n"); }
  void flush();
  void commit();  // flush and hand the data to the disk, so a host can read it during the run

  // Reading: the next line without its end-of-line characters; false at the end or on error.
  [[nodiscard]] bool readLine(std::string& out);
  // Reading: everything from the current position to the end.
  [[nodiscard]] bool readAll(std::string& out);

 private:
  void failWrite(int error);

  std::FILE* file_ = nullptr;
  bool writing_ = false;
  bool notRegular_ = false;
  bool writeFailed_ = false;
  int writeError_ = 0;
};

class FileSet {
 public:
  FileSet() = default;
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  void setPath(Channel channel, std::filesystem::path path);
  const std::filesystem::path& path(Channel channel) const;

  TextFile& operator[](Channel channel) { return files_[index(channel)]; }
  const TextFile& operator[](Channel channel) const { return files_[index(channel)]; }

  // Opens the file of a channel. On failure the returned status is kFileOpenError and
  // `lastError()` holds the message lines naming the file.
  [[nodiscard]] StatusCode open(Channel channel, TextFile::Mode mode);
  void close(Channel channel) { files_[index(channel)].close(); }
  void closeAll();
  const std::vector<std::string>& lastError() const { return lastError_; }

  // Flushes every open file and reports the first file of the run (in the order of Names.dat)
  // that could not be written, if any.
  [[nodiscard]] std::optional<Channel> writeFailure();
  // kWriteError when a file of the run could not be written, else kCompleted.
  [[nodiscard]] StatusCode checkWrites() {
    return writeFailure() ? StatusCode::kWriteError : StatusCode::kCompleted;
  }
  // The message lines naming the file that could not be written and why.
  [[nodiscard]] std::vector<std::string> writeFailureMessage(Channel channel) const;

  // Writes one line to each of the channels that is open, in the order given.
  void lineTo(std::initializer_list<Channel> channels, std::string_view text = {});

  // The progress file always holds the latest progress record: it is created anew, written and
  // closed for every record, so that a host can read it at any time. Failure is silent.
  // With a monitor, `event` (the same record as data) is handed to its progress callback too.
  void writeProgress(std::string_view record, const ProgressEvent* event = nullptr);
  // The stop file is read afresh at every check; it asks for a stop when its first value is 1.
  // A missing, empty or unreadable file lets the run go on, and so does anything that is not a
  // regular file (a pipe or a device is never waited on).
  // A monitor's stop flag asks for a stop as the stop file does.
  [[nodiscard]] bool stopRequested() const;

  // Whether a host follows the progress as data, and hands it a record that the progress file
  // does not keep (the piles done within a pass).
  [[nodiscard]] bool progressFollowed() const {
    return monitor_ != nullptr && static_cast<bool>(monitor_->progress);
  }
  void notifyProgress(const ProgressEvent& event) const {
    if (progressFollowed()) monitor_->progress(event);
  }

  // The host's monitor of the run, or null; it must outlive the file set's use.
  void setMonitor(const RunMonitor* monitor) { monitor_ = monitor; }

 private:
  static std::size_t index(Channel channel) { return static_cast<std::size_t>(channel); }
  std::array<TextFile, 31> files_;
  std::array<std::filesystem::path, 31> paths_;
  std::vector<std::string> lastError_;
  const RunMonitor* monitor_ = nullptr;
};

}  // namespace stilt
