// The program's error type: every failure carries a description for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace tw {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& description) : std::runtime_error(description) {}
};

} // namespace tw
