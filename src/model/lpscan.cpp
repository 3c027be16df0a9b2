#include "lpscan.h"

#include <cmath>
#include <cstring>

#include "numfmt.h"

namespace postsolve::modelfile::lp {

namespace {

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
  std::size_t size() const { return text_.size(); }
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
// the parser would look further: a scan leaves such a statement to it.
bool HeadingLike(std::string_view word) {
  if (!MayStartHeading(word)) return false;
  if (HeadingWord(word) != Section::None) return true;
  for (const TwoWords& pair : kHeadingPairs)
    if (SameLetters(word, pair.first)) return true;
  return false;
}

// A part's statements read in turn, each from a line's start to a line's
// end, as the parser reads them; the first it cannot read so ends the scan.
class StatementScan {
 public:
  StatementScan(std::string_view text, const std::string& path, ScanEnd& end) : tokens_(text, path), end_(end) {
    end_ = {};
  }

  // Scans statements with read(), which returns whether it read one, ending
  // at its line's end (the scan standing at its last token; see Ends), and
  // keeps it only then, until the text ends or a statement does not read.
  template <class Read>
  void Run(Read read) {
    std::size_t start = 0;
    long line = 0;
    try {
      for (;;) {
        Advance();
        if (token_.kind == Kind::End) {  // (blank and comment lines up to the end are read)
          end_.bytes = tokens_.size();
          end_.lines = tokens_.line();
          return;
        }
        if (!read()) {
          end_.cut = token_.kind == Kind::End;
          break;
        }
        end_.last = token_;
        end_.lastLine = tokens_.line();
        tokens_.SkipLine();
        start = tokens_.lineStart();
        line = tokens_.line();
      }
    } catch (const Error&) {  // a byte the format does not allow: the parser fails there
    }
    end_.bytes = start;
    end_.lines = line;
    end_.stopped = true;
  }

  const Lexed& token() const { return token_; }
  long line() const { return tokens_.line(); }
  // Whether the statement ends here: no token follows on its line.
  bool Ends() const { return tokens_.LineEndsHere(); }
  bool Advance() {
    tokens_.Next(token_);
    return true;
  }
  // The token after this one (without moving).
  Lexed Ahead() const {
    PartTokens after = tokens_;
    Lexed next;
    after.Next(next);
    return next;
  }
  // Signs and a number, as the parser's SignedNumber reads them (the scan
  // stays at the number).
  bool SignedNumber(double& value) {
    bool negative = false;
    while (token_.kind == Kind::Sign) {
      negative ^= token_.op == '-';
      Advance();
    }
    if (token_.kind != Kind::Number || !ParseNumber(token_.text, value)) return false;
    if (negative) value = -value;
    return true;
  }
  // A comparison, and the signed number after it.
  bool Side(SideRead& side) {
    if (!Comparison(side)) return false;
    return SignedNumber(side.value);
  }
  // A comparison (the scan moves past it).
  bool Comparison(SideRead& side) {
    if (token_.kind != Kind::Compare) return false;
    side.op = token_.op;
    side.text = token_.text;
    side.line = tokens_.line();
    return Advance();
  }
  // A name that is not a heading's first word.
  bool Name() const { return token_.kind == Kind::Name && !HeadingLike(token_.text); }

