// The LP reader's statements read ahead.
//
// Most of a large LP file is its objective's terms, a few a line, its
// constraints, a row or two a line, and its bounds, one a line, whose
// reading (tokens, numbers, names hashed) need not wait for the statements
// before them. Where the lexer stands at a line's end among them, the whole
// lines after it are read a block at a time: the block is cut into parts, each starting at a line that may start
// a statement (for rows, one that starts with a row's name, "c1:"), which
// this thread and workers scan at once, and this thread then applies what
// they read in order, as the parser would have read the statements one by
// one. A scan takes only statements of the plainest forms, each ending at a
// line's end, and stops at the first that is anything else (a section, a
// fault, a form it does not take, ...), which the parser then reads, with its
// reason if it fails; what was scanned after it is dropped.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "lplexer.h"

namespace postsolve::modelfile::lp {

// A comparison and its constant, as a scan read them. Lines are counted
// from the part's first.
struct SideRead {
  std::string_view text;
  long line = 0;
  double value = 0;
  char op = 0;
};

// Where a part's scan stopped.
struct ScanEnd {
  std::size_t bytes = 0;  // read up to here: the start of the statement stopped at, or the part's end
  long lines = 0;         // the lines in those bytes
  bool stopped = false;   // at a statement left to the parser
  bool cut = false;       // ... because the part ends inside it
  Lexed last;             // the last token of the statements read, on line lastLine (-1: none read)
  long lastLine = -1;
};

// A row: its terms are the scan's `terms`, after those of the rows before it.
struct RowRead {
  std::string_view name;  // empty when it has none
  std::size_t terms = 0;
  long line = 0;  // of its first token
  SideRead rhs;
  SideRead left;  // a range's constant first ("2 <= x + y <= 5"), when left.op is set
};
struct TermRead {
  std::string_view name;
  std::size_t hash;
  double value;
};
struct RowsScan : ScanEnd {
  std::vector<RowRead> rows;
  std::vector<TermRead> terms;
};

// The objective's terms, after its first.
struct TermsScan : ScanEnd {
  std::vector<TermRead> terms;
};

// A bound statement: "x free", or up to two sides, each as the column's
// ("x op value": "2 <= x" is x >= 2).
struct BoundRead {
  std::string_view name;
  std::size_t hash = 0;
  std::array<SideRead, 2> sides;
  int count = 0;
  bool free = false;
};
struct BoundsScan : ScanEnd {
  std::vector<BoundRead> bounds;
};

// Whether a line starts with a row's name and its ':' (a part of rows starts there).
bool StartsNamedRow(std::string_view line);

// The rows of `text` (whole lines; a row starts at its start), into `out`.
void ScanRows(std::string_view text, const std::string& path, RowsScan& out);
// The objective's terms after its first, a line of them at a time (each
// term signed, the line ending after one), into `out`.
void ScanObjective(std::string_view text, const std::string& path, TermsScan& out);
// The bounds of `text` (whole lines; a bound starts at its start), into `out`.
void ScanBounds(std::string_view text, const std::string& path, BoundsScan& out);

}  // namespace postsolve::modelfile::lp
