#pragma once
// A model as Python holds it (plain dicts and lists, the form dataclasses.asdict gives) and the
// table model the deck writer takes, both ways; and an input data file read back into that form.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string_view>

#include "model/deck_writer.hpp"

namespace stilt::python {

class ModelError : public std::exception {
 public:
  ModelError(int status, std::string text) : status_(status), text_(std::move(text)) {}
  [[nodiscard]] const char* what() const noexcept override { return text_.c_str(); }
  [[nodiscard]] int status() const { return status_; }

 private:
  int status_;
  std::string text_;
};

// Throws ModelError (status 43 a value of the wrong kind, 46 out of range) naming the entry.
[[nodiscard]] deck::Model modelFromDict(const pybind11::dict& d);

[[nodiscard]] pybind11::dict modelToDict(const deck::Model& m);

// Reads an input data file as a run does and gives its model; throws ModelError with the
// reader's status and message when the file is refused, or status 46 when it uses a feature the
// table model cannot hold (two dimensions, user curves, distributed loads, ...), naming it.
[[nodiscard]] deck::Model modelFromDeck(std::string_view text);

}  // namespace stilt::python
