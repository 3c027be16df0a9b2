// show: a picture of what the presolver did. The full matrix's pattern, its
// rows and columns reordered so that those of the reduced LP come first (top
// left) and the removed ones follow grouped by the reduction that removed them,
// each entry coloured by that reduction; binned so that any size draws in a
// picture of at most SIZE x SIZE cells. Written as SVG.

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "infile.h"
#include "kit.h"
#include "outfile.h"
#include "records.h"

namespace postsolve::kit {

namespace {

constexpr int kKinds = 16;          // record codes
constexpr int kReduced = kKinds;    // in the reduced LP
constexpr int kUnmapped = kKinds + 1;  // neither removed nor mapped (a log without maps)
constexpr int kNoCell = 255;

// One colour per reduction kind (by record code), then the reduced LP's and
// the unmapped rows' and columns'.
constexpr std::array<const char*, kKinds + 2> kColour = {
    "#1f77b4",  // DOMCOL
    "#ff7f0e",  // DUPCOL
    "#2ca02c",  // FIXCOL
    "#d62728",  // NULCOL
    "#9467bd",  // LOWBND
    "#000000",  // MATRIX (never a removal)
    "#8c564b",  // MINBND
    "#000000",  // HEADER (never a removal)
    "#e377c2",  // DBLROW
    "#7f7f7f",  // DOMROW
    "#bcbd22",  // FORROW
    "#17becf",  // NULROW
    "#aec7e8",  // DUPROW
    "#ffbb78",  // SGLROW
    "#000000",  // COLMAP
    "#000000",  // ROWMAP
    "#303030",  // the reduced LP
    "#c0c0c0",  // unmapped
};

// What each row and column became, from the log's records in order.
struct Fate {
  std::vector<std::uint8_t> row, col;  // a record code, kReduced or kUnmapped
  std::array<long, kKinds> records{};  // records of each kind
  long rowsAfter = 0, colsAfter = 0;
};

class Reader {
 public:
  explicit Reader(const std::string& dir) : f_(OpenIn((dir.empty() ? std::string(".") : dir) + "/" + BINFILE)) {
    offsets_ = ReadOffsets(OpenIn((dir.empty() ? std::string(".") : dir) + "/" + STKFILE));
    offsets_.pop_back();
  }

  // The header and matrix (record 0 and the MATRIX record), then each record's fate.
  void Run(Fate& fate, MatrixRead& matrix, HeaderStart& header) {
    if (EnterRecord(f_, 0, offsets_[0]) != AsInt(RecordCode::HEADER)) Fail(f_, "the first record is not HEADER");
    header = ReadHeaderStart(f_);
    fate.row.assign(static_cast<std::size_t>(header.m), kUnmapped);
    fate.col.assign(static_cast<std::size_t>(header.n), kUnmapped);
    bool matrixSeen = false;
    for (std::size_t k = 1; k < offsets_.size(); ++k) {
      f_.leave();
      CheckRecordOffset(f_, static_cast<long>(k), offsets_[k]);
      const int code = EnterRecord(f_, static_cast<long>(k), offsets_[k]);
      if (code < 0 || code >= kKinds) continue;  // a code the replay skips
      fate.records[static_cast<std::size_t>(code)] += 1;
      switch (static_cast<RecordCode>(code)) {
        using enum RecordCode;
        case MATRIX:
          matrix = ReadMatrixAt(f_, header.m, header.n);
          matrixSeen = true;
          break;
        case COLMAP:
        case ROWMAP: {
          const BulkVector<int> map = ReadMapEntries(f_);
          std::vector<std::uint8_t>& marks = code == AsInt(COLMAP) ? fate.col : fate.row;
          long& kept = code == AsInt(COLMAP) ? fate.colsAfter : fate.rowsAfter;
          for (std::size_t q = 0; q < std::min(marks.size(), static_cast<std::size_t>(map.size())); ++q)
            if (map[q] >= 0 && marks[q] == kUnmapped) {
              marks[q] = kReduced;
              ++kept;
            }
          break;
        }
        case FORROW: {
          const auto head = ReadFields<ForRowHead>(f_);
          Remove(fate.row, head.r, code, "row");
          for (int tag = cGet(f_); tag != kForRowEnd; tag = cGet(f_)) {
            const auto item = ReadFields<ForRowItem>(f_);
            Remove(fate.col, item.j, code, "column");
            SkipList();
          }
          break;
        }
        default:
          WithPlainPayload(code, [&]<class Payload>(Payload) { Plain(fate, code, ReadFields<Payload>(f_)); });
      }
    }
    if (!matrixSeen) Fail(f_, "no MATRIX record");
  }

