// The LP format's tokens: which bytes it allows and how they group into
// words, the section headings, and a lexer that reads a file's tokens a
// line at a time, looking up to three ahead.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "modeltext.h"

namespace postsolve::modelfile::lp {

// ---- characters and words ----

enum CharClass : unsigned char { kBad, kSpace, kNameChar, kDigit, kDot, kOperator, kComment };

constexpr std::array<CharClass, 256> MakeClasses() {
  std::array<CharClass, 256> classes{};  // kBad: controls, bytes beyond ASCII
  for (const char ch : std::string_view(" \t\r\f\v")) classes[static_cast<unsigned char>(ch)] = kSpace;
  for (int ch = 'a'; ch <= 'z'; ++ch) classes[static_cast<std::size_t>(ch)] = kNameChar;
  for (int ch = 'A'; ch <= 'Z'; ++ch) classes[static_cast<std::size_t>(ch)] = kNameChar;
  for (const char ch : std::string_view("!\"#$%&()/,;?@_`'{}|~")) classes[static_cast<unsigned char>(ch)] = kNameChar;
  for (int ch = '0'; ch <= '9'; ++ch) classes[static_cast<std::size_t>(ch)] = kDigit;
  classes['.'] = kDot;
  for (const char ch : std::string_view("+-*^<>=:[]")) classes[static_cast<unsigned char>(ch)] = kOperator;
  classes['\\'] = kComment;
  return classes;
}
inline constexpr std::array<CharClass, 256> kClasses = MakeClasses();

inline CharClass ClassOf(char ch) { return kClasses[static_cast<unsigned char>(ch)]; }

// Whether a byte may stand inside a name (letters, digits, '.' and the
// other characters names may hold).
inline bool InName(char ch) { return ClassOf(ch) >= kNameChar && ClassOf(ch) <= kDot; }

// The words the lexer reads as numbers wherever they stand.
inline bool NumberWord(std::string_view word) {
  return (word.size() == 3 && (SameLetters(word, "inf") || SameLetters(word, "nan"))) ||
         (word.size() == 8 && SameLetters(word, "infinity"));
}

enum class Section { None, Minimise, Maximise, Constraints, Bounds, Generals, Binaries, SemiContinuous, End,
                     Sos, Lazy, UserCuts, Pwl };

struct Word {
  std::string_view text;
  Section section;
};

// Headings of one word.
inline constexpr Word kHeadingWords[] = {
    {"minimize", Section::Minimise}, {"minimise", Section::Minimise}, {"minimum", Section::Minimise},
    {"min", Section::Minimise},      {"maximize", Section::Maximise}, {"maximise", Section::Maximise},
    {"maximum", Section::Maximise},  {"max", Section::Maximise},      {"st", Section::Constraints},
    {"s.t.", Section::Constraints},  {"st.", Section::Constraints},   {"bounds", Section::Bounds},
    {"bound", Section::Bounds},      {"general", Section::Generals},  {"generals", Section::Generals},
    {"gen", Section::Generals},      {"integer", Section::Generals},  {"integers", Section::Generals},
    {"binary", Section::Binaries},   {"binaries", Section::Binaries}, {"bin", Section::Binaries},
    {"semi", Section::SemiContinuous}, {"semis", Section::SemiContinuous},
    {"semicontinuous", Section::SemiContinuous}, {"sos", Section::Sos}, {"sos1", Section::Sos},
    {"sos2", Section::Sos},          {"pwl", Section::Pwl},           {"end", Section::End}};

// Headings of two words: the first, the second.
struct TwoWords {
  std::string_view first, second;
  Section section;
};
inline constexpr TwoWords kHeadingPairs[] = {{"subject", "to", Section::Constraints},
                                      {"such", "that", Section::Constraints},
                                      {"lazy", "constraints", Section::Lazy},
                                      {"user", "cuts", Section::UserCuts}};

// Whether a word may start a heading: a quick test before the tables.
inline bool MayStartHeading(std::string_view word) {
  if (word.size() > 14) return false;
  switch (word.front() | 0x20) {  // lower case
    case 'b': case 'e': case 'g': case 'i': case 'l': case 'm': case 'p': case 's': case 'u': return true;
    default: return false;
  }
}

inline Section HeadingWord(std::string_view word) {
  if (!MayStartHeading(word)) return Section::None;
  for (const Word& w : kHeadingWords)
    if (SameLetters(word, w.text)) return w.section;
  return Section::None;
}

// ---- tokens ----

enum class Kind : unsigned char { End, Name, Number, Sign, Compare, Colon, Other };

struct Token {
  Token() = default;
  Token(const Token&) = delete;  // text may point into own: tokens stay in the lexer's slots
  Token& operator=(const Token&) = delete;

