// The MPS reader: fixed and free MPS, plain or gzipped, in one pass, the
// matrix built by columns as COLUMNS gives it (no triplets), names kept once.
//
// Which format a file is in, when the caller does not say (ModelFormat::Mps):
// a NAME line whose last word is FREE makes it free MPS. Otherwise each line
// is read as free MPS (fields split at blanks) until one does not read that
// way (a wrong number of fields, an unknown name, a bad number); that line is
// then read by column position, and when it reads so, the rest of the file is
// read as fixed MPS. When it does not, the free reading's reason is given.
//
// Data lines start with a blank in both formats; a line starting with
// anything else is a section line (or a '*' comment), so a column may be
// called RHS. The rules the reader applies are listed in docs/formats.md.

#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "modeltext.h"
#include "readers.h"
#include "records.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::size_t kMostIndex = INT_MAX;  // rows, columns and entries are counted in int

bool IsBlank(char c) { return IsMpsBlank(c); }

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The same word, whatever the case of `text`; `word` is in capitals.
bool Is(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (UpperCase(text[i]) != word[i]) return false;
  return true;
}

std::string_view TrimmedEnd(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return TrimmedEnd(s);
}

// A line's words, split at blanks: the first kKept kept, all counted.
struct Words {
  static constexpr std::size_t kKept = 8;
  std::array<std::string_view, kKept> at{};
  std::size_t count = 0;
};

void Split(std::string_view line, Words& words) {
  words.count = 0;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (words.count <= Words::kKept) {
    while (p < end && IsBlank(*p)) ++p;
    if (p == end) return;
    const char* const first = p;
    while (p < end && !IsBlank(*p)) ++p;
    if (words.count < Words::kKept) words.at[words.count] = std::string_view(first, static_cast<std::size_t>(p - first));
    ++words.count;
  }
}

enum class Section { None, ObjSense, ObjName, Rows, Columns, Rhs, Ranges, Bounds };

// The six fields of a data line, numbered from 1 as fixed MPS numbers them
// (type, name, name, number, name, number); empty when absent.
struct Fields {
  std::array<std::string_view, 7> f{};
  bool hashed = false;  // hash holds the hashes of the row names in fields 3 and 5
  std::array<std::size_t, 2> hash{};
};

// Fixed MPS: the fields by column (2-3, 5-12, 15-22, 25-36, 40-47, 50-61,
// counted from 1), each without the blanks around it (a name may hold blanks
// inside). Field 3 or 5 starting with '$' begins a comment.
Fields FixedFields(std::string_view line) {
  static constexpr std::array<std::size_t, 7> kFirst{0, 2, 5, 15, 25, 40, 50}, kLast{0, 3, 12, 22, 36, 47, 61};
  Fields fields;
  for (std::size_t i = 1; i <= 6; ++i) {
    if (line.size() < kFirst[i]) break;
    const std::string_view field = Trimmed(line.substr(kFirst[i] - 1, kLast[i] - kFirst[i] + 1));
    if ((i == 3 || i == 5) && field.starts_with('$')) break;
    fields.f[i] = field;
  }
  return fields;
}

enum class BoundValue { Needed, None, Optional };

// What a bound type takes after the column: UP, LO, FX, LI, UI a value; FR,
// MI, PL none; BV, SC, SI a value or none. Returns false for an unknown type.
bool BoundKind(std::string_view type, BoundValue& kind) {
  for (std::string_view t : {"UP", "LO", "FX", "LI", "UI"})
    if (Is(type, t)) return kind = BoundValue::Needed, true;
  for (std::string_view t : {"FR", "MI", "PL"})
    if (Is(type, t)) return kind = BoundValue::None, true;
  for (std::string_view t : {"BV", "SC", "SI"})
    if (Is(type, t)) return kind = BoundValue::Optional, true;
  return false;
}