 private:
  void Remove(std::vector<std::uint8_t>& marks, int index, int code, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= marks.size())
      Fail(f_, std::string(what) + " " + std::to_string(index) + " is outside the problem");
    if (marks[static_cast<std::size_t>(index)] == kUnmapped) marks[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(code);
  }
  void SkipList() {
    while (iGet(f_) >= 0) dGet(f_);
  }
  // The rows and columns a record with fixed fields removes.
  template <class Payload>
  void Plain(Fate& fate, int code, const Payload& p) {
    if constexpr (std::is_same_v<Payload, FixedColPayload> || std::is_same_v<Payload, NulColPayload>) {
      Remove(fate.col, p.j, code, "column");
    } else if constexpr (std::is_same_v<Payload, DupColPayload>) {
      Remove(fate.col, p.k, code, "column");
    } else if constexpr (std::is_same_v<Payload, DblRowPayload> || std::is_same_v<Payload, DomRowPayload> ||
                         std::is_same_v<Payload, SglRowPayload>) {
      Remove(fate.row, p.r, code, "row");
      Remove(fate.col, p.j, code, "column");
    } else if constexpr (std::is_same_v<Payload, NulRowPayload>) {
      Remove(fate.row, p.r, code, "row");
    }
    // LOWBND, MINBND and DUPROW change what stays; they remove nothing.
  }

