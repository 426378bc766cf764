#pragma once
// results.json: the results of a run as one JSON object, gathered from the files the engine
// wrote, so that they can be post-processed without parsing fixed-width text.

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace stilt::app {

// The names under which the 25 result quantities along a pile appear in "along".
[[nodiscard]] const std::vector<std::string>& quantityNames();

// The results object of a run whose 21 file paths (Names.dat lines 5..25) are `paths` and whose
// engine returned `status`.
[[nodiscard]] nlohmann::json buildResults(const std::vector<std::filesystem::path>& paths,
                                          int status);

// One line per analysed item for the terminal: its result line and the cap displacement.
[[nodiscard]] std::vector<std::string> itemTable(const nlohmann::json& results);

}  // namespace stilt::app