  Kind kind = Kind::End;
  char op = 0;  // Sign: '+' or '-'; Compare: '<', '>' or '='
  bool owned = false;  // text is in own, not in the line
  std::string_view text;
  std::string own;
  long line = 0;
};

// A token as a scan of lines read ahead reads it.
struct Lexed {
  Kind kind = Kind::End;
  char op = 0;
  std::string_view text;
};

// The token at line[at], a byte that is neither a blank nor '\\' (which
// starts a comment): its kind, op and text, into a Token or a Lexed; `at`
// moves past it. A byte the format does not allow fails as the
// `lineNumber`-th line's of `path`.
template <class Out>
void ScanWord(std::string_view line, std::size_t& at, const std::string& path, long lineNumber, Out& token) {
  token.op = 0;
  const std::size_t begin = at;
  const char ch = line[at];
  auto endWord = [&](std::size_t end) {
    if (end < line.size() && ClassOf(line[end]) == kBad) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(line[end]));
      modelfile::Fail(path, lineNumber,
                      Shown(line.substr(begin, end + 1 - begin)) + " holds character " + code +
                          ", which the LP format does not allow in a name");
    }
    token.text = line.substr(begin, end - begin);
    at = end;
  };
  switch (ClassOf(ch)) {
    case kNameChar: {
      std::size_t end = at + 1;
      while (end < line.size() && InName(line[end])) ++end;
      endWord(end);
      token.kind = NumberWord(token.text) ? Kind::Number : Kind::Name;
      return;
    }
    case kDigit:
    case kDot: {
      // A row's name may start with a digit or a point where ':' follows it
      // at once ("1BAL: ..."): nothing else puts a colon after a number.
      std::size_t run = at;
      while (run < line.size() && InName(line[run])) ++run;
      if (run < line.size() && line[run] == ':') {
        endWord(run);
        token.kind = Kind::Name;
        return;
      }
      // Digits and points, then an exponent only if digits follow the E: a
      // name may follow a number without a blank ("2x" is 2 x).
      std::size_t end = at;
      while (end < line.size() && (ClassOf(line[end]) == kDigit || line[end] == '.')) ++end;
      if (end < line.size() && (line[end] == 'e' || line[end] == 'E')) {
        std::size_t digits = end + 1;
        if (digits < line.size() && (line[digits] == '+' || line[digits] == '-')) ++digits;
        if (digits < line.size() && ClassOf(line[digits]) == kDigit) {
          end = digits;
          while (end < line.size() && ClassOf(line[end]) == kDigit) ++end;
        }
      }
      endWord(end);
      token.kind = Kind::Number;
      return;
    }
    case kOperator: {
      const char next = at + 1 < line.size() ? line[at + 1] : '\0';
      std::size_t length = 1;
      if (ch == '+' || ch == '-') {
        token.kind = Kind::Sign;
        token.op = ch;
        if (ch == '-' && next == '>') {  // an indicator's arrow
          token.kind = Kind::Other;
          length = 2;
        }
      } else if (ch == '<' || ch == '>') {
        token.kind = Kind::Compare;
        token.op = ch;
        if (next == '=') length = 2;
      } else if (ch == '=') {
        token.kind = Kind::Compare;
        token.op = next == '<' || next == '>' ? next : '=';
        if (next == '<' || next == '>') length = 2;
      } else if (ch == ':') {
        token.kind = Kind::Colon;
      } else {
        token.kind = Kind::Other;  // * ^ [ ]
      }
      token.text = line.substr(at, length);
      at += length;
      return;
    }
    default: {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned char>(ch));
      modelfile::Fail(path, lineNumber, std::string("character ") + code + " is not part of the LP format");
    }
  }
}