// Free MPS: the words of a data line given their fields by section and count.
// A word starting with '$' begins a comment after the words every line of the
// section has: two in ROWS, three elsewhere (so that the names a writer puts
// there, whatever their first byte, are names). False, with the reason, for a
// wrong count.
bool FreeFields(const Words& words, Section section, Fields& fields, std::string& why) {
  const std::size_t keep = section == Section::Rows ? 2 : 3;
  std::size_t n = words.count;
  for (std::size_t i = keep; i < std::min(n, Words::kKept); ++i)
    if (words.at[i].starts_with('$')) n = i;
  fields = Fields{};
  auto place = [&](std::size_t field) {
    for (std::size_t i = 0; i < n; ++i) fields.f[field + i] = words.at[i];
  };
  switch (section) {
    case Section::Rows:
      if (n == 2) return place(1), true;
      why = "a ROWS line is a row type and a row name";
      return false;
    case Section::Columns:
      if (n == 3 || n == 5) return place(2), true;
      why = "a COLUMNS line is a column name and one or two pairs of row name and value";
      return false;
    case Section::Rhs:
    case Section::Ranges:
      if (n == 3 || n == 5) return place(2), true;
      if (n == 2 || n == 4) return place(3), true;
      why = std::string("a ") + (section == Section::Rhs ? "RHS" : "RANGES") +
            " line is an optional set name and one or two pairs of row name and value";
      return false;
    case Section::Bounds: {
      BoundValue kind = BoundValue::Needed;
      if (n >= 2 && n <= 4 && BoundKind(words.at[0], kind)) {
        fields.f[1] = words.at[0];
        // Three words: set and column, or column and value, by what the type takes.
        const bool withSet = n == 4 || (n == 3 && kind != BoundValue::Needed);
        if (n == 2 && kind == BoundValue::Needed) {
          why = "a " + std::string(words.at[0]) + " bound needs a value";
          return false;
        }
        for (std::size_t i = 1; i < n; ++i) fields.f[(withSet ? 1 : 2) + i] = words.at[i];
        return true;
      }
      why = n >= 2 && n <= 4 ? Shown(words.at[0]) + " is not a bound type"
                             : "a BOUNDS line is a bound type, an optional set name, a column name and a value";
      return false;
    }
    default: return false;
  }
}

// Row kinds as ROWS gives them.
enum RowType : char { kFreeRow = 'N', kEqual = 'E', kLess = 'L', kGreater = 'G' };

// Per-column marks gathered while reading.
enum ColumnMark : unsigned char {
  kLowerGiven = 1,      // a bound line set the lower bound
  kInteger = 2,         // integer (marker or bound type), read as continuous
  kSemiContinuous = 4,  // SC or SI: relaxed to [min(0, lower), upper]
};

class MpsReader {
 public:
  MpsReader(const std::string& path, ModelFormat format)
      : source_(path), fixed_(format == ModelFormat::FixedMps), mayTurnFixed_(format == ModelFormat::Mps),
        rows_(model_.rowNames), columns_(model_.colNames) {
    model_.path = path;
  }

  Model Read() {
    std::string_view line;
    bool ended = false;
    while (!ended && source_.Next(line)) {
      line_ = source_.line();
      ended = Line(line);
    }
    if (!ended) FailHere("no ENDATA line: the MPS file is incomplete");
    // Some files carry a quadratic objective after a first ENDATA (and a
    // second NAME): the rest is ignored, but not a section that makes the
    // model other than linear.
    while (source_.Next(line)) {
      line_ = source_.line();
      if (line.empty() || IsBlank(line[0]) || line[0] == '*') continue;
      Split(line, words_);
      if (IsRefused(words_.at[0])) RefuseSection(words_.at[0]);
    }
    Finish();
    return std::move(model_);
  }

 private:
  [[noreturn]] void FailHere(const std::string& reason) const { Fail(source_.path(), line_, reason); }

  // One line, the line_-th; returns true at ENDATA.
  bool Line(std::string_view line) {
    if (line.empty() || line[0] == '*') return false;
    Split(line, words_);
    if (words_.count == 0) return false;
    // The sense after OBJSENSE may stand at the start of its line.
    const bool sense = section_ == Section::ObjSense && !senseGiven_ && IsSense(words_.at[0]);
    if (!IsBlank(line[0]) && !sense) return SectionLine();
    if (section_ == Section::Columns) return ColumnLines(line);
    DataLine(line);
    return false;
  }

  // ---- COLUMNS, a batch of lines at a time ----

  // A COLUMNS line of a batch.
  struct BatchedLine {
    std::string_view line;
    long number = 0;
    bool blank = false, marker = false;
    bool ready = false;  // fields read, as fixed MPS or as free by `fixed`
    bool fixed = false;
    Fields fields;
  };

