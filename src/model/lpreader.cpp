// The LP-format reader. The file is one stream of tokens (a statement may
// run over lines, several may share one); the lexer looks up to three tokens
// ahead, which is all a heading ("semi-continuous"), a row label ("c1:") or
// a constraint that starts with its constant ("2 <= x + y <= 5") needs.
// A row's terms are kept as (column, value) pairs in the rows' order, in
// blocks that are let go of as one counting pass at the end turns them into
// the column-major matrix: the pairs and the matrix never both exist whole,
// and no block is ever copied to grow.

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modeltext.h"
#include "numfmt.h"
#include "readers.h"
#include "records.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

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
constexpr std::array<CharClass, 256> kClasses = MakeClasses();

CharClass ClassOf(char ch) { return kClasses[static_cast<unsigned char>(ch)]; }

// The rows' terms, in the rows' order: (column, value) pairs in blocks,
// each freed once its pairs have gone into the matrix. Large blocks come
// from bulk storage, faulted in at once, in huge pages where the system has
// them: filled page by page, each page's first touch would fault (a third of
// a 1M-entry file's faults), and a fault costs microseconds on a virtual
// machine. Reading that file took 0.26 s against 0.31 s before (medians of
// 11 alternated runs of readbench).
class RowTerms {
 public:
  std::size_t size() const { return size_; }
  void Add(int column, double value) {
    if (blocks_.empty() || blocks_.back().used == blocks_.back().columns.size())
      blocks_.push_back(Block(kFirstBlock << std::min(blocks_.size(), kDoublings)));
    Block& block = blocks_.back();
    block.columns[block.used] = column;
    block.values[block.used] = value;
    ++block.used;
    ++size_;
  }
  // Calls take(column, value) for every pair in order, freeing the blocks on
  // the way; leaves no pairs.
  template <class Take>
  void Drain(Take take) {
    for (Block& block : blocks_) {
      for (std::size_t k = 0; k < block.used; ++k) take(block.columns[k], block.values[k]);
      block = Block(0);
    }
    blocks_.clear();
    size_ = 0;
  }

