#include "lplexer.h"

#include "readers.h"

namespace postsolve::modelfile::lp {

void Lexer::OwnHeld() {
  for (std::size_t k = 0; k <= held_; ++k) {  // the held tokens and the last taken
    Token& token = slots_[k < held_ ? (first_ + k) % kSlots : last_];
    if (!token.owned && !token.text.empty()) {
      token.own.assign(token.text);
      token.text = token.own;
      token.owned = true;
    }
  }
}

bool Lexer::NextLine() {
  OwnHeld();
  at_ = 0;
  return source_.Next(line_);
}

// "\Problem name: NAME" or "\* Problem: NAME *\" before the first heading
// names the problem.
void Lexer::LookForName(std::string_view comment) {
  auto trim = [](std::string_view s) {  // blanks and control bytes at the ends
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
  };
  if (!comment.empty() && comment.front() == '*') {
    comment.remove_prefix(1);
    if (comment.ends_with("*\\")) comment.remove_suffix(2);
  }
  comment = trim(comment);
  for (std::string_view lead : {"problem name:", "problem:"}) {
    if (comment.size() > lead.size() && SameLetters(comment.substr(0, lead.size()), lead)) {
      const std::string_view name = trim(comment.substr(lead.size()));
      if (LpProblemNameWritable(name) && problemName_.empty()) problemName_.assign(name);
      return;
    }
  }
}

}  // namespace postsolve::modelfile::lp