  // A COLUMNS line, with the lines after it that the source holds already:
  // their row names are all looked up at once (each look-up mostly waits for
  // memory, and so they wait together), then the lines are read in order as
  // DataLine reads them. Returns true at ENDATA (a section line met after them).
  bool ColumnLines(std::string_view first) {
    std::size_t count = 0;
    const auto add = [&](std::string_view line, long number) {
      BatchedLine& entry = batch_[count++];
      entry.line = line;
      entry.number = number;
    };
    add(first, line_);
    std::string_view next;
    bool held = false;  // next is a section line, read after the batch
    while (count < batch_.size() && source_.Buffered(next)) {
      if (next.empty() || next[0] == '*') continue;
      if (!IsBlank(next[0])) {
        held = true;
        break;
      }
      add(next, source_.line());
    }
    for (std::size_t k = 0; k < count; ++k) Prepare(batch_[k]);
    for (std::size_t k = 0; k < count; ++k) {
      BatchedLine& entry = batch_[k];
      line_ = entry.number;
      if (entry.blank) continue;
      if (entry.marker) {
        Split(entry.line, words_);
        Marker(words_.at[2]);
      } else if (entry.ready && entry.fixed == fixed_ && Resolve(entry.fields)) {
        Apply();
      } else {  // read again from the start, where a reason is given or the format turns
        Split(entry.line, words_);
        DataLine(entry.line);
      }
    }
    if (!held) return false;
    line_ = source_.line();
    return Line(next);
  }

  // A batched line's fields as the format read so far reads them, and its
  // rows' places in the name table fetched.
  void Prepare(BatchedLine& entry) {
    Words words;
    Split(entry.line, words);
    entry.blank = words.count == 0;
    entry.marker = words.count >= 3 && Is(words.at[1], "'MARKER'");
    entry.fixed = fixed_;
    std::string why;
    entry.ready = !entry.blank && !entry.marker &&
                  (fixed_ ? (entry.fields = FixedFields(entry.line), true)
                          : FreeFields(words, Section::Columns, entry.fields, why));
    if (!entry.ready) return;
    Fields& fields = entry.fields;
    fields.hash = {NameIndex::Hash(fields.f[3]), NameIndex::Hash(fields.f[5])};
    fields.hashed = true;
    rows_.Prefetch(fields.hash[0]);
    if (!fields.f[5].empty()) rows_.Prefetch(fields.hash[1]);
  }

  // ---- sections ----

  // The rows ROWS has named and the columns COLUMNS has named since the last
  // call go into their name tables together, once the section ends (added
  // one at a time, each would wait for memory): a name met again fails at the
  // line that repeated it.
  void IndexNames() {
    if (hasObjective_) {  // a row declared before the objective row of its name
      if (rows_.Find(objectiveName_) >= 0)
        Fail(source_.path(), objectiveLine_, "row " + Shown(objectiveName_) + " is declared twice");
      const int row = static_cast<int>(model_.rowNames.size() - rowLines_.size());
      for (std::size_t k = 0; k < rowLines_.size(); ++k)
        if (model_.rowNames[static_cast<std::size_t>(row) + k] == objectiveName_)
          Fail(source_.path(), std::max(rowLines_[k], objectiveLine_),
               "row " + Shown(objectiveName_) + " is declared twice");
    }
    IndexNew(rows_, model_.rowNames, rowLines_, "row ", " is declared twice");
    IndexNew(columns_, model_.colNames, columnLines_, "column ",
             " has entries again after other columns: a column's entries must be together");
  }

  // The names after the indexed ones, `lines` giving the line of each.
  void IndexNew(NameIndex& index, const std::vector<std::string>& names, std::vector<long>& lines,
                const char* what, const char* again) {
    const int first = static_cast<int>(names.size() - lines.size());
    const int repeated = index.AddAll(first);
    if (repeated >= 0)
      Fail(source_.path(), lines[static_cast<std::size_t>(repeated - first)],
           what + Shown(names[static_cast<std::size_t>(repeated)]) + again);
    std::vector<long>().swap(lines);
  }

  // Returns true at ENDATA.
  bool SectionLine() {
    IndexNames();
    const std::string_view word = words_.at[0];
    if (Is(word, "NAME")) {
      // The name is the first word: what follows is often a remark (finnis
      // has "FINNIS   (PTABLES3)"), and a name with blanks could not be
      // written back as free MPS. A last word FREE says the file is free MPS.
      const std::size_t kept = std::min(words_.count, Words::kKept);
      const bool free = words_.count > 1 && words_.count <= Words::kKept && Is(words_.at[kept - 1], "FREE");
      if (free) mayTurnFixed_ = false;
      model_.name = words_.count > 2 || (words_.count == 2 && !free) ? words_.at[1] : std::string_view();
      section_ = Section::None;
    } else if (Is(word, "ROWS")) {
      section_ = Section::Rows;
    } else if (Is(word, "COLUMNS")) {
      section_ = Section::Columns;
      ReserveEntries();
    } else if (Is(word, "RHS")) {
      section_ = Section::Rhs;
    } else if (Is(word, "RANGES")) {
      section_ = Section::Ranges;
    } else if (Is(word, "BOUNDS")) {
      section_ = Section::Bounds;
    } else if (Is(word, "ENDATA")) {
      return true;
    } else if (Is(word, "OBJSENSE") || Is(word, "OBJSENS")) {
      section_ = Section::ObjSense;
      if (words_.count > 1) Sense(words_.at[1]);
    } else if (Is(word, "OBJNAME") || Is(word, "OBJSECT")) {
      section_ = Section::ObjName;
      if (words_.count > 1) ObjectiveName(words_.at[1]);
    } else {
      if (IsRefused(word)) RefuseSection(word);
      FailHere("unknown section " + Shown(word));
    }
    return false;
  }

