// The failure kinds the program raises, each with the class name that exception
// reports show.
#pragma once

#include <stdexcept>
#include <string>

// Base of the program's own failures.
class VarnoError : public std::runtime_error {
 public:
  VarnoError(const std::string& className, const std::string& message)
      : std::runtime_error(message), className_(className) {}
  const std::string& ClassName() const { return className_; }

 private:
  std::string className_;
};

// A text that should have been a number or date and is not.
class ConvertError : public VarnoError {
 public:
  explicit ConvertError(const std::string& message) : VarnoError("EConvertError", message) {}
};

// A file that cannot be opened, read or written where that must stop the run.
class InOutError : public VarnoError {
 public:
  explicit InOutError(const std::string& message) : VarnoError("EInOutError", message) {}
};

// The class name a report shows for any caught exception.
std::string FailureClassName(const std::exception& e);
