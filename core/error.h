#pragma once
// The one error type of the program. The model raises it with the message texts
// the user sees; only the window (and the headless tools) catch it.

#include <stdexcept>
#include <string>

namespace vorlanth {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vorlanth