  // Room for the matrix as the file's length allows, so that it does not
  // grow by copies: a COLUMNS line of one entry takes at least 6 bytes, and
  // nearly every file takes more than 12 an entry. Room not written to costs
  // no memory.
  void ReserveEntries() {
    const std::size_t entries = std::min(source_.expected() / 12, kMostIndex);
    if (entries <= model_.index.capacity()) return;
    model_.index.reserve(entries);
    model_.value.reserve(entries);
  }

  // The sections of models other than linear ones.
  static bool IsRefused(std::string_view word) {
    for (std::string_view refused : {"QUADOBJ", "QMATRIX", "QSECTION", "QCMATRIX", "CSECTION", "SOS", "INDICATORS"})
      if (Is(word, refused)) return true;
    return false;
  }

  [[noreturn]] void RefuseSection(std::string_view word) const {
    std::string upper(word);
    for (char& c : upper) c = UpperCase(c);
    FailHere(upper + " section: only linear programs are read");
  }

  static bool IsMax(std::string_view word) { return Is(word, "MAX") || Is(word, "MAXIMIZE") || Is(word, "MAXIMISE"); }
  static bool IsMin(std::string_view word) { return Is(word, "MIN") || Is(word, "MINIMIZE") || Is(word, "MINIMISE"); }
  static bool IsSense(std::string_view word) { return IsMax(word) || IsMin(word); }

  void Sense(std::string_view word) {
    if (senseGiven_) FailHere("OBJSENSE gives the sense twice");
    if (!IsSense(word)) FailHere(Shown(word) + " is not an objective sense (MAX or MIN)");
    model_.maximise = IsMax(word);
    senseGiven_ = true;
  }

  void ObjectiveName(std::string_view name) {
    if (!model_.rowNames.empty() || hasObjective_) FailHere("OBJNAME after ROWS: it must come before");
    if (objectiveNamed_) FailHere("OBJNAME names the objective twice");
    objectiveName_ = name;
    objectiveNamed_ = true;
  }

  // ---- data lines ----

  void DataLine(std::string_view line) {
    switch (section_) {
      case Section::None: FailHere("a data line outside any section");
      case Section::ObjSense: return Sense(words_.at[0]);
      case Section::ObjName: return ObjectiveName(Trimmed(line));
      case Section::Columns:
        if (words_.count >= 3 && Is(words_.at[1], "'MARKER'")) return Marker(words_.at[2]);
        [[fallthrough]];
      default: {
        Fields fields;
        if (fixed_) {
          fields = FixedFields(line);
          if (!Resolve(fields)) FailHere(why_);
        } else if (!FreeFields(words_, section_, fields, why_) || !Resolve(fields)) {
          const std::string freeWhy = why_;
          if (!mayTurnFixed_ || !Resolve(fields = FixedFields(line))) FailHere(freeWhy);
          fixed_ = true;  // this line reads by column position: so does the rest
        }
        Apply();
        return;
      }
    }
  }

  void Marker(std::string_view word) {
    if (Is(word, "'INTORG'")) integers_ = true;
    else if (Is(word, "'INTEND'")) integers_ = false;
    else FailHere(Shown(word) + " is not a marker this reader knows ('INTORG' or 'INTEND')");
  }

  // ---- a data line in two steps: Resolve finds its names and numbers and
  // changes nothing (so that another reading may be tried), Apply takes it.

  static constexpr int kObjective = -1, kUnknown = -2;

  int RowIndex(std::string_view name) const { return RowIndex(name, NameIndex::Hash(name)); }
  int RowIndex(std::string_view name, std::size_t hash) const {
    if (hasObjective_ && name == objectiveName_) return kObjective;
    const int row = rows_.Find(name, hash);
    return row >= 0 ? row : kUnknown;
  }

