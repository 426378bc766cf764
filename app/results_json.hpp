#pragma once
// results.json: the results of a run as one JSON object, gathered from the files the engine
// wrote, so that they can be post-processed without parsing fixed-width text.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace stilt::app {

// The names under which the 25 result quantities along a pile appear in "along".
[[nodiscard]] const std::vector<std::string>& quantityNames();

// The results object of a run whose 21 file paths (Names.dat lines 5..25) are `paths` and whose
// engine returned `status`.
[[nodiscard]] nlohmann::json buildResults(const std::vector<std::filesystem::path>& paths,
                                          int status);

// `text` as valid UTF-8: every well-formed UTF-8 sequence is kept, and every other byte is taken
// as a Latin-1 (ISO 8859-1) character, the usual encoding of an older engineering deck (0xB0, the
// degree sign, becomes U+00B0).
[[nodiscard]] std::string validUtf8(std::string_view text);

// The closing line of a run: how many analysed items completed and which did not, with their
// result lines. `failed` is true when an analysed item did not complete. Items flagged "not
// analysed" count neither way.
struct ClosingLine {
  std::string text;
  bool failed = false;
};
[[nodiscard]] ClosingLine closingLine(const nlohmann::json& results);

// One line per analysed item for the terminal: its result line and the cap displacement.
[[nodiscard]] std::vector<std::string> itemTable(const nlohmann::json& results);

}  // namespace stilt::app