 private:
  struct Block {
    explicit Block(std::size_t pairs) : columns(pairs), values(pairs) {}
    BulkVector<int> columns;
    BulkVector<double> values;
    std::size_t used = 0;
  };
  // Each block twice the one before (so that the last, partly used, is at
  // most as large as the rest), up to whole huge pages (2 and 4 MiB).
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 14, kDoublings = 5;
  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

// The words the lexer reads as numbers wherever they stand.
bool NumberWord(std::string_view word) {
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
constexpr Word kHeadingWords[] = {
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
constexpr TwoWords kHeadingPairs[] = {{"subject", "to", Section::Constraints},
                                      {"such", "that", Section::Constraints},
                                      {"lazy", "constraints", Section::Lazy},
                                      {"user", "cuts", Section::UserCuts}};

// Whether a word may start a heading: a quick test before the tables.
bool MayStartHeading(std::string_view word) {
  if (word.size() > 14) return false;
  switch (word.front() | 0x20) {  // lower case
    case 'b': case 'e': case 'g': case 'i': case 'l': case 'm': case 'p': case 's': case 'u': return true;
    default: return false;
  }
}

Section HeadingWord(std::string_view word) {
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

// The token at line[at], a byte that is neither a blank nor '\\' (which
// starts a comment): its kind, op and text, into a Token or a Lexed; `at`
// moves past it. A byte the format does not allow fails as the
// `lineNumber`-th line's of `path`.
template <class Out>
void ScanWord(std::string_view line, std::size_t& at, const std::string& path, long lineNumber, Out& token);

// A comparison kept while more tokens are read.
struct Comparison {
  explicit Comparison(const Token& token) : op(token.op), line(token.line), text(token.text) {}
  Comparison(char sense, long at, std::string_view written) : op(sense), line(at), text(written) {}
  char op;
  long line;
  std::string text;
};

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
  long line() const { return source_.line(); }  // the number of the last line read

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

void Lexer::Scan(Token& token) {
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
      while (end < line.size() && ClassOf(line[end]) >= kNameChar && ClassOf(line[end]) <= kDot) ++end;
      endWord(end);
      token.kind = NumberWord(token.text) ? Kind::Number : Kind::Name;
      return;
    }
    case kDigit:
    case kDot: {
      // A row's name may start with a digit or a point where ':' follows it
      // at once ("1BAL: ..."): nothing else puts a colon after a number.
      std::size_t run = at;
      while (run < line.size() && ClassOf(line[run]) >= kNameChar && ClassOf(line[run]) <= kDot) ++run;
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

// ---- constraints read ahead ----
//
// Most of a large LP file is its constraints, a row or two a line, whose
// reading (tokens, numbers, names hashed) need not wait for the rows before
// them. Where the lexer stands at a line's end in the constraints section,
// the whole lines after it are read a block at a time: the block is cut into
// parts, each starting at a line that starts a row with its name ("c1:"),
// which this thread and workers scan at once into rows, and this thread then
// applies the rows in order, as the parser would have read them one by one.
// A scan takes only rows of the plainest form (name, terms, comparison,
// right-hand side, ending at a line's end) and stops at the first row that
// is anything else (a range, a section, a fault, ...), which the parser then
// reads with its reason if it fails; what was scanned after it is dropped.

// A row as a scan read it: its terms are the scan's `terms`, after those of
// the rows before it. Lines and bytes are counted from the part's start.
struct RowRead {
  struct Side {  // a comparison and its constant
    std::string_view text;
    long line = 0;
    double value = 0;
    char op = 0;
  };
  std::string_view name;  // empty when it has none
  std::size_t terms = 0;
  long line = 0;  // of its first token
  Side rhs;
  Side left;  // a range's constant first ("2 <= x + y <= 5"), when left.op is set
};
struct TermRead {
  std::string_view name;
  std::size_t hash;
  double value;
};
struct RowsScan {
  std::vector<RowRead> rows;
  std::vector<TermRead> terms;
  std::size_t bytes = 0;  // read up to here: the start of the row stopped at, or the part's end
  long lines = 0;         // the lines in those bytes
  bool stopped = false;   // at a row left to the parser
  bool cut = false;       // ... because the part ends inside it
};

// A token as a scan reads it.
struct Lexed {
  Kind kind = Kind::End;
  char op = 0;
  std::string_view text;
};

// The tokens of a part of whole lines, and where they stand.
class PartTokens {
 public:
  PartTokens(std::string_view text, const std::string& path) : text_(text), path_(&path) { FindEnd(); }

  // The next token (End at the part's end); a byte the format does not
  // allow throws, as the lexer would.
  void Next(Lexed& token) {
    for (;;) {
      while (at_ < end_ && ClassOf(text_[at_]) == kSpace) ++at_;
      if (at_ < end_ && text_[at_] != '\\') break;
      if (end_ == text_.size()) {
        token = {};
        return;
      }
      at_ = begin_ = end_ + 1;
      ++line_;
      FindEnd();
    }
    std::size_t at = at_ - begin_;
    ScanWord(text_.substr(begin_, end_ - begin_), at, *path_, line_, token);
    at_ = begin_ + at;
  }
  // Whether no token follows on the line.
  bool LineEndsHere() const {
    std::size_t at = at_;
    while (at < end_ && ClassOf(text_[at]) == kSpace) ++at;
    return at == end_ || text_[at] == '\\';
  }
  // Moves to the next line's start.
  void SkipLine() {
    if (end_ == text_.size()) {
      at_ = end_;
      return;
    }
    at_ = begin_ = end_ + 1;
    ++line_;
    FindEnd();
  }
  std::size_t lineStart() const { return begin_; }
  long line() const { return line_; }  // counted from 0

 private:
  void FindEnd() {
    const void* eol = begin_ < text_.size() ? std::memchr(text_.data() + begin_, '\n', text_.size() - begin_) : nullptr;
    end_ = eol ? static_cast<std::size_t>(static_cast<const char*>(eol) - text_.data()) : text_.size();
  }

  std::string_view text_;
  const std::string* path_;
  std::size_t begin_ = 0, end_ = 0, at_ = 0;  // the line [begin_, end_) and the place in it
  long line_ = 0;
};

// Whether a word might start a heading (or, with the next word, one), where
// the parser would look further: a scan leaves such a row to it.
bool HeadingLike(std::string_view word) {
  if (!MayStartHeading(word)) return false;
  if (HeadingWord(word) != Section::None) return true;
  for (const TwoWords& pair : kHeadingPairs)
    if (SameLetters(word, pair.first)) return true;
  return false;
}

// Whether a line starts with a row's name and its ':' (a part starts there).
bool StartsNamedRow(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && ClassOf(line[at]) == kSpace) ++at;
  const std::size_t name = at;
  while (at < line.size() && ClassOf(line[at]) >= kNameChar && ClassOf(line[at]) <= kDot) ++at;
  if (at == name) return false;
  while (at < line.size() && ClassOf(line[at]) == kSpace) ++at;
  return at < line.size() && line[at] == ':';
}

// Reads the rows of `text` (whole lines; a row starts at its start) into
// `out`, until one that is not of the plainest form, or that the text ends
// inside. Changes nothing but `out`.
void ScanRows(std::string_view text, const std::string& path, RowsScan& out) {
  out.rows.clear();
  out.terms.clear();
  out.stopped = out.cut = false;
  PartTokens tokens(text, path);
  std::size_t rowStart = 0;
  long rowLine = 0;
  Lexed token;
  // Signs and a number, as the parser's SignedNumber reads them (the scan
  // stays at the number).
  const auto signedNumber = [&](double& value) {
    bool negative = false;
    while (token.kind == Kind::Sign) {
      negative ^= token.op == '-';
      tokens.Next(token);
    }
    if (token.kind != Kind::Number || !ParseNumber(token.text, value)) return false;
    if (negative) value = -value;
    return true;
  };
  const auto advance = [&] {
    tokens.Next(token);
    return true;
  };
  const auto comparison = [&](RowRead::Side& to) {
    if (token.kind != Kind::Compare) return false;
    to.op = token.op;
    to.text = token.text;
    to.line = tokens.line();
    tokens.Next(token);
    return true;
  };
  // The terms, as the parser's Terms reads a row's (at least one).
  const auto terms = [&] {
    for (bool firstTerm = true;; firstTerm = false) {
      bool negative = false, signed_ = false;
      while (token.kind == Kind::Sign) {
        negative ^= token.op == '-';
        signed_ = true;
        tokens.Next(token);
      }
      if (!signed_ && !firstTerm) return true;
      double value = negative ? -1.0 : 1.0;
      if (token.kind == Kind::Number) {
        double coefficient = 0;
        if (!ParseNumber(token.text, coefficient) || !std::isfinite(coefficient)) return false;
        value = negative ? -coefficient : coefficient;
        tokens.Next(token);
      }
      if (token.kind != Kind::Name || HeadingLike(token.text)) return false;
      out.terms.push_back({token.text, NameIndex::Hash(token.text), value});
      tokens.Next(token);
    }
  };
  try {
    for (;;) {
      tokens.Next(token);
      if (token.kind == Kind::End) {  // (blank and comment lines up to the end are read)
        out.bytes = text.size();
        out.lines = tokens.line();
        return;
      }
      RowRead row;
      row.line = tokens.line();
      if (token.kind == Kind::Name) {  // its name, or a first term
        PartTokens after = tokens;
        Lexed colon;
        after.Next(colon);
        if (colon.kind == Kind::Colon) {
          row.name = token.text;
          tokens = after;
          tokens.Next(token);
        }
      }
      // A range starts with its constant and a comparison, one sign at most before it.
      bool range = false;
      if (token.kind == Kind::Number || token.kind == Kind::Sign) {
        PartTokens after = tokens;
        Lexed ahead;
        after.Next(ahead);
        if (token.kind == Kind::Sign) {
          if (ahead.kind == Kind::Number) after.Next(ahead);
          else ahead = {};
        }
        range = ahead.kind == Kind::Compare;
      }
      const bool read =
          range ? signedNumber(row.left.value) && advance() && comparison(row.left) && terms() && comparison(row.rhs) &&
                      signedNumber(row.rhs.value) && row.left.op != '=' && row.left.op == row.rhs.op
                : terms() && comparison(row.rhs) && signedNumber(row.rhs.value);
      // A row ends at its line's end (the next starts on the next line).
      if (!read || !tokens.LineEndsHere()) {
        out.terms.resize(out.rows.empty() ? 0 : out.rows.back().terms);
        out.bytes = rowStart;
        out.lines = rowLine;
        out.stopped = true;
        out.cut = token.kind == Kind::End;
        return;
      }
      row.terms = out.terms.size();
      out.rows.push_back(row);
      tokens.SkipLine();
      rowStart = tokens.lineStart();
      rowLine = tokens.line();
    }
  } catch (const Error&) {  // a byte the format does not allow: the parser fails there
    out.terms.resize(out.rows.empty() ? 0 : out.rows.back().terms);
    out.bytes = rowStart;
    out.lines = rowLine;
    out.stopped = true;
  }
}

// ---- the reader ----

enum ColumnMark : unsigned char { kInteger = 1, kBinary = 2, kSemi = 4, kLowerGiven = 8, kUpperGiven = 16 };

std::string Plural(long count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

class LpReader {
 public:
  explicit LpReader(const std::string& path) : source_(path), lex_(source_, model_.name), columns_(model_.colNames),
                                               rows_(model_.rowNames) {
    model_.path = path;
  }
  Model Read();

 private:
  struct Heading {
    Section section = Section::None;
    int words = 0;
  };
  Heading HeadingHere();
  bool StartsHeading() { return HeadingHere().section != Section::None; }

  std::string Found(const Token& token) const;
  [[noreturn]] void Unexpected(const Token& token, const std::string& expected);
  [[noreturn]] void Fail(const Token& token, const std::string& reason) { lex_.Fail(token.line, reason); }
  [[noreturn]] void Fail(const Comparison& op, const std::string& reason) { lex_.Fail(op.line, reason); }

  double Number(const Token& token, const char* what) {
    double value = 0;
    if (!ParseNumber(token.text, value)) NumberOrFail(model_.path, token.line, token.text, what);
    return value;
  }
  // A column's index, a new column for a new name (the terms put off are
  // taken first).
  int Column(std::string_view name);
  int NewColumn(std::string_view name);
  // The column of a name, found or new.
  int ColumnOf(std::string_view name, std::size_t hash);
  // A term of the objective (row -1) or of a row.
  void AddTerm(int row, int col, double value);
  // A term of the objective (row -1) or of a row, put off with its column's
  // name so that the names of several are looked up together (each look-up
  // mostly waits for memory); ResolveTerms takes them in order.
  void DeferTerm(int row, double value, std::string_view name, std::size_t hash);
  void ResolveTerms();
  // Signs and a number: a right-hand side, a bound, a constraint's left constant.
  double SignedNumber(const char* what);

  void Objective();
  void Constraint();
  // A row named `name` (none when empty) from the line-th line on.
  int NewRow(std::string_view name, long line);
  // The constraints after the line the lexer stands at the end of, a block
  // at a time, up to the first row a scan leaves to Constraint.
  void ConstraintsAhead();
  void Bound();
  void Mark(ColumnMark mark, const char* section);
  // The terms of the objective (row -1) or of a row; false when there were none.
  bool Terms(int row);
  void SetRow(int row, const Comparison& op, double rhs, bool rhsFirst);
  void SetBound(int col, char op, double value, const Comparison& at);

  void Finish();
  void NameRows();
  void BuildMatrix();

  Model model_;
  LineSource source_;
  Lexer lex_;
  NameIndex columns_, rows_;
  std::vector<char> costGiven_;
  std::vector<unsigned char> marks_;
  std::vector<int> entriesOf_;  // per column
  std::vector<int> termsOf_;    // per row
  RowTerms terms_;
  struct DeferredTerm {
    int row, col;
    double value;
    std::size_t hash, nameAt, nameSize;  // the name: deferredNames_[nameAt, nameAt + nameSize)
  };
  static constexpr std::size_t kDeferred = 64;
  std::vector<DeferredTerm> deferred_;
  std::string deferredNames_;
  std::unique_ptr<WorkerPool> workers_;  // scanning constraints ahead, made when a block is large
  BlockParts<RowsScan> parts_;
  std::vector<int> columnsOf_;  // of a part's terms
  bool objectiveSeen_ = false, offsetGiven_ = false;
  long unnamedRows_ = 0;
};

LpReader::Heading LpReader::HeadingHere() {
  const Token& word = lex_.Peek();
  if (word.kind != Kind::Name || !MayStartHeading(word.text)) return {};
  if (const Section section = HeadingWord(word.text); section != Section::None) {
    if (lex_.Peek(1).kind == Kind::Colon) return {};  // a row named like a heading
    if (section == Section::SemiContinuous && SameLetters(word.text, "semi") && lex_.Peek(1).kind == Kind::Sign &&
        lex_.Peek(1).op == '-' && lex_.Peek(2).kind == Kind::Name && SameLetters(lex_.Peek(2).text, "continuous"))
      return {section, 3};
    return {section, 1};
  }
  for (const TwoWords& pair : kHeadingPairs)
    if (SameLetters(word.text, pair.first)) {
      const Token& second = lex_.Peek(1);
      if (second.kind == Kind::Name && SameLetters(second.text, pair.second)) return {pair.section, 2};
    }
  return {};
}

std::string LpReader::Found(const Token& token) const {
  return token.kind == Kind::End ? std::string("the end of the file") : Shown(token.text);
}

void LpReader::Unexpected(const Token& token, const std::string& expected) {
  if (token.text == "[" || token.text == "^" || token.text == "*")
    Fail(token, Shown(token.text) + " belongs to a quadratic term: only linear programs are read");
  if (token.text == "->") Fail(token, "\"->\" makes an indicator constraint: only linear programs are read");
  Fail(token, "expected " + expected + ", found " + Found(token));
}

int LpReader::Column(std::string_view name) {
  ResolveTerms();
  return ColumnOf(name, NameIndex::Hash(name));
}

int LpReader::NewColumn(std::string_view name) {
  if (model_.colNames.size() >= static_cast<std::size_t>(INT_MAX)) Fail(lex_.Last(), "too many columns");
  const int col = static_cast<int>(model_.colNames.size());
  model_.colNames.emplace_back(name);
  columns_.Add(col);
  model_.clo.push_back(0);
  model_.cup.push_back(kInf);
  model_.cost.push_back(0);
  costGiven_.push_back(0);
  marks_.push_back(0);
  entriesOf_.push_back(0);
  return col;
}

void LpReader::DeferTerm(int row, double value, std::string_view name, std::size_t hash) {
  columns_.Prefetch(hash);
  deferred_.push_back({row, -1, value, hash, deferredNames_.size(), name.size()});
  deferredNames_.append(name);
  if (deferred_.size() == kDeferred) ResolveTerms();
}

int LpReader::ColumnOf(std::string_view name, std::size_t hash) {
  const int found = columns_.Find(name, hash);
  return found >= 0 ? found : NewColumn(name);
}

void LpReader::AddTerm(int row, int col, double value) {
  const auto j = static_cast<std::size_t>(col);
  if (row < 0) {
    model_.cost[j] = costGiven_[j] ? model_.cost[j] + value : value;
    costGiven_[j] = 1;
  } else {
    terms_.Add(col, value);
    ++entriesOf_[j];
    ++termsOf_[static_cast<std::size_t>(row)];
  }
}

void LpReader::ResolveTerms() {
  // In order, so that a new column takes the index of its first term.
  for (DeferredTerm& term : deferred_) {
    term.col = ColumnOf(std::string_view(deferredNames_.data() + term.nameAt, term.nameSize), term.hash);
    const auto j = static_cast<std::size_t>(term.col);
    if (term.row < 0) __builtin_prefetch(&model_.cost[j]);
    else __builtin_prefetch(&entriesOf_[j]);
  }
  for (const DeferredTerm& term : deferred_) AddTerm(term.row, term.col, term.value);
  deferred_.clear();
  deferredNames_.clear();
}

double LpReader::SignedNumber(const char* what) {
  bool negative = false;
  while (lex_.Peek().kind == Kind::Sign) negative ^= lex_.Take().op == '-';
  const Token& number = lex_.Peek();
  if (number.kind != Kind::Number) Unexpected(number, std::string(what) + " after " + Shown(lex_.Last().text));
  const double value = Number(lex_.Take(), what);
  return negative ? -value : value;
}

bool LpReader::Terms(int row) {
  bool any = false;
  for (bool first = true;; first = false) {
    bool negative = false, signed_ = false;
    while (lex_.Peek().kind == Kind::Sign) {
      negative ^= lex_.Take().op == '-';
      signed_ = true;
    }
    if (!signed_ && !first) {
      const Token& next = lex_.Peek();
      if (next.kind == Kind::Name || next.kind == Kind::Number) {
        if (next.kind == Kind::Number || !StartsHeading())
          Fail(next, "no operator between " + Shown(lex_.Last().text) + " and " + Shown(next.text));
      } else if (next.kind == Kind::Other) {
        Unexpected(next, "an operator");
      }
      return any;
    }
    const Token& start = lex_.Peek();
    const bool name = start.kind == Kind::Name && !StartsHeading();
    if (!signed_ && !name && start.kind != Kind::Number) {
      if (start.kind == Kind::Other) Unexpected(start, "a term");
      return false;  // no terms at all
    }
    double value = negative ? -1.0 : 1.0;
    if (start.kind == Kind::Number) {
      const double coefficient = Number(lex_.Take(), row < 0 ? "a cost" : "a coefficient");
      value = negative ? -coefficient : coefficient;
      const Token& next = lex_.Peek();
      if (next.kind != Kind::Name || StartsHeading()) {  // a constant
        const Token& constant = lex_.Last();
        if (row >= 0)
          Fail(constant, "a constant " + Shown(constant.text) +
                             " among a constraint's terms: only its right-hand side may be a number");
        if (std::isinf(value)) Fail(constant, "the objective's constant " + Shown(constant.text) + " is infinite");
        model_.objOffset = offsetGiven_ ? model_.objOffset + value : value;
        offsetGiven_ = true;
        continue;
      }
    } else if (!name) {
      Unexpected(start, "a term after " + Shown(lex_.Last().text));
    }
    const Token& variable = lex_.Take();
    if (std::isinf(value))
      Fail(variable, "the coefficient of " + Shown(variable.text) + " is infinite");
    if (row >= 0 && terms_.size() + deferred_.size() >= static_cast<std::size_t>(INT_MAX))
      Fail(variable, "too many matrix entries");
    any = true;
    DeferTerm(row, value, variable.text, NameIndex::Hash(variable.text));
  }
}

void LpReader::Objective() {
  if (lex_.Peek().kind == Kind::Name && lex_.Peek(1).kind == Kind::Colon) {
    lex_.Take();  // the objective's name, which the model does not keep
    lex_.Take();
  }
  Terms(-1);
  const Token& next = lex_.Peek();
  if (next.kind != Kind::End && !StartsHeading()) Unexpected(next, "a term or a section");
}

void LpReader::SetRow(int row, const Comparison& op, double rhs, bool rhsFirst) {
  const auto i = static_cast<std::size_t>(row);
  rhs = UnloggedBound(rhs);
  char sense = op.op;
  if (rhsFirst && sense != '=') sense = sense == '<' ? '>' : '<';  // 2 <= x is x >= 2
  if ((sense != '<' && rhs == kInf) || (sense != '>' && rhs == -kInf))
    Fail(op, "the right-hand side " + CaseDouble(rhs) + " cannot be met");
  if (sense != '<') model_.rlo[i] = rhs;
  if (sense != '>') model_.rup[i] = rhs;
}

int LpReader::NewRow(std::string_view name, long line) {
  if (model_.rowNames.size() >= static_cast<std::size_t>(INT_MAX)) Fail(lex_.Last(), "too many rows");
  const int row = static_cast<int>(model_.rowNames.size());
  model_.rowNames.emplace_back(name);
  model_.rlo.push_back(-kInf);
  model_.rup.push_back(kInf);
  termsOf_.push_back(0);
  if (name.empty()) {
    ++unnamedRows_;
  } else if (rows_.Add(row) >= 0) {
    modelfile::Fail(model_.path, line, "a second constraint named " + Shown(name));
  }
  return row;
}

void LpReader::ConstraintsAhead() {
  constexpr std::size_t kFirstBlock = std::size_t{1} << 14, kBlock = std::size_t{1} << 18;
  constexpr std::size_t kLeastPart = kBlock / 16, kMostParts = 16;
  for (bool first = true;; first = false) {
    std::string_view text = lex_.LinesAhead();
    const std::size_t most = first ? kFirstBlock : kBlock;
    if (text.size() > most) {  // whole lines, up to `most` bytes (or one longer line)
      const std::size_t last = text.rfind('\n', most - 1);
      if (last != std::string_view::npos) text = text.substr(0, last + 1);
    }
    if (text.empty()) return;
    std::size_t parts = 1;
    if (!first && text.size() >= 2 * kLeastPart) {
      if (!workers_) workers_ = std::make_unique<WorkerPool>(WorkerPool::Cores() - 1);
      if (workers_->size() > 0) parts = std::min(kMostParts, text.size() / kLeastPart);
    }
    const std::vector<std::string_view> pieces = WholeLineParts(text, parts, StartsNamedRow);
    std::size_t bytes = 0;
    long lines = 0;
    bool stopped = false;
    ReadInParts(
        workers_.get(), pieces, parts_,
        [this](std::string_view piece, RowsScan& scan) { ScanRows(piece, model_.path, scan); },
        [&](const BlockPart<RowsScan>& part) {
          const RowsScan& scan = part.scan;
          // A part that would take the rows or the matrix past what an int
          // counts is left to the parser, which fails at the row that does.
          if (model_.rowNames.size() + scan.rows.size() >= static_cast<std::size_t>(INT_MAX) ||
              terms_.size() + deferred_.size() + scan.terms.size() >= static_cast<std::size_t>(INT_MAX)) {
            stopped = true;
            return false;
          }
          const long partLine = lex_.line() + lines + 1;  // the number of the part's first line
          ResolveTerms();  // the terms put off come first
          // The terms' columns are looked up in order some terms ahead of
          // their rows, their slots fetched further ahead still: a look-up
          // mostly waits for memory, and so they wait at once.
          constexpr std::size_t kAhead = 16;
          columnsOf_.resize(scan.terms.size());
          std::size_t resolved = 0;
          const auto resolveTo = [&](std::size_t end) {
            for (end = std::min(end, scan.terms.size()); resolved < end; ++resolved) {
              if (resolved + kAhead < scan.terms.size()) columns_.Prefetch(scan.terms[resolved + kAhead].hash);
              const int col = ColumnOf(scan.terms[resolved].name, scan.terms[resolved].hash);
              __builtin_prefetch(&entriesOf_[static_cast<std::size_t>(col)]);
              columnsOf_[resolved] = col;
            }
          };
          for (std::size_t t = 0; t < std::min(kAhead, scan.terms.size()); ++t) columns_.Prefetch(scan.terms[t].hash);
          std::size_t term = 0;
          for (const RowRead& read : scan.rows) {
            const int row = NewRow(read.name, partLine + read.line);
            for (; term < read.terms; ++term) {
              resolveTo(term + kAhead);
              AddTerm(row, columnsOf_[term], scan.terms[term].value);
            }
            if (read.left.op != 0)
              SetRow(row, Comparison(read.left.op, partLine + read.left.line, read.left.text), read.left.value, true);
            SetRow(row, Comparison(read.rhs.op, partLine + read.rhs.line, read.rhs.text), read.rhs.value, false);
          }
          bytes += scan.bytes;
          lines += scan.lines;
          // The last part may end inside a row, which the next block reads.
          stopped = scan.stopped && !(scan.cut && &part == parts_[pieces.size() - 1].get());
          return !scan.stopped;
        });
    lex_.TakeLines(bytes, lines);
    if (stopped || bytes == 0) return;
  }
}

void LpReader::Constraint() {
  const long line = lex_.Peek().line;
  std::string name;
  if (lex_.Peek().kind == Kind::Name && lex_.Peek(1).kind == Kind::Colon) {
    name.assign(lex_.Take().text);
    lex_.Take();
  }
  const int row = NewRow(name, line);
  // "-2 <= x + y <= 5": a range, the constant first.
  const bool constantFirst =
      (lex_.Peek().kind == Kind::Number && lex_.Peek(1).kind == Kind::Compare) ||
      (lex_.Peek().kind == Kind::Sign && lex_.Peek(1).kind == Kind::Number && lex_.Peek(2).kind == Kind::Compare);
  if (constantFirst) {
    const double left = SignedNumber("a number");
    const Comparison firstOp(lex_.Take());
    if (!Terms(row)) Unexpected(lex_.Peek(), "a term after " + Shown(firstOp.text));
    // "2 <= x + y" alone is refused: a next row starting with a sign would
    // read as more of its terms.
    if (lex_.Peek().kind != Kind::Compare)
      Unexpected(lex_.Peek(), "a second comparison after " + Shown(lex_.Last().text) +
                                  " (a constraint that starts with a number is a range)");
    const Comparison secondOp(lex_.Take());
    const double right = SignedNumber("a right-hand side");
    if (firstOp.op == '=' || firstOp.op != secondOp.op)
      Fail(secondOp, "a ranged constraint takes two \"<=\" or two \">=\", not " + Shown(firstOp.text) + " and " +
                         Shown(secondOp.text));
    SetRow(row, firstOp, left, true);
    SetRow(row, secondOp, right, false);
    return;
  }
  if (!Terms(row)) Unexpected(lex_.Peek(), "a term");
  if (lex_.Peek().kind != Kind::Compare)
    Unexpected(lex_.Peek(), "an operator or a comparison after " + Shown(lex_.Last().text));
  const Comparison op(lex_.Take());
  SetRow(row, op, SignedNumber("a right-hand side"), false);
}

void LpReader::SetBound(int col, char op, double value, const Comparison& at) {
  const auto j = static_cast<std::size_t>(col);
  value = UnloggedBound(value);
  if ((op != '<' && value == kInf) || (op != '>' && value == -kInf))
    Fail(at, "the bound " + CaseDouble(value) + " on " + Shown(model_.colNames[j]) + " cannot be met");
  if (op != '<') {
    model_.clo[j] = value;
    marks_[j] |= kLowerGiven;
  }
  if (op != '>') {
    model_.cup[j] = value;
    marks_[j] |= kUpperGiven;
  }
}

void LpReader::Bound() {
  const Token& first = lex_.Peek();
  if (first.kind == Kind::Name) {  // x free, x <= 4, x >= -inf, x = 2
    const int col = Column(lex_.Take().text);
    const Token& next = lex_.Peek();
    if (next.kind == Kind::Name && SameLetters(next.text, "free")) {
      lex_.Take();
      model_.clo[static_cast<std::size_t>(col)] = -kInf;
      model_.cup[static_cast<std::size_t>(col)] = kInf;
      marks_[static_cast<std::size_t>(col)] |= kLowerGiven | kUpperGiven;
      return;
    }
    if (next.kind != Kind::Compare) Unexpected(next, "\"free\" or a comparison after " + Shown(lex_.Last().text));
    const Comparison op(lex_.Take());
    SetBound(col, op.op, SignedNumber("a bound"), op);
    return;
  }
  if (first.kind != Kind::Number && first.kind != Kind::Sign) Unexpected(first, "a bound");
  // 0 <= x, -inf <= x <= 4, 4 >= x >= 1
  const double left = SignedNumber("a bound");
  if (lex_.Peek().kind != Kind::Compare) Unexpected(lex_.Peek(), "a comparison after " + Shown(lex_.Last().text));
  const Comparison firstOp(lex_.Take());
  const Token& name = lex_.Peek();
  if (name.kind != Kind::Name || StartsHeading()) Unexpected(name, "a column name after " + Shown(firstOp.text));
  const int col = Column(lex_.Take().text);
  const char flipped = firstOp.op == '=' ? '=' : firstOp.op == '<' ? '>' : '<';
  SetBound(col, flipped, left, firstOp);
  if (lex_.Peek().kind != Kind::Compare) return;
  const Comparison secondOp(lex_.Take());
  const double right = SignedNumber("a bound");
  if (firstOp.op == '=' || firstOp.op != secondOp.op)
    Fail(secondOp, "a bound on both sides takes two \"<=\" or two \">=\", not " + Shown(firstOp.text) + " and " +
                       Shown(secondOp.text));
  SetBound(col, secondOp.op, right, secondOp);
}

void LpReader::Mark(ColumnMark mark, const char* section) {
  const Token& name = lex_.Peek();
  if (name.kind != Kind::Name) Unexpected(name, std::string("a column name in the ") + section + " section");
  marks_[static_cast<std::size_t>(Column(lex_.Take().text))] |= mark;
}

Model LpReader::Read() {
  Section section = Section::None;
  for (;;) {
    if (section == Section::Constraints && lex_.AtLineEnd()) ConstraintsAhead();
    const Heading heading = HeadingHere();
    if (heading.section == Section::None) {
      const Token& next = lex_.Peek();
      if (next.kind == Kind::End) break;
      switch (section) {
        case Section::None:
          Unexpected(next, "a section (minimize, maximize, subject to, bounds, generals, binaries, end)");
        case Section::Constraints: Constraint(); break;
        case Section::Bounds: Bound(); break;
        case Section::Generals: Mark(kInteger, "generals"); break;
        case Section::Binaries: Mark(kBinary, "binaries"); break;
        case Section::SemiContinuous: Mark(kSemi, "semi-continuous"); break;
        default: Unexpected(next, "a section");  // the objective reads to its end
      }
      continue;
    }
    lex_.StopLookingForName();
    const long at = lex_.Peek().line;
    for (int w = 0; w < heading.words; ++w) lex_.Take();
    section = heading.section;
    switch (section) {
      case Section::Minimise:
      case Section::Maximise:
        if (objectiveSeen_) lex_.Fail(at, "a second objective section");
        objectiveSeen_ = true;
        model_.maximise = section == Section::Maximise;
        Objective();
        break;
      case Section::End: Finish(); return std::move(model_);
      case Section::Sos: lex_.Fail(at, "an SOS section: only linear programs are read");
      case Section::Pwl: lex_.Fail(at, "a piecewise-linear section: only linear programs are read");
      case Section::Lazy: lex_.Fail(at, "a lazy constraints section: not read");
      case Section::UserCuts: lex_.Fail(at, "a user cuts section: not read");
      default: break;
    }
  }
  if (section == Section::None) modelfile::Fail(model_.path, 0, "no LP-format section: not an LP file");
  Finish();
  return std::move(model_);
}

// Unnamed rows take R1, R2, ... in order, skipping the names the file gave.
void LpReader::NameRows() {
  long next = 0;
  for (std::size_t i = 0; i < model_.rowNames.size() && unnamedRows_ > 0; ++i) {
    if (!model_.rowNames[i].empty()) continue;
    char generated[24];
    do std::snprintf(generated, sizeof generated, "R%ld", ++next);
    while (rows_.Find(generated) >= 0);
    model_.rowNames[i] = generated;
    rows_.Add(static_cast<int>(i));
    --unnamedRows_;
  }
}

void LpReader::BuildMatrix() {
  const std::size_t cols = model_.colNames.size();
  // (room faulted in at once: page by page, each first touch would fault)
  const auto sized = [](auto& v, std::size_t n) {
    v.reserve(n);
    PopulateRange(v.data(), n * sizeof(v[0]));
    v.resize(n);
  };
  sized(model_.start, cols + 1);
  for (std::size_t j = 0; j < cols; ++j) model_.start[j + 1] = model_.start[j] + entriesOf_[j];
  sized(model_.index, terms_.size());
  sized(model_.value, terms_.size());
  std::vector<int> next(model_.start.begin(), model_.start.end() - 1);
  int row = 0, left = termsOf_.empty() ? 0 : termsOf_[0];
  terms_.Drain([&](int col, double value) {
    while (left == 0) left = termsOf_[static_cast<std::size_t>(++row)];
    --left;
    const auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(col)]++);
    model_.index[at] = row;
    model_.value[at] = value;
  });
  std::vector<int>().swap(termsOf_);
  MergeDuplicates(model_);
}

void LpReader::Finish() {
  ResolveTerms();
  NameRows();
  // The names are all known: their tables make room for the matrix.
  columns_.Release();
  rows_.Release();
  BuildMatrix();
  long integers = 0, binaries = 0, binariesKept = 0, semis = 0, negativeUppers = 0;
  for (std::size_t j = 0; j < marks_.size(); ++j) {
    const unsigned mark = marks_[j];
    double& lo = model_.clo[j];
    double& up = model_.cup[j];
    integers += (mark & (kInteger | kBinary)) != 0;
    if (mark & kBinary) {
      // A side the bounds section gave within [0, 1] is kept (a binary fixed at 1).
      const bool keepLower = (mark & kLowerGiven) && lo >= 0 && lo <= 1;
      const bool keepUpper = (mark & kUpperGiven) && up >= 0 && up <= 1;
      ++binaries;
      binariesKept += keepLower || keepUpper;
      if (!keepLower) lo = 0;
      if (!keepUpper) up = 1;
    }
    if (mark & kSemi) {
      ++semis;
      lo = std::min(0.0, lo);
      up = std::max(0.0, up);
    }
    if ((mark & kLowerGiven) == 0 && up < 0) ++negativeUppers;
  }
  if (integers > 0) model_.notes.push_back(Plural(integers, "integer column") + " read as continuous: the LP relaxation");
  if (binaries > 0)
    model_.notes.push_back(Plural(binaries, "binary column") + " bounded to [0, 1]" +
                           (binariesKept > 0 ? " (" + std::to_string(binariesKept) +
                                                   " kept the bounds within [0, 1] the file gave)"
                                             : std::string()));
  if (semis > 0)
    model_.notes.push_back(Plural(semis, "semi-continuous column") +
                           " relaxed to [min(0, lower), max(0, upper)]");
  if (negativeUppers > 0)
    model_.notes.push_back(Plural(negativeUppers, "column") +
                           " given a negative upper bound and no lower bound: the lower bound stays 0, infeasible");
}

}  // namespace

bool LpNameWritable(std::string_view name, bool rowName) {
  if (name.empty() || (!rowName && ClassOf(name.front()) != kNameChar)) return false;
  for (const char ch : name)
    if (ClassOf(ch) < kNameChar || ClassOf(ch) > kDot) return false;
  if (NumberWord(name)) return false;
  // A row's name before its ':' may be a heading word ("end:"), or start
  // with a digit or a point ("1BAL:").
  if (rowName) return true;
  return HeadingWord(name) == Section::None && !SameLetters(name, "free");
}

Model ReadLp(const std::string& path) {
  LpReader reader(path);
  return reader.Read();
}

}  // namespace postsolve::modelfile