  bool Number(std::string_view text, double& value, const char* what, std::string_view column, std::string_view row) {
    if (ParseNumber(text, value)) return true;
    why_ = NotANumber(text, Describe(what, column, row));
    return false;
  }

  static std::string Describe(const char* what, std::string_view column, std::string_view row) {
    std::string text = what;
    if (!column.empty()) text += " of column " + Shown(column);
    if (!row.empty()) text += std::string(column.empty() ? " of" : " in") + " row " + Shown(row);
    return text;
  }

  bool Resolve(const Fields& fields) {
    pending_ = Pending{};
    switch (section_) {
      case Section::Rows: return ResolveRow(fields);
      case Section::Columns: return ResolveEntries(fields);
      case Section::Rhs:
      case Section::Ranges: return ResolveSides(fields);
      case Section::Bounds: return ResolveBound(fields);
      default: return false;
    }
  }

  void Apply() {
    switch (section_) {
      case Section::Rows: return ApplyRow();
      case Section::Columns: return ApplyEntries();
      case Section::Rhs:
      case Section::Ranges: return ApplySides();
      case Section::Bounds: return ApplyBound();
      default: return;
    }
  }

  // What a resolved line says.
  struct Pending {
    std::string_view name;          // the row, column or set named
    char type = 0;                  // the row type
    std::string_view bound;         // the bound type
    int count = 0;                  // entries: (row, value) pairs
    std::array<int, 2> row{};
    std::array<double, 2> value{};
    bool newColumn = false, ignored = false;
    int column = -1;
  };

  bool ResolveRow(const Fields& fields) {
    const std::string_view type = fields.f[1], name = fields.f[2];
    if (type.size() != 1 || std::string_view("NELG").find(UpperCase(type[0])) == std::string_view::npos) {
      why_ = Shown(type) + " is not a row type (N, E, L or G)";
      return false;
    }
    if (name.empty()) {
      why_ = "a row without a name";
      return false;
    }
    pending_.type = UpperCase(type[0]);
    pending_.name = name;
    // (a row named twice is found once the section ends)
    if (hasObjective_ && name == objectiveName_) {
      why_ = "row " + Shown(name) + " is declared twice";
      return false;
    }
    if (objectiveNamed_ && name == objectiveName_ && pending_.type != kFreeRow) {
      why_ = "the objective row " + Shown(name) + " named by OBJNAME is not an N row";
      return false;
    }
    return true;
  }

  void ApplyRow() {
    const std::string_view name = pending_.name;
    if (pending_.type == kFreeRow && !hasObjective_ && (!objectiveNamed_ || name == objectiveName_)) {
      objectiveName_ = name;
      objectiveLine_ = line_;
      hasObjective_ = true;
      return;
    }
    if (model_.rowNames.size() >= kMostIndex) FailHere("more than 2147483647 rows: too many for this reader");
    model_.rowNames.emplace_back(name);
    rowLines_.push_back(line_);
    rowType_.push_back(pending_.type);
    freeRows_ += pending_.type == kFreeRow;
  }

  bool ResolveEntries(const Fields& fields) {
    std::string_view column = fields.f[2];
    if (column.empty()) {  // fixed MPS: a blank name continues the column before
      if (model_.colNames.empty()) {
        why_ = "a COLUMNS line without a column name";
        return false;
      }
      column = model_.colNames.back();
    }
    pending_.name = column;
    pending_.newColumn = model_.colNames.empty() || column != model_.colNames.back();
    // The rows' places in the name table are fetched while the numbers are
    // read, unless a batch has fetched them already.
    std::array<std::size_t, 2> hashes = fields.hash;
    if (!fields.hashed) {
      hashes = {NameIndex::Hash(fields.f[3]), NameIndex::Hash(fields.f[5])};
      rows_.Prefetch(hashes[0]);
      if (!fields.f[5].empty()) rows_.Prefetch(hashes[1]);
    }
    for (int pair = 0; pair < 2; ++pair) {
      const std::string_view row = fields.f[3 + 2 * pair], number = fields.f[4 + 2 * pair];
      if (row.empty() && number.empty() && pair == 1) break;
      if (row.empty() || number.empty()) {
        why_ = row.empty() ? "a value without a row, for column " + Shown(column)
                           : "no value for row " + Shown(row) + " of column " + Shown(column);
        return false;
      }
      double& value = pending_.value[static_cast<std::size_t>(pair)];
      const bool isNumber = ParseNumber(number, value);
      const int index = RowIndex(row, hashes[static_cast<std::size_t>(pair)]);
      if (index == kUnknown) {
        why_ = "row " + Shown(row) + " of column " + Shown(column) + " is not in ROWS";
        return false;
      }
      const char* what = index == kObjective ? "the cost" : "the coefficient";
      if (!isNumber) {
        why_ = NotANumber(number, Describe(what, column, index == kObjective ? "" : row));
        return false;
      }
      if (std::fabs(value) >= kLogInfinity) {
        why_ = Shown(number) + " is infinite, for " + Describe(what, column, index == kObjective ? "" : row);
        return false;
      }
      pending_.row[static_cast<std::size_t>(pair)] = index;
      pending_.count = pair + 1;
    }
    return true;
  }

