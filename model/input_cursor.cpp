#include "model/input_cursor.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

namespace stilt {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}
bool endsToken(char c) {
  return isBlank(c) || c == ',' || c == '/';
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// How a token appears in a message: quoted, and shortened when long.
std::string shown(std::string_view token) {
  constexpr std::size_t kLongest = 40;
  std::string out = "\"";
  out += token.size() > kLongest ? std::string(token.substr(0, kLongest)) + "..." : token;
  return out + "\"";
}

bool parseInteger(std::string_view token, int& value) {
  if (token.empty()) return false;
  std::size_t start = 0;
  bool negative = false;
  if (token[0] == '+' || token[0] == '-') {
    negative = token[0] == '-';
    start = 1;
  }
  if (start == token.size()) return false;
  long long v = 0;
  for (std::size_t i = start; i < token.size(); ++i) {
    const char c = token[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  value = static_cast<int>(v);
  return true;
}

// Fixed or exponent form; the exponent letter may be E or D (either case). Refuses anything else,
// including infinities and NaN, which no analysis can use.
bool parseReal(std::string_view token, double& value) {
  std::string text;
  text.reserve(token.size());
  bool digits = false;
  bool exponent = false;
  bool point = false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    const char c = token[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      text.push_back(c);
    } else if ((c == '+' || c == '-') && (i == 0 || (exponent && (text.back() == 'E')))) {
      text.push_back(c);
    } else if (c == '.' && !point && !exponent) {
      point = true;
      text.push_back(c);
    } else if ((c == 'E' || c == 'e' || c == 'D' || c == 'd') && digits && !exponent) {
      exponent = true;
      text.push_back('E');
    } else {
      return false;
    }
  }
  if (!digits || text.back() == 'E' || text.back() == '+' || text.back() == '-') return false;
  // from_chars does not depend on the locale, whatever the host process has set.
  const char* first = text.data();
  if (*first == '+') ++first;
  double v = 0.0;
  const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), v);
  if (ptr != text.data() + text.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold is zero, as a Fortran read gives it; too large is refused.
    const std::size_t e = text.find('E');
    const bool tiny = e != std::string::npos && text[e + 1] == '-';
    if (!tiny) return false;
    value = text.front() == '-' ? -0.0 : 0.0;
    return true;
  }
  if (ec != std::errc() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

InputCursor::InputCursor(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.push_back(line);
    start = end + 1;
  }
}

std::string_view InputCursor::currentLine() const {
  return line_ < lines_.size() ? lines_[line_] : std::string_view{};
}

std::string InputCursor::recordName() const {
  std::string name = "RECORD " + recordId_;
  if (!context_.empty()) name += " OF " + context_;
  return name;
}

void InputCursor::fail(StatusCode code, std::string_view where, std::string_view reason) {
  if (!ok()) return;
  status_ = code;
  message_.clear();
  message_.push_back("     **** INPUT ERROR ****");
  message_.push_back("     " + std::string(where));
  message_.push_back("     " + std::string(reason));
}

void InputCursor::failExpected(std::string_view kind, std::string_view what,
                               std::string_view found) {
  fail(StatusCode::kInputMalformedValue,
       recordName() + " (LINE " + std::to_string(line_ + 1) + "):",
       "EXPECTED " + std::string(kind) + " FOR " + upper(what) + ", FOUND " + shown(found));
}

void InputCursor::failEndOfFile(std::string_view what) {
  fail(StatusCode::kInputEndsEarly, recordName() + ":",
       "THE INPUT DATA FILE ENDS AFTER LINE " + std::to_string(lines_.size()) + ", BEFORE " +
           upper(what));
}

void InputCursor::beginRecord(std::string_view id, std::string context) {
  if (inRecord_) endRecord();
  recordId_ = std::string(id);
  context_ = std::move(context);
  inRecord_ = true;
  line_ = nextLine_;
  column_ = 0;
  recordLine_ = static_cast<int>(line_) + 1;
  afterSeparator_ = true;
  recordEnded_ = false;
  repeatLeft_ = 0;
}

void InputCursor::endRecord() {
  if (!inRecord_) return;
  inRecord_ = false;
  // The record used every line up to the one it ended on; a record that read nothing still
  // takes its line.
  nextLine_ = std::min(line_ + 1, lines_.size());
}

InputCursor::Item InputCursor::scanItem() {
  while (true) {
    if (line_ >= lines_.size()) return {ItemKind::kEndOfFile, {}};
    const std::string_view text = lines_[line_];
    while (column_ < text.size() && isBlank(text[column_])) ++column_;
    if (column_ >= text.size()) {
      // The end of a line separates values like a blank; the record goes on on the next line.
      ++line_;
      column_ = 0;
      continue;
    }
    const char c = text[column_];
    if (c == ',') {
      ++column_;
      if (afterSeparator_) return {ItemKind::kNull, {}};
      afterSeparator_ = true;
      continue;
    }
    if (c == '/') {
      recordEnded_ = true;
      return {ItemKind::kEndOfRecord, {}};
    }
    const std::size_t start = column_;
    if (c == '\'' || c == '"') {
      // A quoted string runs to its closing quote; a doubled quote stands for one quote.
      ++column_;
      while (column_ < text.size()) {
        if (text[column_] == c) {
          if (column_ + 1 < text.size() && text[column_ + 1] == c) {
            column_ += 2;
            continue;
          }
          ++column_;
          break;
        }
        ++column_;
      }
    } else {
      while (column_ < text.size() && !endsToken(text[column_])) ++column_;
    }
    afterSeparator_ = false;
    return {ItemKind::kValue, text.substr(start, column_ - start)};
  }
}

InputCursor::Item InputCursor::nextItem() {
  if (!ok() || !inRecord_ || recordEnded_) return {ItemKind::kEndOfRecord, {}};
  if (repeatLeft_ > 0) {
    --repeatLeft_;
    return repeatNull_ ? Item{ItemKind::kNull, {}} : Item{ItemKind::kValue, repeatText_};
  }
  Item item = scanItem();
  if (item.kind != ItemKind::kValue || item.text.front() == '\'' || item.text.front() == '"') {
    return item;
  }
  // r*v and r*: a repeat count.
  const std::size_t star = item.text.find('*');
  if (star == std::string_view::npos) return item;
  int count = 0;
  if (!parseInteger(item.text.substr(0, star), count) || count < 1) return item;
  repeatText_ = item.text.substr(star + 1);
  repeatNull_ = repeatText_.empty();
  repeatLeft_ = count - 1;
  return repeatNull_ ? Item{ItemKind::kNull, {}} : Item{ItemKind::kValue, repeatText_};
}

void InputCursor::read(int& target, std::string_view what) {
  const Item item = nextItem();
  switch (item.kind) {
    case ItemKind::kValue: {
      int value = 0;
      if (parseInteger(item.text, value)) {
        target = value;
      } else {
        failExpected("AN INTEGER", what, item.text);
      }
      return;
    }
    case ItemKind::kEndOfFile:
      failEndOfFile(what);
      return;
    case ItemKind::kNull:
    case ItemKind::kEndOfRecord:
      return;
  }
}

void InputCursor::read(double& target, std::string_view what) {
  const Item item = nextItem();
  switch (item.kind) {
    case ItemKind::kValue: {
      double value = 0.0;
      if (parseReal(item.text, value)) {
        target = value;
      } else {
        failExpected("A REAL NUMBER", what, item.text);
      }
      return;
    }
    case ItemKind::kEndOfFile:
      failEndOfFile(what);
      return;
    case ItemKind::kNull:
    case ItemKind::kEndOfRecord:
      return;
  }
}

void InputCursor::readName(std::string& target, std::string_view what, std::size_t maxLength) {
  const Item item = nextItem();
  if (item.kind == ItemKind::kEndOfFile) {
    failEndOfFile(what);
    return;
  }
  if (item.kind != ItemKind::kValue) return;
  std::string value;
  std::string_view text = item.text;
  if (text.front() == '\'' || text.front() == '"') {
    const char quote = text.front();
    // A doubled quote stands for one quote; a single one closes the string. A token that ends
    // in a doubled quote is therefore still open.
    bool closed = false;
    for (std::size_t i = 1; i < text.size() && !closed; ++i) {
      if (text[i] != quote) {
        value.push_back(text[i]);
      } else if (i + 1 < text.size() && text[i + 1] == quote) {
        value.push_back(quote);
        ++i;
      } else {
        closed = true;
      }
    }
    if (!closed) {
      failExpected("A CLOSING QUOTE", what, text);
      return;
    }
  } else {
    value = std::string(text);
  }
  if (value.size() > maxLength) {
    fail(StatusCode::kInputCapacityExceeded,
         recordName() + " (LINE " + std::to_string(line_ + 1) + "):",
         upper(what) + " HAS " + std::to_string(value.size()) + " CHARACTERS, MORE THAN THE " +
             std::to_string(maxLength) + " ALLOWED");
    return;
  }
  target = value;
}

void InputCursor::readTextLine(std::string& target, std::string_view id, std::string context,
                               std::string_view what, std::size_t width) {
  if (inRecord_) endRecord();
  if (!ok()) return;
  recordId_ = std::string(id);
  context_ = std::move(context);
  if (nextLine_ >= lines_.size()) {
    line_ = nextLine_;
    failEndOfFile(what);
    return;
  }
  recordLine_ = static_cast<int>(nextLine_) + 1;
  std::string text(lines_[nextLine_].substr(0, width));
  for (char& c : text) {
    if (c == '\t') c = ' ';
  }
  text.resize(width, ' ');
  target = std::move(text);
  ++nextLine_;
}

bool InputCursor::checkCount(int count, int capacity, std::string_view what) {
  if (!ok()) return false;
  const std::string where = recordName() + " (LINE " + std::to_string(recordLine_) + "):";
  if (count < 0) {
    fail(StatusCode::kInputInvalidValue, where,
         upper(what) + " IS " + std::to_string(count) + "; IT CANNOT BE NEGATIVE");
    return false;
  }
  if (count > capacity) {
    fail(StatusCode::kInputCapacityExceeded, where,
         upper(what) + " IS " + std::to_string(count) + ", MORE THAN THE " +
             std::to_string(capacity) + " ALLOWED");
    return false;
  }
  return true;
}

void InputCursor::refuse(StatusCode code, std::string_view reason) {
  fail(code, recordName() + " (LINE " + std::to_string(recordLine_) + "):", reason);
}

void InputCursor::refuseAt(StatusCode code, std::string_view record, int line,
                           std::string_view reason) {
  fail(code, std::string(record) + " (LINE " + std::to_string(line) + "):", reason);
}

}  // namespace stilt