 private:
  PartTokens tokens_;
  Lexed token_;
  ScanEnd& end_;
};

// A term, as the parser's Terms reads one (`first`: a row's or the
// objective's first, which needs no sign), into `terms`; the scan stays at
// its name.
bool ScanTerm(StatementScan& scan, bool first, std::vector<TermRead>& terms) {
  bool negative = false, signed_ = false;
  while (scan.token().kind == Kind::Sign) {
    negative ^= scan.token().op == '-';
    signed_ = true;
    scan.Advance();
  }
  if (!signed_ && !first) return false;
  double value = negative ? -1.0 : 1.0;
  if (scan.token().kind == Kind::Number) {
    double coefficient = 0;
    if (!ParseNumber(scan.token().text, coefficient) || !std::isfinite(coefficient)) return false;
    value = negative ? -coefficient : coefficient;
    scan.Advance();
  }
  if (!scan.Name()) return false;
  terms.push_back({scan.token().text, NameIndex::Hash(scan.token().text), value});
  return true;
}

}  // namespace

bool StartsNamedRow(std::string_view line) {
  std::size_t at = 0;
  while (at < line.size() && ClassOf(line[at]) == kSpace) ++at;
  const std::size_t name = at;
  while (at < line.size() && InName(line[at])) ++at;
  if (at == name) return false;
  while (at < line.size() && ClassOf(line[at]) == kSpace) ++at;
  return at < line.size() && line[at] == ':';
}

void ScanRows(std::string_view text, const std::string& path, RowsScan& out) {
  out.rows.clear();
  out.terms.clear();
  StatementScan scan(text, path, out);
  // A row's terms (at least one): they end at a token that is not a sign.
  const auto terms = [&] {
    if (!ScanTerm(scan, true, out.terms)) return false;
    for (scan.Advance(); scan.token().kind == Kind::Sign; scan.Advance())
      if (!ScanTerm(scan, false, out.terms)) return false;
    return true;
  };
  scan.Run([&] {
    RowRead row;
    row.line = scan.line();
    if (scan.token().kind == Kind::Name && scan.Ahead().kind == Kind::Colon) {  // its name
      row.name = scan.token().text;
      scan.Advance();
      scan.Advance();
    }
    // A range starts with its constant and a comparison, one sign at most before it.
    bool range = false;
    if (scan.token().kind == Kind::Number) {
      range = scan.Ahead().kind == Kind::Compare;
    } else if (scan.token().kind == Kind::Sign) {
      StatementScan after = scan;
      after.Advance();
      range = after.token().kind == Kind::Number && after.Ahead().kind == Kind::Compare;
    }
    const bool read = range ? scan.SignedNumber(row.left.value) && scan.Advance() && scan.Comparison(row.left) &&
                                  terms() && scan.Side(row.rhs) && row.left.op != '=' && row.left.op == row.rhs.op
                            : terms() && scan.Side(row.rhs);
    if (read && scan.Ends()) {
      row.terms = out.terms.size();
      out.rows.push_back(row);
      return true;
    }
    out.terms.resize(out.rows.empty() ? 0 : out.rows.back().terms);
    return false;
  });
}

void ScanObjective(std::string_view text, const std::string& path, TermsScan& out) {
  out.terms.clear();
  StatementScan scan(text, path, out);
  scan.Run([&] {
    const std::size_t before = out.terms.size();
    while (scan.token().kind == Kind::Sign && ScanTerm(scan, false, out.terms)) {
      if (scan.Ends()) return true;
      scan.Advance();
    }
    out.terms.resize(before);
    return false;
  });
}

void ScanBounds(std::string_view text, const std::string& path, BoundsScan& out) {
  out.bounds.clear();
  StatementScan scan(text, path, out);
  scan.Run([&] {
    BoundRead bound;
    const auto name = [&] {
      if (!scan.Name()) return false;
      bound.name = scan.token().text;
      bound.hash = NameIndex::Hash(bound.name);
      return true;
    };
    if (scan.token().kind == Kind::Name) {  // x free, x <= 4, x >= -inf, x = 2
      if (!name()) return false;
      scan.Advance();
      if (scan.token().kind == Kind::Name && SameLetters(scan.token().text, "free")) {
        bound.free = true;
      } else {
        if (!scan.Side(bound.sides[0])) return false;
        bound.count = 1;
      }
    } else {  // 0 <= x, -inf <= x <= 4, 4 >= x >= 1
      SideRead& left = bound.sides[0];
      if (!scan.SignedNumber(left.value) || !scan.Advance() || !scan.Comparison(left) || !name()) return false;
      const char written = left.op;
      left.op = written == '=' ? '=' : written == '<' ? '>' : '<';  // as the column's
      bound.count = 1;
      // One side only when the next token is not a comparison: the part
      // must hold the next token, and it must be on a later line.
      const Lexed next = scan.Ahead();
      if (next.kind == Kind::End) {
        scan.Advance();  // (the part ends: the scan stops as cut)
        return false;
      }
      if (next.kind == Kind::Compare) {
        scan.Advance();
        if (!scan.Side(bound.sides[1]) || written == '=' || bound.sides[1].op != written) return false;
        bound.count = 2;
      }
    }
    if (!scan.Ends()) return false;
    out.bounds.push_back(bound);
    return true;
  });
}

}  // namespace postsolve::modelfile::lp