  void ApplyEntries() {
    if (pending_.newColumn) {
      if (model_.colNames.size() >= kMostIndex) FailHere("more than 2147483647 columns: too many for this reader");
      model_.start.push_back(static_cast<int>(model_.index.size()));
      model_.colNames.emplace_back(pending_.name);
      columnLines_.push_back(line_);
      model_.cost.push_back(0);
      marks_.push_back(integers_ ? kInteger : 0);
      costGiven_ = false;
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(pending_.count); ++k) {
      if (pending_.row[k] == kObjective) {
        duplicates_ += costGiven_;
        model_.cost.back() += pending_.value[k];
        costGiven_ = true;
        continue;
      }
      if (model_.index.size() >= kMostIndex) FailHere("more than 2147483647 matrix entries: too many for this reader");
      model_.index.push_back(pending_.row[k]);
      model_.value.push_back(pending_.value[k]);
    }
    model_.start.back() = static_cast<int>(model_.index.size());
  }

  // A set name: the first one met is read, lines of any other are ignored;
  // a line without one belongs to the set read.
  bool IgnoredSet(std::string_view set, const std::string& first) const {
    return !set.empty() && !first.empty() && set != first;
  }

  std::string& FirstSet() {
    return section_ == Section::Rhs ? rhsSet_ : section_ == Section::Ranges ? rangeSet_ : boundSet_;
  }

  bool ResolveSides(const Fields& fields) {
    pending_.name = fields.f[2];
    pending_.ignored = IgnoredSet(fields.f[2], FirstSet());
    if (pending_.ignored) return true;
    const bool rhs = section_ == Section::Rhs;
    for (int pair = 0; pair < 2; ++pair) {
      const std::string_view row = fields.f[3 + 2 * pair], number = fields.f[4 + 2 * pair];
      if (row.empty() && number.empty() && pair == 1) break;
      if (row.empty() || number.empty()) {
        why_ = row.empty() ? std::string("a value without a row") : "no value for row " + Shown(row);
        return false;
      }
      const int index = RowIndex(row);
      if (index == kUnknown) {
        why_ = "row " + Shown(row) + " of the " + (rhs ? "right-hand side" : "range") + " is not in ROWS";
        return false;
      }
      double& value = pending_.value[static_cast<std::size_t>(pair)];
      if (!Number(number, value, rhs ? "the right-hand side" : "the range", "", row)) return false;
      if (rhs && index == kObjective && std::isinf(UnloggedBound(value))) {
        why_ = Shown(number) + " is infinite, for the right-hand side of the objective row " + Shown(row);
        return false;
      }
      pending_.row[static_cast<std::size_t>(pair)] = index;
      pending_.count = pair + 1;
    }
    return true;
  }

  void ApplySides() {
    const bool rhs = section_ == Section::Rhs;
    if (pending_.ignored) {
      (rhs ? ignoredRhs_ : ignoredRanges_) += 1;
      return;
    }
    if (FirstSet().empty()) FirstSet() = pending_.name;
    if (rowRhs_.size() < model_.rowNames.size()) {
      rowRhs_.resize(model_.rowNames.size(), 0.0);
      rowRange_.resize(model_.rowNames.size(), 0.0);
      hasRange_.resize(model_.rowNames.size(), false);
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(pending_.count); ++k) {
      const int row = pending_.row[k];
      const double value = pending_.value[k];
      const bool freeRow = row == kObjective || rowType_[static_cast<std::size_t>(row)] == kFreeRow;
      if (rhs && row == kObjective) {
        objectiveRhs_ = value;
      } else if (freeRow) {
        (rhs ? freeRhs_ : freeRanges_) += 1;
      } else if (rhs) {
        rowRhs_[static_cast<std::size_t>(row)] = value;
      } else {
        rowRange_[static_cast<std::size_t>(row)] = value;
        hasRange_[static_cast<std::size_t>(row)] = true;
      }
    }
  }