  InFile f_;
  std::vector<int> offsets_;
};

// Places rows (or columns): those of the reduced LP first, then the removed
// ones by kind, then any neither removed nor kept; each group in index order.
std::vector<int> Places(const std::vector<std::uint8_t>& marks) {
  std::array<int, kKinds + 2> first{};  // where each group starts; the reduced LP's first
  for (std::uint8_t mark : marks) ++first[mark == kReduced ? 0 : mark == kUnmapped ? kKinds + 1 : mark + 1];
  int start = 0;
  for (int& group : first) start += std::exchange(group, start);
  std::vector<int> place(marks.size());
  for (std::size_t q = 0; q < marks.size(); ++q) {
    const std::uint8_t mark = marks[q];
    place[q] = first[mark == kReduced ? 0 : mark == kUnmapped ? kKinds + 1 : mark + 1]++;
  }
  return place;
}

// "1 row", "2 rows", "2 entries".
std::string Count(long n, const std::string& one) {
  if (n == 1) return "1 " + one;
  return std::to_string(n) + " " + (one.ends_with("y") ? one.substr(0, one.size() - 1) + "ies" : one + "s");
}

}  // namespace

ShowSummary Show(const std::string& dir, const std::string& svgPath, int size) {
  if (size < 16 || size > 4096) throw PostError("show: the picture's size must be 16 to 4096 cells");
  Fate fate;
  MatrixRead matrix;
  HeaderStart header;
  Reader(dir).Run(fate, matrix, header);
  const int m = header.m, n = header.n;
  const int height = std::max(1, std::min(m, size)), width = std::max(1, std::min(n, size));
  const std::vector<int> rowPlace = Places(fate.row), colPlace = Places(fate.col);
  // Each cell keeps the kind of its first entry removed, else the reduced LP's.
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(height) * static_cast<std::size_t>(width), kNoCell);
  const auto rowBin = [&](int i) { return static_cast<long>(rowPlace[static_cast<std::size_t>(i)]) * height / std::max(m, 1); };
  const auto colBin = [&](int j) { return static_cast<long>(colPlace[static_cast<std::size_t>(j)]) * width / std::max(n, 1); };
  long entries = 0;
  std::size_t at = 0;
  for (int j = 0; j < n && j < static_cast<int>(matrix.counts.size()); ++j) {
    const long x = colBin(j);
    const std::uint8_t colMark = fate.col[static_cast<std::size_t>(j)];
    for (int e = 0; e < matrix.counts[static_cast<std::size_t>(j)]; ++e, ++at) {
      const int i = matrix.ind[at];
      if (i < 0 || i >= m) continue;
      ++entries;
      const std::uint8_t rowMark = fate.row[static_cast<std::size_t>(i)];
      const std::uint8_t kind = rowMark < kKinds ? rowMark : colMark < kKinds ? colMark : std::min(rowMark, colMark);
      std::uint8_t& cell = cells[static_cast<std::size_t>(rowBin(i)) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
      if (cell == kNoCell || (cell >= kKinds && kind < kKinds)) cell = kind;
    }
  }

  // The picture: cells as runs of one colour along each line, the reduced
  // block framed, a legend beside it.
  const int pixel = std::max(1, 800 / std::max(height, width));
  const int pictureW = width * pixel, pictureH = height * pixel, legendX = pictureW + 20;
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << legendX + 480 << "\" height=\""
      << std::max(pictureH, 420) + 20 << "\" shape-rendering=\"crispEdges\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n<g transform=\"translate(10,10)\">\n";
  svg << "<rect width=\"" << pictureW << "\" height=\"" << pictureH << "\" fill=\"none\" stroke=\"#999\"/>\n";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width;) {
      const std::uint8_t kind = cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
      int run = 1;
      while (x + run < width && cells[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x + run)] == kind) ++run;
      if (kind != kNoCell)
        svg << "<rect x=\"" << x * pixel << "\" y=\"" << y * pixel << "\" width=\"" << run * pixel << "\" height=\""
            << pixel << "\" fill=\"" << kColour[kind] << "\"/>\n";
      x += run;
    }
  const long reducedH = fate.rowsAfter * height / std::max(m, 1), reducedW = fate.colsAfter * width / std::max(n, 1);
  svg << "<rect width=\"" << reducedW * pixel << "\" height=\"" << reducedH * pixel
      << "\" fill=\"none\" stroke=\"#000\" stroke-dasharray=\"4 2\"/>\n";

  ShowSummary summary;
  summary.rows = m;
  summary.cols = n;
  summary.entries = entries;
  summary.rowsAfter = fate.rowsAfter;
  summary.colsAfter = fate.colsAfter;
  std::array<long, kKinds> rowsBy{}, colsBy{};
  for (std::uint8_t mark : fate.row)
    if (mark < kKinds) ++rowsBy[mark];
  for (std::uint8_t mark : fate.col)
    if (mark < kKinds) ++colsBy[mark];
  int line = 0;
  const auto text = [&](const std::string& words, const char* colour) {
    const int y = 14 + 20 * line++;
    if (colour != nullptr)
      svg << "<rect x=\"" << legendX << "\" y=\"" << y - 11 << "\" width=\"12\" height=\"12\" fill=\"" << colour << "\"/>\n";
    svg << "<text x=\"" << legendX + (colour != nullptr ? 18 : 0) << "\" y=\"" << y
        << "\" font-family=\"sans-serif\" font-size=\"13\">" << words << "</text>\n";
  };
  std::string name;
  for (char ch : header.name.substr(0, header.name.find('\0')))
    name += ch == '<' ? std::string("&lt;") : ch == '&' ? std::string("&amp;") : ch == '>' ? std::string("&gt;") : std::string(1, ch);
  text(name.empty() ? "(no name)" : name, nullptr);
  text("before: " + Count(m, "row") + ", " + Count(n, "column") + ", " + Count(entries, "entry"), nullptr);
  text("after: " + Count(fate.rowsAfter, "row") + ", " + Count(fate.colsAfter, "column") + " (dashed frame)", nullptr);
  text("reduced LP", kColour[kReduced]);
  for (int code = 0; code < kKinds; ++code) {
    const auto c = static_cast<std::size_t>(code);
    if (code == AsInt(RecordCode::HEADER) || code == AsInt(RecordCode::MATRIX) || code == AsInt(RecordCode::COLMAP) ||
        code == AsInt(RecordCode::ROWMAP) || fate.records[c] == 0)
      continue;
    summary.records[CodeName(code)] = fate.records[c];
    text(CodeName(code) + ": " + Count(fate.records[c], "record") + ", " + Count(rowsBy[c], "row") + " and " +
             Count(colsBy[c], "column") + " removed",
         kColour[c]);
  }
  text(std::to_string(height) + " x " + std::to_string(width) + " cells" +
           (height < m || width < n ? ", each of several rows or columns" : ""),
       nullptr);
  svg << "</g>\n</svg>\n";
  ReplaceFile(svgPath, svg.str());
  return summary;
}

}  // namespace postsolve::kit
