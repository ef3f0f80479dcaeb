// Walks a GNU-style command line: "--name value" and "--name=value".
#pragma once

#include <optional>
#include <string>

namespace orx {

class OptionWalker {
 public:
  OptionWalker(int argc, char** argv) : argc_(argc), argv_(argv) {}
  // Moves to the next argument; false after the last.
  bool Next() {
    if (++index_ >= argc_) return false;
    name_ = argv_[index_];
    inlineValue_.reset();
    if (const size_t eq = name_.find('='); name_.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue_ = name_.substr(eq + 1);
      name_.resize(eq);
    }
    return true;
  }
  // The current argument without any "=value".
  const std::string& name() const { return name_; }
  // The option's value: what followed "=", else the next argument (consumed). False,
  // with `error` set, when there is none.
  bool Value(std::string& value, std::string& error) {
    if (inlineValue_) {
      value = *inlineValue_;
      return true;
    }
    if (index_ + 1 >= argc_) {
      error = "option " + name_ + " needs a value";
      return false;
    }
    value = argv_[++index_];
    return true;
  }

 private:
  int argc_;
  char** argv_;
  int index_ = 0;
  std::string name_;
  std::optional<std::string> inlineValue_;
};

}  // namespace orx