  bool ResolveBound(const Fields& fields) {
    BoundValue kind = BoundValue::Needed;
    const std::string_view type = fields.f[1], column = fields.f[3], number = fields.f[4];
    if (!BoundKind(type, kind)) {
      why_ = Shown(type) + " is not a bound type";
      return false;
    }
    pending_.bound = type;
    pending_.name = fields.f[2];
    pending_.ignored = IgnoredSet(fields.f[2], boundSet_);
    if (pending_.ignored) return true;
    pending_.column = columns_.Find(column);
    if (pending_.column < 0) {
      why_ = column.empty() ? "a bound without a column" : "column " + Shown(column) + " of the bound is not in COLUMNS";
      return false;
    }
    pending_.count = 0;
    if (kind == BoundValue::Needed || (kind == BoundValue::Optional && !number.empty())) {
      if (number.empty()) {
        why_ = "no value for the " + std::string(type) + " bound of column " + Shown(column);
        return false;
      }
      double& value = pending_.value[0];
      const std::string what = "the " + std::string(type) + " bound";
      if (!Number(number, value, what.c_str(), column, "")) return false;
      value = UnloggedBound(value) + 0.0;  // -0 is 0
      pending_.count = 1;
    }
    return true;
  }

  void ApplyBound() {
    if (pending_.ignored) {
      ++ignoredBounds_;
      return;
    }
    if (boundSet_.empty()) boundSet_ = pending_.name;
    const auto j = static_cast<std::size_t>(pending_.column);
    if (model_.clo.size() < model_.colNames.size()) {
      model_.clo.resize(model_.colNames.size(), 0.0);
      model_.cup.resize(model_.colNames.size(), kInf);
    }
    double& lo = model_.clo[j];
    double& up = model_.cup[j];
    unsigned char& mark = marks_[j];
    const double v = pending_.value[0];
    const std::string_view type = pending_.bound;
    auto upper = [&] {
      if (v < 0 && lo == 0 && !(mark & kLowerGiven)) {
        lo = -kInf;
        if (negativeUppers_++ == 0) firstNegativeUpper_ = model_.colNames[j];
      }
      up = v;
    };
    if (Is(type, "UP")) {
      upper();
    } else if (Is(type, "LO")) {
      lo = v;
      mark |= kLowerGiven;
    } else if (Is(type, "FX")) {
      lo = up = v;
      mark |= kLowerGiven;
    } else if (Is(type, "FR")) {
      lo = -kInf;
      up = kInf;
      mark |= kLowerGiven;
    } else if (Is(type, "MI")) {
      lo = -kInf;
      mark |= kLowerGiven;
    } else if (Is(type, "PL")) {
      up = kInf;
    } else if (Is(type, "BV")) {
      lo = 0;
      up = 1;
      mark |= kLowerGiven | kInteger;
    } else if (Is(type, "LI")) {
      lo = v;
      mark |= kLowerGiven | kInteger;
    } else if (Is(type, "UI")) {
      upper();
      mark |= kInteger;
    } else {  // SC, SI: the value is the upper bound, none or 0 meaning none
      up = pending_.count == 0 || v == 0 ? kInf : v;
      mark |= kSemiContinuous;
      if (Is(type, "SI")) mark |= kInteger;
    }
    if (lo == kInf || up == -kInf)
      FailHere("the " + std::string(type) + " bound of column " + Shown(model_.colNames[j]) +
               " leaves it no finite value");
  }

  // ---- the end ----

