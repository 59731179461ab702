#pragma once
// The arguments of one script line, taken from left to right; a line that
// does not have what its command expects throws LineError with the reason.
#include <string>
#include <vector>

#include "tools/script/script_lexer.hpp"

namespace mivora::script {

// A problem on the line being compiled; the line is abandoned.
struct LineError {
  std::string message;
};

// The arguments of one command, taken from left to right.
class Arguments {
 public:
  Arguments(const std::vector<Token>& tokens, std::string command) : tokens_(tokens), command_(std::move(command)) {}

  std::u32string string(const char* what) {
    if (at_end() || !tokens_[next_].quoted)
      throw LineError{"'" + command_ + "' expects " + what + " as a quoted string"};
    return tokens_[next_++].text;
  }
  bool keyword(const char* word) {
    if (at_end() || tokens_[next_].quoted || tokens_[next_].word != word) return false;
    ++next_;
    return true;
  }
  void expect_keyword(const char* word) {
    if (!keyword(word)) throw LineError{"'" + command_ + "' expects '" + word + "' here"};
  }
  std::string word(const char* what) {
    if (at_end() || tokens_[next_].quoted) throw LineError{"'" + command_ + "' expects " + what};
    return tokens_[next_++].word;
  }
  [[nodiscard]] bool at_end() const { return next_ >= tokens_.size(); }
  void finish() {
    if (!at_end()) throw LineError{"unexpected '" + describe(tokens_[next_]) + "' after '" + command_ + "'"};
  }

 private:
  static std::string describe(const Token& t) { return t.quoted ? "\"...\"" : t.word; }
  const std::vector<Token>& tokens_;
  std::size_t next_ = 0;
  std::string command_;
};


}  // namespace mivora::script