// The tokens of a LineSource. A token's text points into its line until the
// lexer moves to the next line; then the tokens still held (looked ahead, and
// the one taken last) are copied, so Peek's and Take's tokens stay readable
// until the next Take.
class Lexer {
 public:
  Lexer(LineSource& source, std::string& problemName) : source_(source), problemName_(problemName) {}

  const Token& Peek(int ahead = 0) {
    while (held_ <= static_cast<std::size_t>(ahead)) {
      Token& slot = slots_[(first_ + held_) % kSlots];
      Scan(slot);
      ++held_;
    }
    return slots_[(first_ + static_cast<std::size_t>(ahead)) % kSlots];
  }
  const Token& Take() {
    Peek();
    last_ = first_;
    first_ = (first_ + 1) % kSlots;
    --held_;
    return slots_[last_];
  }
  // The token taken last.
  const Token& Last() const { return slots_[last_]; }
  // Comments stop being searched for the problem's name at the first heading.
  void StopLookingForName() { lookForName_ = false; }

  // Whether the lexer stands at the end of a line and holds no token, so that
  // what follows is whole lines, which the parser may read another way:
  // LinesAhead gives them (as LineSource::Ahead does; the token taken last
  // keeps its text), TakeLines takes the first `bytes` of them, `lines` lines.
  bool AtLineEnd() const {
    if (held_ > 0 || lookForName_) return false;
    std::size_t at = at_;
    while (at < line_.size() && ClassOf(line_[at]) == kSpace) ++at;
    return at == line_.size() || line_[at] == '\\';
  }
  std::string_view LinesAhead() {
    OwnHeld();
    line_ = {};
    at_ = 0;
    return source_.Ahead();
  }
  void TakeLines(std::size_t bytes, long lines) { source_.Take(bytes, lines); }
  // The token those lines ended with, as the one taken last (the line-th).
  void TookLast(const Lexed& token, long line) {
    Token& last = slots_[last_];
    last.kind = token.kind;
    last.op = token.op;
    last.own.assign(token.text);
    last.text = last.own;
    last.owned = true;
    last.line = line;
  }
  long line() const { return source_.line(); }  // the number of the last line read
  std::size_t BytesLeft() const { return source_.left(); }  // about how many are still to be read

  [[noreturn]] void Fail(long line, const std::string& reason) const { modelfile::Fail(source_.path(), line, reason); }

 private:
  static constexpr std::size_t kSlots = 4;  // three ahead and the last taken

  void Scan(Token& token);
  void OwnHeld();
  bool NextLine();
  void LookForName(std::string_view comment);

  LineSource& source_;
  std::string& problemName_;
  bool lookForName_ = true;
  std::string_view line_;
  std::size_t at_ = 0;
  std::array<Token, kSlots> slots_;
  std::size_t first_ = 0, held_ = 0, last_ = kSlots - 1;
};

inline void Lexer::Scan(Token& token) {
  token.owned = false;
  for (;;) {
    while (at_ < line_.size() && ClassOf(line_[at_]) == kSpace) ++at_;
    if (at_ < line_.size() && line_[at_] != '\\') break;
    if (at_ < line_.size() && lookForName_) LookForName(line_.substr(at_ + 1));
    if (!NextLine()) {
      token.kind = Kind::End;
      token.op = 0;
      token.text = {};
      token.line = source_.line();
      line_ = {};
      return;
    }
  }
  token.line = source_.line();
  ScanWord(line_, at_, source_.path(), token.line, token);
}

}  // namespace postsolve::modelfile::lp