  void Finish() {
    if (objectiveNamed_ && !hasObjective_)
      FailHere("the objective row " + Shown(objectiveName_) + " named by OBJNAME is not in ROWS");
    const std::size_t m = model_.rowNames.size(), n = model_.colNames.size();
    model_.objOffset = 0.0 - objectiveRhs_;  // the objective row's right-hand side is minus the constant; 0 - 0 is +0
    rowRhs_.resize(m, 0.0);
    rowRange_.resize(m, 0.0);
    hasRange_.resize(m, false);
    model_.rlo.resize(m);
    model_.rup.resize(m);
    for (std::size_t i = 0; i < m; ++i) {
      const double rhs = rowRhs_[i], range = std::fabs(rowRange_[i]);
      double lo = -kInf, up = kInf;
      switch (rowType_[i]) {
        case kEqual:
          lo = up = rhs;
          if (hasRange_[i] && rowRange_[i] > 0) up = rhs + range;
          if (hasRange_[i] && rowRange_[i] < 0) lo = rhs - range;
          break;
        case kLess:
          up = rhs;
          if (hasRange_[i]) lo = rhs - range;
          break;
        case kGreater:
          lo = rhs;
          if (hasRange_[i]) up = rhs + range;
          break;
        default: break;
      }
      lo = UnloggedBound(lo) + 0.0;  // + 0.0: a side of -0 is 0, as a writer that leaves 0 out reads it back
      up = UnloggedBound(up) + 0.0;
      if (std::isnan(lo) || std::isnan(up) || lo == kInf || up == -kInf)
        Fail(model_.path, 0, "the right-hand side and range of row " + Shown(model_.rowNames[i]) +
                                 " leave it no finite side to hold");
      model_.rlo[i] = lo;
      model_.rup[i] = up;
    }
    model_.clo.resize(n, 0.0);
    model_.cup.resize(n, kInf);
    long integers = 0, semi = 0;
    for (std::size_t j = 0; j < n; ++j) {
      integers += (marks_[j] & kInteger) != 0;
      if (marks_[j] & kSemiContinuous) {
        ++semi;
        model_.clo[j] = std::min(0.0, model_.clo[j]);
      }
    }
    const long summed = MergeDuplicates(model_) + duplicates_;
    Notes(integers, semi, summed);
  }

  static std::string Count(long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
  }

  void Notes(long integers, long semi, long summed) {
    std::vector<std::string>& notes = model_.notes;
    if (integers > 0)
      notes.push_back(Count(integers, "integer column", "integer columns") +
                      " read as continuous: the LP relaxation (integer columns without bounds keep [0, +inf))");
    if (semi > 0)
      notes.push_back(Count(semi, "semi-continuous column", "semi-continuous columns") +
                      " (SC or SI) relaxed to [min(0, lower), upper]");
    if (freeRows_ > 0)
      notes.push_back(Count(freeRows_, "N row", "N rows") + " besides the objective kept as free rows");
    if (negativeUppers_ > 0)
      notes.push_back(Count(negativeUppers_, "column", "columns") + " with a negative UP bound and no lower bound" +
                      " given read with lower bound -inf (the first: " + Shown(firstNegativeUpper_) + ")");
    if (summed > 0)
      notes.push_back(Count(summed, "repeated entry", "repeated entries") +
                      " of the same row and column summed");
    if (freeRhs_ + freeRanges_ > 0)
      notes.push_back(Count(freeRhs_ + freeRanges_, "RHS or RANGES value", "RHS or RANGES values") +
                      " on N rows ignored");
    const std::array<std::pair<long, const char*>, 3> ignored{
        {{ignoredRhs_, "RHS"}, {ignoredRanges_, "RANGES"}, {ignoredBounds_, "BOUNDS"}}};
    for (const auto& [count, section] : ignored)
      if (count > 0)
        notes.push_back(Count(count, "line", "lines") + " of " + section + " sets after the first ignored");
  }

  LineSource source_;
  long line_ = 0;  // the number of the line being read
  std::array<BatchedLine, 32> batch_{};
  Model model_;
  bool fixed_;
  bool mayTurnFixed_;  // free so far, fixed from the first line that reads only so
  Section section_ = Section::None;
  Words words_;
  std::string why_;  // why the line just resolved does not read
  Pending pending_;

  NameIndex rows_, columns_;
  // The lines naming the rows and columns not yet in rows_ and columns_.
  std::vector<long> rowLines_, columnLines_;
  std::string objectiveName_;
  bool hasObjective_ = false, objectiveNamed_ = false, senseGiven_ = false;
  long objectiveLine_ = 0;
  double objectiveRhs_ = 0;
  std::vector<char> rowType_;
  std::vector<double> rowRhs_, rowRange_;
  std::vector<bool> hasRange_;
  std::vector<unsigned char> marks_;
  bool integers_ = false, costGiven_ = false;
  std::string rhsSet_, rangeSet_, boundSet_;
  long freeRows_ = 0, duplicates_ = 0, negativeUppers_ = 0, freeRhs_ = 0, freeRanges_ = 0;
  long ignoredRhs_ = 0, ignoredRanges_ = 0, ignoredBounds_ = 0;
  std::string firstNegativeUpper_;
};

}  // namespace

Model ReadMps(const std::string& path, ModelFormat format) { return MpsReader(path, format).Read(); }

}  // namespace postsolve::modelfile
