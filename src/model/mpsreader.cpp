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
//
// Nearly all of a large file is plain data lines. After a data line, those
// that follow are read a block at a time: each block is cut into parts of
// whole lines, which this thread and workers resolve at once (names looked
// up, numbers read, nothing changed), and this thread then applies them in
// order, as it would have read them one by one. The first line the fast path
// does not take as plain is read on its own, with its reason if it fails;
// what was resolved after it is dropped.

#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <future>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "bulkmem.h"
#include "modeltext.h"
#include "mpslines.h"
#include "readers.h"
#include "records.h"
#include "workers.h"

namespace postsolve::modelfile {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::size_t kMostIndex = INT_MAX;  // rows, columns and entries are counted in int

char UpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The same word, whatever the case of `text`; `word` is in capitals.
bool Is(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (UpperCase(text[i]) != word[i]) return false;
  return true;
}

enum class Section { None, ObjSense, ObjName, Rows, Columns, Rhs, Ranges, Bounds };

enum class BoundValue { Needed, None, Optional };

enum class BoundType : char { Unknown, Up, Lo, Fx, Fr, Mi, Pl, Bv, Li, Ui, Sc, Si };

// A bound type as written, in any case.
BoundType BoundTypeOf(std::string_view type) {
  if (type.size() != 2) return BoundType::Unknown;
  constexpr auto code = [](char first, char second) { return first << 8 | second; };
  switch (code(UpperCase(type[0]), UpperCase(type[1]))) {
    case code('U', 'P'): return BoundType::Up;
    case code('L', 'O'): return BoundType::Lo;
    case code('F', 'X'): return BoundType::Fx;
    case code('F', 'R'): return BoundType::Fr;
    case code('M', 'I'): return BoundType::Mi;
    case code('P', 'L'): return BoundType::Pl;
    case code('B', 'V'): return BoundType::Bv;
    case code('L', 'I'): return BoundType::Li;
    case code('U', 'I'): return BoundType::Ui;
    case code('S', 'C'): return BoundType::Sc;
    case code('S', 'I'): return BoundType::Si;
    default: return BoundType::Unknown;
  }
}

// What a bound type takes after the column: UP, LO, FX, LI, UI a value; FR,
// MI, PL none; BV, SC, SI a value or none. Returns false for an unknown type.
bool BoundKind(BoundType type, BoundValue& kind) {
  switch (type) {
    case BoundType::Unknown: return false;
    case BoundType::Up:
    case BoundType::Lo:
    case BoundType::Fx:
    case BoundType::Li:
    case BoundType::Ui: kind = BoundValue::Needed; return true;
    case BoundType::Fr:
    case BoundType::Mi:
    case BoundType::Pl: kind = BoundValue::None; return true;
    case BoundType::Bv:
    case BoundType::Sc:
    case BoundType::Si: kind = BoundValue::Optional; return true;
  }
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
      if (n >= 2 && n <= 4 && BoundKind(BoundTypeOf(words.at[0]), kind)) {
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
  MpsReader(const std::string& path, ModelFormat format, const Reading& reading)
      : reading_(reading), source_(path), fixed_(format == ModelFormat::FixedMps),
        mayTurnFixed_(format == ModelFormat::Mps), rows_(model_.rowNames), columns_(model_.colNames) {
    model_.path = path;
  }

  Model Read() {
    std::string_view line;
    bool ended = false;
    try {
      while (!ended && source_.Next(line)) {
        line_ = source_.line();
        ended = Line(line);
      }
      if (!ended) FailHere("no ENDATA line: the MPS file is incomplete");
    } catch (...) {
      JoinColumns();  // a column named twice comes before any later fault
      throw;
    }
    // What only reading needed goes before the model's last arrays come.
    rows_.Release();
    columns_.Release();
    parts_.clear();
    workers_.reset();
    // Some files carry a quadratic objective after a first ENDATA (and a
    // second NAME): the rest is ignored, but not a section that makes the
    // model other than linear.
    while (source_.Next(line)) {
      line_ = source_.line();
      if (line.empty() || IsMpsBlank(line[0]) || line[0] == '*') continue;
      Split(line, words_);
      if (IsRefused(words_.at[0])) RefuseSection(words_.at[0]);
    }
    Finish();
    return std::move(model_);
  }

 private:
  [[noreturn]] void FailHere(const std::string& reason) const { Fail(source_.path(), line_, reason); }

  // One line, the line_-th; returns true at ENDATA. After a data line, the
  // plain lines that follow it are read a block at a time (ReadAhead).
  bool Line(std::string_view line) {
    if (line.empty() || line[0] == '*') return false;
    Split(line, words_);
    if (words_.count == 0) return false;
    // The sense after OBJSENSE may stand at the start of its line.
    const bool sense = section_ == Section::ObjSense && !senseGiven_ && IsSense(words_.at[0]);
    if (!IsMpsBlank(line[0]) && !sense) return SectionLine();
    DataLine(line);
    if (reading_.ahead && section_ != Section::ObjSense && section_ != Section::ObjName) ReadAhead();
    return false;
  }

  // ---- the fast path: data lines a block at a time ----

  // What a resolved line says. Small: a block's lines are held resolved
  // until they are applied.
  struct Pending {
    std::string_view name;  // the row, column or set named
    std::array<double, 2> value{};
    std::array<int, 2> row{};
    int column = -1;
    std::int32_t line = 0;    // read ahead: its line, counted from 0 at its part's first
    std::uint32_t entry = 0;  // read ahead, COLUMNS: its part's matrix entries before its own
    std::int8_t count = 0;  // entries: (row, value) pairs
    char type = 0;          // the row type
    bool ignored = false;   // a line of a set after the first (found again when applied)
    bool sameName = false;  // read ahead, COLUMNS: it names the column the line before it in its part named
    BoundType boundType = BoundType::Unknown;
    std::array<char, 2> bound{};  // the bound type as written (every type has two letters)
  };

  // What ScanPart read of a part of a block. In COLUMNS, the matrix entries
  // of its lines are in `rows` and `values`, and only the lines that may
  // start a column or give a cost are kept in `lines`: the others are
  // applied with the entries, in bulk.
  struct Scan {
    ByteMap map;  // of the part's text
    std::vector<Pending> lines;
    std::vector<int> rows;
    std::vector<double> values;
    std::array<std::size_t, 3> ready{};  // of lines, rows and values: the elements faulted in (FaultInAhead)
    std::size_t bytes = 0;  // read up to here: the start of the line stopped at, or the part's end
    long lineCount = 0;     // the lines in those bytes (comments and blank lines too)
    bool stopped = false;   // at a line left to Line
  };

  // The fewest bytes of a plain data line: a blank, two words with a blank
  // between them, and its end.
  static constexpr std::size_t kShortestLine = 5;

  // Reads the data lines after the one just read, a block of whole lines at
  // a time, until the first line ScanPart leaves to Line (a section line, a
  // marker, any line that does not read, or reads only another way), which
  // Line then reads, with its reason if it fails. The first block after such
  // a line is small and read on this thread alone: the parts of a block after
  // a line that stops are scanned for nothing. A block's lines are held
  // resolved (a Pending is 64 bytes) until they are applied: with blocks
  // of kMpsReading's 256 KiB, a block's worth of them stays in the caches.
  void ReadAhead() {
    bool first = true;
    for (;;) {
      const std::string_view text = BlockOf(source_.Ahead(), first ? reading_.firstBlock : reading_.block);
      if (text.empty() || ReadBlock(text, first)) return;
      first = false;
    }
  }

  // Reads a block: its parts are resolved by ScanPart (which changes
  // nothing), on this thread and, when the block is large, on workers too,
  // and applied in order on this thread, each as soon as it is scanned, while
  // the workers scan on. Returns true when it stopped at a line left to Line.
  bool ReadBlock(std::string_view text, bool first) {
    const std::vector<std::string_view> pieces =
        WholeLineParts(text, PartsOf(text.size(), reading_.block, first, workers_));
    // (the matrix is read only in COLUMNS: after it, it is being merged)
    const bool columns = section_ == Section::Columns;
    const std::size_t before = NamesRead(), entriesBefore = columns ? model_.index.size() : 0;
    std::size_t bytes = 0;
    long lines = 0;
    bool stopped = false;
    {
      std::future<void> populating;
      struct Wait {  // the room is not given back while a worker faults it in
        std::future<void>& task;
        ~Wait() {
          if (task.valid()) task.wait();
        }
      } wait{populating};
      if (pieces.size() > 1) {
        // First, before scanning, the room the model's arrays will fill.
        std::vector<Range> room = RoomAhead(text.size());
        if (!room.empty())
          populating = workers_->Submit([room = std::move(room)] {
            for (const Range& range : room) PopulateRange(range.first, range.second);
          });
      }
      ReadInParts(
          workers_.get(), pieces, parts_, [this](std::string_view piece, Scan& scan) { ScanPart(piece, scan); },
          [&](const BlockPart<Scan>& part) {
            const long partLine = source_.line() + lines + 1;  // the number of the part's first line
            if (section_ == Section::Columns) {
              // A part that takes the matrix past the entries an int counts is
              // read line by line, which fails at the line that does.
              if (model_.index.size() + part.scan.rows.size() >= kMostIndex) {
                stopped = true;
                return false;
              }
              ApplyEntries(part.scan, partLine);
            } else {
              for (const Pending& read : part.scan.lines) {
                line_ = partLine + read.line;
                Apply(read);
              }
            }
            bytes += part.scan.bytes;
            lines += part.scan.lineCount;
            stopped = part.scan.stopped;
            return !stopped;
          });
    }
    source_.Take(bytes, lines);
    line_ = source_.line();  // the block's last line, as if its lines had been read one by one
    const auto perByte = [&](std::size_t added) {
      return static_cast<double>(added) / static_cast<double>(std::max<std::size_t>(bytes, 1));
    };
    rate_ = {columns ? perByte(model_.index.size() - entriesBefore) : 0.0, perByte(NamesRead() - before)};
    if (first && !stopped) ReserveAhead();
    return stopped;
  }

  // The rows read so far in ROWS, the columns elsewhere.
  std::size_t NamesRead() const {
    return section_ == Section::Rows ? model_.rowNames.size() : model_.colNames.size();
  }

  // The arrays a section fills a line at a time, each with its rate (0:
  // entries, 1: names) and its record of the room asked for.
  template <class Visit>
  void SectionArrays(Visit visit) {
    if (section_ == Section::Rows) {
      visit(model_.rowNames, 1, populated_[0]);
      visit(rowLines_, 1, populated_[1]);
      visit(rowType_, 1, populated_[2]);
    } else if (section_ == Section::Columns) {
      visit(model_.index, 0, populated_[0]);
      visit(model_.value, 0, populated_[1]);
      visit(model_.colNames, 1, populated_[2]);
      visit(model_.cost, 1, populated_[3]);
      visit(model_.start, 1, populated_[4]);
      visit(columnLines_, 1, populated_[5]);
      visit(marks_, 1, populated_[6]);
    }
  }

  // The room the section's arrays will fill in this block and the next, at
  // the rate the block before filled them, that no block before has asked
  // for: a worker faults it in while this thread applies (on virtual
  // machines a page's first touch costs microseconds, and this thread is the
  // one that waits).
  using Range = std::pair<const void*, std::size_t>;
  std::vector<Range> RoomAhead(std::size_t blockBytes) {
    std::vector<Range> room;
    SectionArrays([&](auto& v, int rate, Populated& done) {
      using T = typename std::remove_reference_t<decltype(v)>::value_type;
      if (done.data != v.data()) done = {v.data(), 0};
      const double perByte = rate_[static_cast<std::size_t>(rate)];
      const auto more = static_cast<std::size_t>(2 * perByte * static_cast<double>(blockBytes)) + 1;
      const std::size_t from = std::max(done.size, v.size()), to = std::min(v.capacity(), v.size() + more);
      if (to <= from) return;
      room.emplace_back(v.data() + from, (to - from) * sizeof(T));
      done.size = to;
    });
    return room;
  }

  // At a section's end: the room asked for ahead that it did not fill goes back.
  void ReleaseRoomAhead() {
    SectionArrays([&](auto& v, int, Populated& done) {
      using T = typename std::remove_reference_t<decltype(v)>::value_type;
      if (done.data == v.data() && done.size > v.size())
        ReleaseRange(v.data() + v.size(), (done.size - v.size()) * sizeof(T));
      done = {};
    });
  }

  // Once COLUMNS ends, the sizes of the arrays still to come are known: their
  // room is reserved, and faulted in on a worker while the column names go
  // into their table and the sections after are read.
  void PrepareLastArrays() {
    const std::size_t m = model_.rowNames.size(), n = model_.colNames.size();
    try {
      for (auto* v : {&model_.clo, &model_.cup}) v->reserve(n);
      for (auto* v : {&model_.rlo, &model_.rup, &rowRhs_, &rowRange_}) v->reserve(m);
    } catch (const std::bad_alloc&) {
      return;  // they are made as they are needed
    }
    if (!workers_ || workers_->size() == 0) return;
    std::vector<Range> room;
    for (const auto* v : {&model_.clo, &model_.cup, &model_.rlo, &model_.rup, &rowRhs_, &rowRange_})
      room.emplace_back(v->data() + v->size(), (v->capacity() - v->size()) * sizeof(double));
    prepared_ = workers_->Submit([room = std::move(room)] {
      for (const Range& range : room) PopulateRange(range.first, range.second);
    });
  }

  // Before those arrays take `rows` and `columns` elements: waits for the
  // faulting in only where that is past their room (growing would free it).
  void BeforeGrowing(std::size_t rows, std::size_t columns) {
    const bool past = rows > std::min({model_.rlo.capacity(), rowRhs_.capacity(), rowRange_.capacity()}) ||
                      columns > std::min(model_.clo.capacity(), model_.cup.capacity());
    if (prepared_.valid() && past) prepared_.get();
  }


  // After a section's first block: room for the rows or columns the rest of
  // the file would hold at the rate the block held them (that is more than
  // it holds, as other sections follow; room not written to costs no
  // memory), at most one for every 32 bytes, so that the names' room stays
  // within the file's length. The matrix has its room already (ReserveEntries).
  void ReserveAhead() {
    if (reserved_[static_cast<std::size_t>(section_)]) return;
    reserved_[static_cast<std::size_t>(section_)] = true;
    const std::size_t names =
        std::min(NamesRead() + NamesAhead(rate_[1], source_.left()), kMostIndex) + 1;  // + 1: the starts have one more
    try {
      SectionArrays([&](auto& v, int rate, Populated&) {
        if (rate == 1) v.reserve(names);
      });
    } catch (const std::bad_alloc&) {
      // the vectors grow as they go
    }
  }

  // Before elements are added to `v`, whose room is faulted in up to
  // `ready` of them: the next step of it is, once they come near.
  template <class T>
  static void FaultInAhead(const std::vector<T>& v, std::size_t& ready) {
    constexpr std::size_t kStep = (std::size_t{64} << 10) / sizeof(T);
    if (v.size() + 2 < ready) return;  // (a line adds two entries at most)
    const std::size_t to = std::min(v.capacity(), v.size() + kStep);
    if (to > v.size()) PopulateRange(v.data() + v.size(), (to - v.size()) * sizeof(T));
    ready = to;
  }

  // A data line taken apart, waiting for its names to be looked up.
  struct Staged {
    Fields fields;
    std::size_t start = 0;  // where the line starts in its part
    long line = 0;
  };

  // Resolves the lines of `text` in order into `out`, until one that Line
  // must read: one that is not a plain data line reading in the format read
  // so far, or whose reading hangs on the lines before it (a fixed COLUMNS
  // line without its column's name, an N row while there is no objective).
  // Reads the reader's state and changes none of it, so that parts are
  // scanned at once.
  void ScanPart(std::string_view text, Scan& out) const {
    out.lines.clear();
    out.rows.clear();
    out.values.clear();
    // Room for as many lines as a part of plain lines holds (a line of
    // fewer bytes stops the scan), and two entries for each, faulted in a
    // step ahead as it fills: grown a step at a time, or faulted in a page
    // at a time, it took a tenth of a large file's first blocks.
    const std::size_t room = text.size() / kShortestLine + 1;
    if (out.lines.capacity() < room) {
      out.lines.reserve(room);
      out.ready[0] = 0;
    }
    if (section_ == Section::Columns && out.rows.capacity() < 2 * room) {
      out.rows.reserve(2 * room);
      out.values.reserve(2 * room);
      out.ready[1] = out.ready[2] = 0;
    }
    out.stopped = false;
    // Lines are taken apart a group at a time and the slots of the names
    // they look up fetched together: a look-up mostly waits for memory, and
    // so they wait at once.
    constexpr std::size_t kGroup = 32;
    std::array<Staged, kGroup> group;
    std::size_t staged = 0;
    std::string why;
    auto stopAt = [&](std::size_t start, long line) {
      out.bytes = start;
      out.lineCount = line;
      out.stopped = true;
    };
    std::optional<std::string_view> previous;  // COLUMNS: the column of the line resolved last
    auto resolve = [&] {
      for (std::size_t k = 0; k < staged; ++k) {
        FaultInAhead(out.lines, out.ready[0]);
        Pending& read = out.lines.emplace_back();
        if (!Resolve(group[k].fields, read, why, {}) ||
            (section_ == Section::Rows && read.type == kFreeRow && !hasObjective_)) {
          out.lines.pop_back();
          stopAt(group[k].start, group[k].line);
          return false;
        }
        read.line = static_cast<std::int32_t>(group[k].line);
        if (section_ == Section::Columns) {
          read.sameName = previous && SameName(*previous, read.name);
          previous = read.name;
          FaultInAhead(out.rows, out.ready[1]);
          FaultInAhead(out.values, out.ready[2]);
          read.entry = static_cast<std::uint32_t>(out.rows.size());
          bool cost = false;
          for (std::size_t pair = 0; pair < static_cast<std::size_t>(read.count); ++pair) {
            if (read.row[pair] == kObjective) {
              cost = true;
            } else {
              out.rows.push_back(read.row[pair]);
              out.values.push_back(read.value[pair]);
            }
          }
          if (read.sameName && !cost) out.lines.pop_back();  // its entries are all it gives
        }
      }
      staged = 0;
      return true;
    };
    const NameIndex& names = section_ == Section::Bounds ? columns_ : rows_;
    ByteMap& map = out.map;
    map.Map(text);
    std::size_t at = 0;
    long line = 0;
    Words words;
    while (at < text.size()) {
      const std::size_t end = map.LineEnd(at);
      std::string_view current = text.substr(at, end - at);
      if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
      if (!current.empty() && current[0] != '*' && (map.Split(at, at + current.size(), words), words.count > 0)) {
        Fields& fields = group[staged].fields;
        const bool marker = section_ == Section::Columns && words.count >= 3 && Is(words.at[1], "'MARKER'");
        const bool split = fixed_ ? (fields = FixedFields(current), true) : FreeFields(words, section_, fields, why);
        const bool plain = IsMpsBlank(current[0]) && !marker && split &&
                           !(section_ == Section::Columns && fields.f[2].empty());
        if (!plain) {
          if (resolve()) stopAt(at, line);
          return;
        }
        if (section_ != Section::Rows) {
          fields.hash = Hashes(fields, names);
          fields.hashed = true;
        }
        group[staged].start = at;
        group[staged].line = line;
        if (++staged == kGroup && !resolve()) return;
      }
      at = end + 1;
      ++line;
    }
    if (!resolve()) return;
    out.bytes = text.size();
    out.lineCount = line;
  }

  // ---- sections ----

  // The rows ROWS has named and the columns COLUMNS has named since the last
  // call go into their name tables together, once the section ends (added
  // one at a time, each would wait for memory): a name met again fails at the
  // line that repeated it. When RHS or RANGES comes next (`columnsLater`),
  // which name no column, the columns are indexed meanwhile on a thread of
  // their own, until the next section line (JoinColumns).
  void IndexNames(bool columnsLater) {
    if (hasObjective_) {  // a row declared before the objective row of its name
      if (rows_.Find(objectiveName_) >= 0)
        Fail(source_.path(), objectiveLine_, "row " + Shown(objectiveName_) + " is declared twice");
      const int row = static_cast<int>(model_.rowNames.size() - rowLines_.size());
      for (std::size_t k = 0; k < rowLines_.size(); ++k)
        if (model_.rowNames[static_cast<std::size_t>(row) + k] == objectiveName_)
          Fail(source_.path(), std::max(rowLines_[k], objectiveLine_),
               "row " + Shown(objectiveName_) + " is declared twice");
    }
    Indexed(model_.rowNames, rowLines_, rows_.AddAll(FirstNew(model_.rowNames, rowLines_)), "row ",
            " is declared twice");
    const int first = FirstNew(model_.colNames, columnLines_);
    // (a thread is worth starting for some thousands of names)
    if (columnsLater && columnLines_.size() >= kIndexedAside) {
      columnsIndexed_ = Launch<int>(true, [this, first] { return columns_.AddAll(first); });
      return;
    }
    Indexed(model_.colNames, columnLines_, columns_.AddAll(first), "column ", kColumnAgain);
  }

  // Once COLUMNS ends, the matrix is finished (MergeDuplicates), a large
  // one on a thread of its own while the sections after are read: they do
  // not touch it.
  void MergeAside() {
    merged_ = Launch<long>(model_.index.size() >= kMergedAside, [this, rows = model_.rowNames.size()] {
      return MergeDuplicates(model_.start, model_.index, model_.value, rows);
    });
  }

  // Waits for the matrix being finished, if it is.
  void JoinMerge() {
    if (merged_.valid()) summed_ += merged_.get();
  }

  // Waits for the columns being indexed, if they are; fails if one was named twice.
  void JoinColumns() {
    if (columnsIndexed_.valid()) Indexed(model_.colNames, columnLines_, columnsIndexed_.get(), "column ", kColumnAgain);
  }

  static constexpr std::size_t kIndexedAside = std::size_t{1} << 14, kMergedAside = std::size_t{1} << 16;
  static constexpr const char* kColumnAgain =
      " has entries again after other columns: a column's entries must be together";

  // The first name not yet in its table, `lines` giving the line of each from it on.
  static int FirstNew(const std::vector<std::string>& names, const std::vector<long>& lines) {
    return static_cast<int>(names.size() - lines.size());
  }

  // After the names from FirstNew on went into their table, AddAll giving
  // `repeated`: fails at the line that named that one again, if any.
  void Indexed(const std::vector<std::string>& names, std::vector<long>& lines, int repeated, const char* what,
               const char* again) {
    const int first = FirstNew(names, lines);
    if (repeated >= 0)
      Fail(source_.path(), lines[static_cast<std::size_t>(repeated - first)],
           what + Shown(names[static_cast<std::size_t>(repeated)]) + again);
    std::vector<long>().swap(lines);
  }

  // Returns true at ENDATA.
  bool SectionLine() {
    JoinColumns();
    ReleaseRoomAhead();
    if (section_ == Section::Columns) {
      PrepareLastArrays();
      MergeAside();
    }
    const std::string_view word = words_.at[0];
    IndexNames(Is(word, "RHS") || Is(word, "RANGES"));
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
      JoinMerge();  // (another COLUMNS section: the matrix grows again)
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
        Pending read;
        if (fixed_) {
          fields = FixedFields(line);
          if (!Resolve(fields, read, why_, FirstSet())) FailHere(why_);
        } else if (!FreeFields(words_, section_, fields, why_) || !Resolve(fields, read, why_, FirstSet())) {
          const std::string freeWhy = why_;
          read = Pending{};
          if (!mayTurnFixed_ || !Resolve(fields = FixedFields(line), read, why_, FirstSet())) FailHere(freeWhy);
          fixed_ = true;  // this line reads by column position: so does the rest
        }
        Apply(read);
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

  int RowIndex(std::string_view name, std::size_t hash) const {
    if (hasObjective_ && name == objectiveName_) return kObjective;
    const int row = rows_.Find(name, hash);
    return row >= 0 ? row : kUnknown;
  }

  // `text` read into `value`, or false with the reason; `describe` says what
  // the number was meant to be (the text is made only for the reason).
  template <class Describing>
  static bool Number(std::string_view text, double& value, std::string& why, const Describing& describe) {
    if (ParseNumber(text, value)) return true;
    why = NotANumber(text, describe());
    return false;
  }

  static std::string Describe(std::string_view what, std::string_view column, std::string_view row) {
    std::string text(what);
    if (!column.empty()) text += " of column " + Shown(column);
    if (!row.empty()) text += std::string(column.empty() ? " of" : " in") + " row " + Shown(row);
    return text;
  }

  // The hashes of the names in fields 3 and 5, for look-ups in `names`: as
  // the fast path found them, or found now, their slots fetched while the
  // numbers are read.
  static std::array<std::size_t, 2> Hashes(const Fields& fields, const NameIndex& names) {
    if (fields.hashed) return fields.hash;
    const std::array<std::size_t, 2> hashes{NameIndex::Hash(fields.f[3]), NameIndex::Hash(fields.f[5])};
    names.Prefetch(hashes[0]);
    if (!fields.f[5].empty()) names.Prefetch(hashes[1]);
    return hashes;
  }

  // The line's fields into `to`, a Pending as made, or false with the
  // reason in `why`. Changes nothing, and reads only what stays the same
  // while data lines are read: `set` is the section's first set name (RHS,
  // RANGES, BOUNDS), whose lines alone are read; empty reads every line (it
  // is found again when the line is applied).
  bool Resolve(const Fields& fields, Pending& to, std::string& why, std::string_view set) const {
    switch (section_) {
      case Section::Rows: return ResolveRow(fields, to, why);
      case Section::Columns: return ResolveEntries(fields, to, why);
      case Section::Rhs:
      case Section::Ranges: return ResolveSides(fields, to, why, set);
      case Section::Bounds: return ResolveBound(fields, to, why, set);
      default: return false;
    }
  }

  void Apply(const Pending& read) {
    switch (section_) {
      case Section::Rows: return ApplyRow(read);
      case Section::Columns: return ApplyEntries(read);
      case Section::Rhs:
      case Section::Ranges: return ApplySides(read);
      case Section::Bounds: return ApplyBound(read);
      default: return;
    }
  }

  bool ResolveRow(const Fields& fields, Pending& to, std::string& why) const {
    const std::string_view type = fields.f[1], name = fields.f[2];
    if (type.size() != 1 || std::string_view("NELG").find(UpperCase(type[0])) == std::string_view::npos) {
      why = Shown(type) + " is not a row type (N, E, L or G)";
      return false;
    }
    if (name.empty()) {
      why = "a row without a name";
      return false;
    }
    to.type = UpperCase(type[0]);
    to.name = name;
    // (a row named twice is found once the section ends)
    if (hasObjective_ && name == objectiveName_) {
      why = "row " + Shown(name) + " is declared twice";
      return false;
    }
    if (objectiveNamed_ && name == objectiveName_ && to.type != kFreeRow) {
      why = "the objective row " + Shown(name) + " named by OBJNAME is not an N row";
      return false;
    }
    return true;
  }

  void ApplyRow(const Pending& read) {
    const std::string_view name = read.name;
    if (read.type == kFreeRow && !hasObjective_ && (!objectiveNamed_ || name == objectiveName_)) {
      objectiveName_ = name;
      objectiveLine_ = line_;
      hasObjective_ = true;
      return;
    }
    if (model_.rowNames.size() >= kMostIndex) FailHere("more than 2147483647 rows: too many for this reader");
    model_.rowNames.emplace_back(name);
    rowLines_.push_back(line_);
    rowType_.push_back(read.type);
    freeRows_ += read.type == kFreeRow;
  }

  bool ResolveEntries(const Fields& fields, Pending& to, std::string& why) const {
    std::string_view column = fields.f[2];
    if (column.empty()) {  // fixed MPS: a blank name continues the column before
      if (model_.colNames.empty()) {
        why = "a COLUMNS line without a column name";
        return false;
      }
      column = model_.colNames.back();
    }
    to.name = column;
    const std::array<std::size_t, 2> hashes = Hashes(fields, rows_);
    for (int pair = 0; pair < 2; ++pair) {
      const std::string_view row = fields.f[3 + 2 * pair], number = fields.f[4 + 2 * pair];
      if (row.empty() && number.empty() && pair == 1) break;
      if (row.empty() || number.empty()) {
        why = row.empty() ? "a value without a row, for column " + Shown(column)
                           : "no value for row " + Shown(row) + " of column " + Shown(column);
        return false;
      }
      double& value = to.value[static_cast<std::size_t>(pair)];
      const bool isNumber = ParseNumber(number, value);
      const int index = RowIndex(row, hashes[static_cast<std::size_t>(pair)]);
      if (index == kUnknown) {
        why = "row " + Shown(row) + " of column " + Shown(column) + " is not in ROWS";
        return false;
      }
      const char* what = index == kObjective ? "the cost" : "the coefficient";
      if (!isNumber) {
        why = NotANumber(number, Describe(what, column, index == kObjective ? "" : row));
        return false;
      }
      if (std::fabs(value) >= kLogInfinity) {
        why = Shown(number) + " is infinite, for " + Describe(what, column, index == kObjective ? "" : row);
        return false;
      }
      to.row[static_cast<std::size_t>(pair)] = index;
      to.count = static_cast<std::int8_t>(pair + 1);
    }
    return true;
  }

  void ApplyEntries(const Pending& read) {
    if (StartsColumn(read)) NewColumn(read.name, model_.index.size());
    for (std::size_t k = 0; k < static_cast<std::size_t>(read.count); ++k) {
      if (read.row[k] == kObjective) {
        Cost(read.value[k]);
        continue;
      }
      if (model_.index.size() >= kMostIndex) FailHere("more than 2147483647 matrix entries: too many for this reader");
      model_.index.push_back(read.row[k]);
      model_.value.push_back(read.value[k]);
    }
    model_.start.back() = static_cast<int>(model_.index.size());
  }

  // A part's lines, as ApplyEntries applies them one by one: its entries
  // join the matrix at once, and the lines it kept start columns and give
  // costs (the entries an int counts are not passed: ReadBlock has seen to it).
  void ApplyEntries(const Scan& scan, long partLine) {
    const std::size_t first = model_.index.size();
    model_.index.insert(model_.index.end(), scan.rows.begin(), scan.rows.end());
    model_.value.insert(model_.value.end(), scan.values.begin(), scan.values.end());
    for (const Pending& read : scan.lines) {
      if (StartsColumn(read)) {
        line_ = partLine + read.line;
        model_.start.back() = static_cast<int>(first + read.entry);
        NewColumn(read.name, first + read.entry);
      }
      for (std::size_t k = 0; k < static_cast<std::size_t>(read.count); ++k)
        if (read.row[k] == kObjective) Cost(read.value[k]);
    }
    model_.start.back() = static_cast<int>(model_.index.size());
  }

  // Whether a COLUMNS line starts a column: it names another than the line
  // before it (not compared again when the scan found it the same).
  bool StartsColumn(const Pending& read) const {
    return !read.sameName && (model_.colNames.empty() || !SameName(read.name, model_.colNames.back()));
  }

  // A column from line_ on, its entries from the `entry`-th.
  void NewColumn(std::string_view name, std::size_t entry) {
    if (model_.colNames.size() >= kMostIndex) FailHere("more than 2147483647 columns: too many for this reader");
    model_.start.push_back(static_cast<int>(entry));
    model_.colNames.emplace_back(name);
    columnLines_.push_back(line_);
    model_.cost.push_back(0);
    marks_.push_back(integers_ ? kInteger : 0);
    costGiven_ = false;
  }

  // The last column's cost (summed when given twice).
  void Cost(double value) {
    duplicates_ += costGiven_;
    model_.cost.back() += value;
    costGiven_ = true;
  }

  // A set name: the first one met is read, lines of any other are ignored;
  // a line without one belongs to the set read.
  static bool IgnoredSet(std::string_view set, std::string_view first) {
    return !set.empty() && !first.empty() && !SameName(set, first);
  }

  const std::string& FirstSet() const {
    return section_ == Section::Rhs ? rhsSet_ : section_ == Section::Ranges ? rangeSet_ : boundSet_;
  }

  bool ResolveSides(const Fields& fields, Pending& to, std::string& why, std::string_view set) const {
    to.name = fields.f[2];
    to.ignored = IgnoredSet(fields.f[2], set);
    if (to.ignored) return true;
    const bool rhs = section_ == Section::Rhs;
    const std::array<std::size_t, 2> hashes = Hashes(fields, rows_);
    for (int pair = 0; pair < 2; ++pair) {
      const std::string_view row = fields.f[3 + 2 * pair], number = fields.f[4 + 2 * pair];
      if (row.empty() && number.empty() && pair == 1) break;
      if (row.empty() || number.empty()) {
        why = row.empty() ? std::string("a value without a row") : "no value for row " + Shown(row);
        return false;
      }
      const int index = RowIndex(row, hashes[static_cast<std::size_t>(pair)]);
      if (index == kUnknown) {
        why = "row " + Shown(row) + " of the " + (rhs ? "right-hand side" : "range") + " is not in ROWS";
        return false;
      }
      double& value = to.value[static_cast<std::size_t>(pair)];
      if (!Number(number, value, why, [&] { return Describe(rhs ? "the right-hand side" : "the range", "", row); }))
        return false;
      if (rhs && index == kObjective && std::isinf(UnloggedBound(value))) {
        why = Shown(number) + " is infinite, for the right-hand side of the objective row " + Shown(row);
        return false;
      }
      to.row[static_cast<std::size_t>(pair)] = index;
      to.count = static_cast<std::int8_t>(pair + 1);
    }
    return true;
  }

  void ApplySides(const Pending& read) {
    const bool rhs = section_ == Section::Rhs;
    // A line resolved before the section's first set was known may belong to another.
    if (read.ignored || IgnoredSet(read.name, FirstSet())) {
      (rhs ? ignoredRhs_ : ignoredRanges_) += 1;
      return;
    }
    if (FirstSet().empty() && !read.name.empty()) (rhs ? rhsSet_ : rangeSet_) = read.name;
    if (rowRhs_.size() < model_.rowNames.size()) {
      BeforeGrowing(model_.rowNames.size(), 0);
      rowRhs_.resize(model_.rowNames.size(), 0.0);
      rowRange_.resize(model_.rowNames.size(), 0.0);
      hasRange_.resize(model_.rowNames.size(), false);
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(read.count); ++k) {
      const int row = read.row[k];
      const double value = read.value[k];
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

  bool ResolveBound(const Fields& fields, Pending& to, std::string& why, std::string_view set) const {
    BoundValue kind = BoundValue::Needed;
    const std::string_view type = fields.f[1], column = fields.f[3], number = fields.f[4];
    to.boundType = BoundTypeOf(type);
    if (!BoundKind(to.boundType, kind)) {
      why = Shown(type) + " is not a bound type";
      return false;
    }
    to.bound = {type[0], type[1]};
    to.name = fields.f[2];
    to.ignored = IgnoredSet(fields.f[2], set);
    if (to.ignored) return true;
    to.column = columns_.Find(column, Hashes(fields, columns_)[0]);
    if (to.column < 0) {
      why = column.empty() ? "a bound without a column" : "column " + Shown(column) + " of the bound is not in COLUMNS";
      return false;
    }
    to.count = 0;
    if (kind == BoundValue::Needed || (kind == BoundValue::Optional && !number.empty())) {
      if (number.empty()) {
        why = "no value for the " + std::string(type) + " bound of column " + Shown(column);
        return false;
      }
      double& value = to.value[0];
      if (!Number(number, value, why, [&] { return Describe("the " + std::string(type) + " bound", column, ""); }))
        return false;
      value = UnloggedBound(value) + 0.0;  // -0 is 0
      to.count = 1;
    }
    return true;
  }

  void ApplyBound(const Pending& read) {
    if (read.ignored || IgnoredSet(read.name, boundSet_)) {
      ++ignoredBounds_;
      return;
    }
    if (boundSet_.empty() && !read.name.empty()) boundSet_ = read.name;
    const auto j = static_cast<std::size_t>(read.column);
    if (model_.clo.size() < model_.colNames.size()) {
      BeforeGrowing(0, model_.colNames.size());
      model_.clo.resize(model_.colNames.size(), 0.0);
      model_.cup.resize(model_.colNames.size(), kInf);
    }
    double& lo = model_.clo[j];
    double& up = model_.cup[j];
    unsigned char& mark = marks_[j];
    const double v = read.value[0];
    const std::string_view type(read.bound.data(), read.bound.size());
    auto upper = [&] {
      if (v < 0 && lo == 0 && !(mark & kLowerGiven)) {
        lo = -kInf;
        if (negativeUppers_++ == 0) firstNegativeUpper_ = model_.colNames[j];
      }
      up = v;
    };
    switch (read.boundType) {
      case BoundType::Up: upper(); break;
      case BoundType::Lo:
        lo = v;
        mark |= kLowerGiven;
        break;
      case BoundType::Fx:
        lo = up = v;
        mark |= kLowerGiven;
        break;
      case BoundType::Fr:
        lo = -kInf;
        up = kInf;
        mark |= kLowerGiven;
        break;
      case BoundType::Mi:
        lo = -kInf;
        mark |= kLowerGiven;
        break;
      case BoundType::Pl: up = kInf; break;
      case BoundType::Bv:
        lo = 0;
        up = 1;
        mark |= kLowerGiven | kInteger;
        break;
      case BoundType::Li:
        lo = v;
        mark |= kLowerGiven | kInteger;
        break;
      case BoundType::Ui:
        upper();
        mark |= kInteger;
        break;
      case BoundType::Sc:
      case BoundType::Si:  // the value is the upper bound, none or 0 meaning none
        up = read.count == 0 || v == 0 ? kInf : v;
        mark |= kSemiContinuous;
        if (read.boundType == BoundType::Si) mark |= kInteger;
        break;
      case BoundType::Unknown: break;  // (not resolved)
    }
    if (lo == kInf || up == -kInf)
      FailHere("the " + std::string(type) + " bound of column " + Shown(model_.colNames[j]) +
               " leaves it no finite value");
  }

  // ---- the end ----

  void Finish() {
    if (prepared_.valid()) prepared_.get();  // done already: the workers have gone
    if (objectiveNamed_ && !hasObjective_)
      FailHere("the objective row " + Shown(objectiveName_) + " named by OBJNAME is not in ROWS");
    const std::size_t m = model_.rowNames.size(), n = model_.colNames.size();
    model_.objOffset = 0.0 - objectiveRhs_;  // the objective row's right-hand side is minus the constant; 0 - 0 is +0
    rowRhs_.resize(m, 0.0);
    rowRange_.resize(m, 0.0);
    hasRange_.resize(m, false);
    model_.rlo.resize(m);
    model_.rup.resize(m);
    model_.clo.resize(n, 0.0);
    model_.cup.resize(n, kInf);
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
    long integers = 0, semi = 0;
    for (std::size_t j = 0; j < n; ++j) {
      integers += (marks_[j] & kInteger) != 0;
      if (marks_[j] & kSemiContinuous) {
        ++semi;
        model_.clo[j] = std::min(0.0, model_.clo[j]);
      }
    }
    JoinMerge();
    const long summed = summed_ + duplicates_;
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

  Reading reading_;
  LineSource source_;
  long line_ = 0;  // the number of the line being read
  // The fast path's parts of a block.
  BlockParts<Scan> parts_;
  // The room RoomAhead has asked for, by array: up to which element of the storage at `data`.
  struct Populated {
    const void* data = nullptr;
    std::size_t size = 0;
  };
  std::array<Populated, 7> populated_{};
  std::future<void> prepared_;  // PrepareLastArrays' faulting in
  std::array<double, 2> rate_{};  // entries and names added for each byte of the block before
  std::array<bool, 8> reserved_{};  // by section: ReserveAhead has reserved room
  Model model_;
  bool fixed_;
  bool mayTurnFixed_;  // free so far, fixed from the first line that reads only so
  Section section_ = Section::None;
  Words words_;
  std::string why_;  // why the line just resolved does not read

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
  // The columns' indexing while RHS or RANGES is read (IndexNames), and the
  // matrix's merging after COLUMNS (MergeAside), with the entries it summed.
  std::future<int> columnsIndexed_;
  std::future<long> merged_;
  long summed_ = 0;
  // Last, so that it goes first: no task is left running on what the reader
  // holds, however reading ends.
  std::unique_ptr<WorkerPool> workers_;
};

}  // namespace

Model ReadMps(const std::string& path, ModelFormat format, const Reading& reading) {
  return MpsReader(path, format, reading).Read();
}

}  // namespace postsolve::modelfile
