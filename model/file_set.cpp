#include "model/file_set.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

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

FileIdentity fileIdentity(const std::filesystem::path& p) {
  FileIdentity id;
  if (p.empty()) return id;
  std::error_code ec;
  id.normal = std::filesystem::absolute(p, ec).lexically_normal();
  std::filesystem::path canon = std::filesystem::weakly_canonical(id.normal, ec);
  if (!ec) id.canonical = std::move(canon);
  struct stat st {};
  if (::stat(id.normal.c_str(), &st) == 0) {
    id.exists = true;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
  }
  return id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.normal.empty() || b.normal.empty()) return false;
  if (a.normal == b.normal) return true;
  if (!a.canonical.empty() && a.canonical == b.canonical) return true;
  // Hard links and links through other names: compare the files themselves.
  return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (a.empty() || b.empty()) return false;
  return sameFile(fileIdentity(a), fileIdentity(b));
}

bool TextFile::open(const std::filesystem::path& path, Mode mode) {
  close();
  notRegular_ = false;
  if (path.empty()) {
    errno = 0;
    return false;
  }
  // O_NONBLOCK keeps a pipe from holding the run: a pipe opened for reading is refused below,
  // and one opened for writing without a reader fails at once (ENXIO) instead of waiting.
  int flags = O_CLOEXEC | O_NONBLOCK;
  const char* how = "rb";
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    case Mode::kWrite:
    case Mode::kWriteBinary:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      how = "wb";
      break;
    case Mode::kAppend:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      how = "ab";
      break;
  }
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return false;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  if (mode == Mode::kRead && !S_ISREG(info.st_mode)) {
    ::close(fd);
    notRegular_ = true;
    errno = 0;
    return false;
  }
  // From here on the file is used as any other: writes wait for the device as they should.
  const int status = ::fcntl(fd, F_GETFL);
  if (status >= 0) (void)::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  file_ = ::fdopen(fd, how);
  if (file_ == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  writing_ = mode != Mode::kRead;
  return true;
}

void TextFile::failWrite(int error) {
  if (writeFailed_) return;
  writeFailed_ = true;
  writeError_ = error;
}

void TextFile::close() {
  if (file_ == nullptr) return;
  errno = 0;
  // Data still buffered reaches the file only now: a failure here is a failed write.
  if (std::fclose(file_) != 0 && writing_) failWrite(errno);
  file_ = nullptr;
  writing_ = false;
}

void TextFile::write(std::string_view text) {
  if (file_ == nullptr || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failWrite(errno);
}

void TextFile::line(std::string_view text) {
  write(text);
  write("\n");
}

void TextFile::flush() {
  if (file_ == nullptr || !writing_) return;
  errno = 0;
  if (std::fflush(file_) != 0 && writing_) failWrite(errno);
}

void TextFile::commit() {
  if (file_ == nullptr) return;
  flush();
  // A device or a file system without the notion (EINVAL, EROFS) has nothing to commit.
  if (::fsync(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
    failWrite(errno);
  }
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
  if (files_[index(channel)].notRegular()) {
    lastError_.push_back("     IT IS NOT A REGULAR FILE (A DIRECTORY, A DEVICE OR A PIPE)");
  } else if (err != 0) {
    lastError_.push_back("     " + std::string(std::strerror(err)));
  }
  return StatusCode::kFileOpenError;
}

void FileSet::closeAll() {
  for (TextFile& f : files_) f.close();
}

void FileSet::lineTo(std::initializer_list<Channel> channels, std::string_view text) {
  for (Channel c : channels) files_[index(c)].line(text);
}

void FileSet::writeProgress(std::string_view record, const ProgressEvent* event) {
  if (event != nullptr && monitor_ != nullptr && monitor_->progress) monitor_->progress(*event);
  TextFile progress;
  if (!progress.open(paths_[index(Channel::kProgress)], TextFile::Mode::kWrite)) return;
  progress.write(record);
  progress.close();
}

std::optional<Channel> FileSet::writeFailure() {
  std::optional<Channel> first;
  for (int line = 5; line < 5 + kPathLines; ++line) {
    TextFile& f = files_[index(channelOfLine(line))];
    f.flush();
    if (f.writeFailed() && !first) first = channelOfLine(line);
  }
  return first;
}

std::vector<std::string> FileSet::writeFailureMessage(Channel channel) const {
  const TextFile& f = files_[index(channel)];
  std::vector<std::string> lines = {"     **** FILE ERROR ****",
                                    "     THE " + std::string(channelDescription(channel)) +
                                        " (LINE " + std::to_string(lineOfChannel(channel)) +
                                        " OF Names.dat) COULD NOT BE WRITTEN:",
                                    "     " + paths_[index(channel)].string()};
  if (f.writeError() != 0) lines.push_back("     " + std::string(std::strerror(f.writeError())));
  return lines;
}

bool FileSet::stopRequested() const {
  if (monitor_ != nullptr && monitor_->stop != nullptr &&
      monitor_->stop->load(std::memory_order_relaxed)) {
    return true;
  }
  const std::filesystem::path& p = paths_[index(Channel::kStop)];
  if (p.empty()) return false;
  // The request is one small integer: a few bytes are read, never waited for.
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  std::array<char, 64> buffer{};
  ssize_t n = 0;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
    n = ::read(fd, buffer.data(), buffer.size());
  ::close(fd);
  if (n <= 0) return false;
  const std::string_view text(buffer.data(), static_cast<std::size_t>(n));
  // Free-format integer: an optional sign and digits, ended by a blank, a comma or a slash.
  const std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos) return false;
  std::string_view token = text.substr(start);
  token = token.substr(0, token.find_first_of(" \t\r\n,/"));
  if (token.size() == text.size() - start && static_cast<std::size_t>(n) == buffer.size()) {
    return false;  // a token that fills the buffer is no small integer
  }
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  int value = 0;
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc() || ptr != token.data() + token.size()) return false;
  return value == 1;
}

}  // namespace stilt
