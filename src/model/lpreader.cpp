// The LP-format reader. The file is one stream of tokens (a statement may
// run over lines, several may share one); the lexer looks up to three tokens
// ahead, which is all a heading ("semi-continuous"), a row label ("c1:") or
// a constraint that starts with its constant ("2 <= x + y <= 5") needs.
// A row's terms are kept as (column, value) pairs in the rows' order, in
// blocks that are let go of as one counting pass at the end turns them into
// the column-major matrix: the pairs and the matrix never both exist whole,
// and no block is ever copied to grow. The tokens are the lexer's
// (lplexer.h); the statements read ahead, the scans' (lpscan.h).

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "lplexer.h"
#include "lpscan.h"
#include "modeltext.h"
#include "numfmt.h"
#include "readers.h"
#include "records.h"

namespace postsolve::modelfile {

namespace lp {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

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
  // most as large as the rest), from 12 KiB (a small file's terms take
  // little) up to whole huge pages (2 and 4 MiB).
  static constexpr std::size_t kFirstBlock = std::size_t{1} << 10, kDoublings = 9;
  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

// A comparison kept while more tokens are read.
struct Comparison {
  explicit Comparison(const Token& token) : op(token.op), line(token.line), text(token.text) {}
  Comparison(char sense, long at, std::string_view written) : op(sense), line(at), text(written) {}
  char op;
  long line;
  std::string text;
};

// ---- the reader ----

enum ColumnMark : unsigned char { kInteger = 1, kBinary = 2, kSemi = 4, kLowerGiven = 8, kUpperGiven = 16 };

std::string Plural(long count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

class LpReader {
 public:
  LpReader(const std::string& path, const Reading& reading)
      : reading_(reading), source_(path), lex_(source_, model_.name), columns_(model_.colNames),
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
  // The statements after the line the lexer stands at the end of, read a
  // block at a time, each in parts by scanText(text, path, scan), those
  // after the first starting at a line startsPiece takes; apply(scan, line)
  // applies a part's statements (its first line the line-th) or returns
  // false to leave them to the parser.
  template <class Scan, class StartsPiece, class ScanText, class Apply>
  void ReadAhead(BlockParts<Scan>& parts, const StartsPiece& startsPiece, const ScanText& scanText, const Apply& apply);
  // The constraints or the bounds so, up to the first a scan leaves to
  // Constraint or Bound.
  void ConstraintsAhead();
  void BoundsAhead();
  // The objective's terms so, up to the first line a scan leaves to Terms.
  void ObjectiveAhead();
  // The columns of the `named` (each with its name and hash) into
  // columnsOf_, found or made in order (after the terms put off).
  template <class Named>
  void ResolveColumns(const std::vector<Named>& named);
  static Comparison Compared(const SideRead& side, long partLine) {
    return Comparison(side.op, partLine + side.line, side.text);
  }
  void SetFree(int col);
  // After a large block that added `rows` and `columns` in `bytes`: room
  // for the rows or the columns ahead at that rate (NamesAhead), each once.
  // Grown by doubling instead, the arrays were copied and faulted in again
  // and again.
  void ReserveAhead(std::size_t rows, std::size_t columns, std::size_t bytes);
  void Bound();
  void Mark(ColumnMark mark, const char* section);
  // The terms of the objective (row -1) or of a row; false when there were none.
  bool Terms(int row);
  void SetRow(int row, const Comparison& op, double rhs, bool rhsFirst);
  void SetBound(int col, char op, double value, const Comparison& at);

  void Finish();
  void NameRows();
  void BuildMatrix();

  Reading reading_;
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
  BlockParts<RowsScan> rowParts_;
  BlockParts<BoundsScan> boundParts_;
  BlockParts<TermsScan> termParts_;
  std::vector<int> columnsOf_;  // of a part's terms or bounds
  bool objectiveSeen_ = false, offsetGiven_ = false;
  bool rowsReserved_ = false, columnsReserved_ = false;
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
    if (row < 0 && !first && lex_.AtLineEnd()) ObjectiveAhead();  // the lines of terms after it
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

template <class Scan, class StartsPiece, class ScanText, class Apply>
void LpReader::ReadAhead(BlockParts<Scan>& parts, const StartsPiece& startsPiece, const ScanText& scanText,
                         const Apply& apply) {
  if (!reading_.ahead) return;
  for (bool first = true;; first = false) {
    const std::string_view text = BlockOf(lex_.LinesAhead(), first ? reading_.firstBlock : reading_.block);
    if (text.empty()) return;
    const std::vector<std::string_view> pieces =
        WholeLineParts(text, PartsOf(text.size(), reading_.block, first, workers_), startsPiece);
    std::size_t bytes = 0;
    long lines = 0;
    bool stopped = false;
    const std::size_t rowsBefore = model_.rowNames.size(), columnsBefore = model_.colNames.size();
    const ScanEnd* last = nullptr;  // the last part that read a statement
    long lastLine = 0;
    ReadInParts(
        workers_.get(), pieces, parts, [&](std::string_view piece, Scan& scan) { scanText(piece, model_.path, scan); },
        [&](const BlockPart<Scan>& part) {
          const Scan& scan = part.scan;
          const long partLine = lex_.line() + lines + 1;  // the number of the part's first line
          if (!apply(scan, partLine)) {
            stopped = true;
            return false;
          }
          if (scan.lastLine >= 0) {
            last = &scan;
            lastLine = partLine + scan.lastLine;
          }
          bytes += scan.bytes;
          lines += scan.lines;
          // The last part may end inside a statement, which the next block reads.
          stopped = scan.stopped && !(scan.cut && &part == parts[pieces.size() - 1].get());
          return !scan.stopped;
        });
    // The parser goes on as if it had read the statements: the token it
    // took last (which its messages may name) is theirs.
    if (last != nullptr) lex_.TookLast(last->last, lastLine);
    lex_.TakeLines(bytes, lines);
    if (!first) ReserveAhead(model_.rowNames.size() - rowsBefore, model_.colNames.size() - columnsBefore, bytes);
    // A statement longer than the first block is tried in a whole one.
    if (stopped || (bytes == 0 && !first)) return;
  }
}

template <class Named>
void LpReader::ResolveColumns(const std::vector<Named>& named) {
  ResolveTerms();  // the terms put off come first
  constexpr std::size_t kAhead = 16;
  columnsOf_.resize(named.size());
  for (std::size_t k = 0; k < std::min(kAhead, named.size()); ++k) columns_.Prefetch(named[k].hash);
  for (std::size_t k = 0; k < named.size(); ++k) {
    if (k + kAhead < named.size()) columns_.Prefetch(named[k + kAhead].hash);
    columnsOf_[k] = ColumnOf(named[k].name, named[k].hash);
  }
}

void LpReader::ConstraintsAhead() {
  ReadAhead(rowParts_, StartsNamedRow, ScanRows, [this](const RowsScan& scan, long partLine) {
    // A part that would take the rows or the matrix past what an int counts
    // is left to the parser, which fails at the row that does.
    if (model_.rowNames.size() + scan.rows.size() >= static_cast<std::size_t>(INT_MAX) ||
        terms_.size() + deferred_.size() + scan.terms.size() >= static_cast<std::size_t>(INT_MAX))
      return false;
    ResolveColumns(scan.terms);
    constexpr std::size_t kAhead = 16;  // (each column's count fetched some terms ahead)
    std::size_t term = 0;
    for (const RowRead& read : scan.rows) {
      const int row = NewRow(read.name, partLine + read.line);
      for (; term < read.terms; ++term) {
        if (term + kAhead < columnsOf_.size())
          __builtin_prefetch(&entriesOf_[static_cast<std::size_t>(columnsOf_[term + kAhead])]);
        AddTerm(row, columnsOf_[term], scan.terms[term].value);
      }
      if (read.left.op != 0) SetRow(row, Compared(read.left, partLine), read.left.value, true);
      SetRow(row, Compared(read.rhs, partLine), read.rhs.value, false);
    }
    return true;
  });
}

void LpReader::ObjectiveAhead() {
  ReadAhead(termParts_, [](std::string_view) { return true; }, ScanObjective, [this](const TermsScan& scan, long) {
    ResolveColumns(scan.terms);
    for (std::size_t k = 0; k < scan.terms.size(); ++k) AddTerm(-1, columnsOf_[k], scan.terms[k].value);
    return true;
  });
}

void LpReader::BoundsAhead() {
  ReadAhead(boundParts_, [](std::string_view) { return true; }, ScanBounds, [this](const BoundsScan& scan, long partLine) {
    ResolveColumns(scan.bounds);
    for (std::size_t b = 0; b < scan.bounds.size(); ++b) {
      const BoundRead& read = scan.bounds[b];
      if (read.free) SetFree(columnsOf_[b]);
      for (int k = 0; k < read.count; ++k) {
        const SideRead& side = read.sides[static_cast<std::size_t>(k)];
        SetBound(columnsOf_[b], side.op, side.value, Compared(side, partLine));
      }
    }
    return true;
  });
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

void LpReader::ReserveAhead(std::size_t rows, std::size_t columns, std::size_t bytes) {
  const auto room = [&](std::size_t added, std::size_t now) {
    const double perByte = static_cast<double>(added) / static_cast<double>(std::max<std::size_t>(bytes, 1));
    return now + NamesAhead(perByte, lex_.BytesLeft());
  };
  try {
    if (rows > 0 && !rowsReserved_) {
      rowsReserved_ = true;
      const std::size_t names = room(rows, model_.rowNames.size());
      model_.rowNames.reserve(names);
      model_.rlo.reserve(names);
      model_.rup.reserve(names);
      termsOf_.reserve(names);
    }
    if (columns > 0 && !columnsReserved_) {
      columnsReserved_ = true;
      const std::size_t names = room(columns, model_.colNames.size());
      model_.colNames.reserve(names);
      model_.clo.reserve(names);
      model_.cup.reserve(names);
      model_.cost.reserve(names);
      costGiven_.reserve(names);
      marks_.reserve(names);
      entriesOf_.reserve(names);
    }
  } catch (const std::bad_alloc&) {
    // the arrays grow as they go
  }
}

void LpReader::SetFree(int col) {
  const auto j = static_cast<std::size_t>(col);
  model_.clo[j] = -kInf;
  model_.cup[j] = kInf;
  marks_[j] |= kLowerGiven | kUpperGiven;
}

void LpReader::Bound() {
  const Token& first = lex_.Peek();
  if (first.kind == Kind::Name) {  // x free, x <= 4, x >= -inf, x = 2
    const int col = Column(lex_.Take().text);
    const Token& next = lex_.Peek();
    if (next.kind == Kind::Name && SameLetters(next.text, "free")) {
      lex_.Take();
      SetFree(col);
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
    if (section == Section::Bounds && lex_.AtLineEnd()) BoundsAhead();
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

}  // namespace lp

bool LpNameWritable(std::string_view name, bool rowName) {
  using namespace lp;
  if (name.empty() || (!rowName && ClassOf(name.front()) != kNameChar)) return false;
  for (const char ch : name)
    if (!InName(ch)) return false;
  if (NumberWord(name)) return false;
  // A row's name before its ':' may be a heading word ("end:"), or start
  // with a digit or a point ("1BAL:").
  if (rowName) return true;
  return HeadingWord(name) == Section::None && !SameLetters(name, "free");
}

Model ReadLp(const std::string& path, const Reading& reading) {
  lp::LpReader reader(path, reading);
  return reader.Read();
}

}  // namespace postsolve::modelfile
