// dump and --summary: a walk over the three files in file order that checks
// the framing as the replay would and writes every byte back as case text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

#include "kit.h"
#include "records.h"

namespace postsolve::kit {

namespace {

std::string ReadAll(const std::string& path) {
  InFile probe = OpenIn(path);  // the replay's own message for a missing file
  std::string bytes(probe.size, '\0');
  if (probe.size > 0) probe.Copy(bytes.data(), bytes.size());
  return bytes;
}

// Bulk reads into a vector; an empty vector has no storage to read into.
std::vector<double> Reals(InFile& f, std::size_t count) {
  std::vector<double> v(count);
  if (count > 0) dGetN(f, v.data(), count);
  return v;
}

// Writes items separated by blanks, wrapping lines at about 100 columns.
class Wrap {
 public:
  Wrap(std::string& out, std::string indent) : out_(out), indent_(std::move(indent)) {}
  // The text the items follow; one ending in '[' or '(' takes the first item
  // without a blank.
  void Start(const std::string& head) {
    out_ += head;
    col_ = head.size();
    glued_ = !head.empty() && (head.back() == '[' || head.back() == '(');
  }
  void Item(const std::string& item) {
    if (col_ > indent_.size() && col_ + 1 + item.size() > 100) {
      out_ += "\n" + indent_;
      col_ = indent_.size();
    } else if (!glued_) {
      out_ += ' ';
      ++col_;
    }
    glued_ = false;
    out_ += item;
    col_ += item.size();
  }
  void Close(char bracket) { out_ += bracket; }
  void Glue() { glued_ = true; }  // the next item follows without a blank

 private:
  std::string& out_;
  std::string indent_;
  std::size_t col_ = 0;
  bool glued_ = false;
};



// Appends a blank and an item.
void Add(std::string& text, const std::string& item) {
  text += ' ';
  text += item;
}

// Quoted gap bytes, 32 to a line.
void GapLines(std::string& out, std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += 32)
    out += "gap " + CaseString(bytes.substr(at, 32)) + "\n";
}

// Text beyond this is written out as soon as nothing after it can fail.
constexpr std::size_t kSpillBytes = std::size_t{1} << 20;

class Walker {
 public:
  static std::string Int(long v) { return std::to_string(v); }
  Walker(const CaseFiles& files, std::ostream* out) : files_(&files), out_(out) {}
  Walker(std::string dir, std::ostream* out) : dir_(std::move(dir)), out_(out) {}

  Census Run() {
    Solution();
    Stack();
    Records();
    return census_;
  }

 private:
  void Emit(const std::string& text) {
    if (out_) *out_ << text;
  }
  // Writes out what `text` holds once it is large; only where the record
  // being printed can no longer fail, so that a failure still shows every
  // record before it and nothing of its own.
  void Spill(std::string& text) {
    if (text.size() < kSpillBytes) return;
    Emit(text);
    text.clear();
  }
  // --summary counts bytes and formats nothing.
  bool printing() const { return out_ != nullptr; }

  // One of the three files, from memory or from the directory; messages about
  // its contents name it without the directory.
  InFile Open(const char* name) const {
    if (files_) {
      const std::string& bytes = name == std::string_view(SOLFILE) ? files_->sol
                                 : name == std::string_view(STKFILE) ? files_->stk
                                                                     : files_->bin;
      return MemIn(name, bytes);
    }
    InFile f = OpenIn((dir_.empty() ? std::string(".") : dir_) + "/" + name);
    f.path = name;
    return f;
  }

  // The bytes [at, at + n) of f, which lie inside it, as gap lines; f.pos
  // is left where it was.
  void Gap(std::string& text, InFile& f, std::size_t at, std::size_t n) {
    census_.gapBytes += n;
    if (!printing()) return;
    const std::size_t keep = f.pos;
    std::string bytes;
    f.seek(at);
    for (std::size_t done = 0; done < n;) {
      const std::size_t piece = std::min(n - done, std::size_t{32} << 12);  // whole lines of 32
      bytes.resize(piece);
      f.Copy(bytes.data(), piece);
      GapLines(text, bytes);
      Spill(text);
      done += piece;
    }
    f.seek(keep);
  }

  // The reduced solution, read as the replay reads it.
  void Solution() {
    InFile f = Open(SOLFILE);
    const SolutionHead h = ReadSolutionHead(f);
    census_.status = h.status;
    census_.nc = h.nc;
    census_.nr = h.nr;
    std::string text = "solution " + Int(h.status) + " " + Int(h.nc) + " " + Int(h.nr) + "\n";
    if (h.hasValues) {
      for (auto [label, count] : {std::pair{"x", h.nc}, {"y", h.nr}, {"z", h.nc}}) {
        Doubles(text, f, std::string("  ") + label + " ", static_cast<std::size_t>(count));
        text += "\n";
        Spill(text);  // the counts were checked to fit the file: no read after this fails
      }
    }
    if (f.left() > 0) {
      std::string rest(f.left(), '\0');
      f.Copy(rest.data(), rest.size());
      text += "  tail " + CaseString(rest) + "\n";
    }
    Emit(text + "\n");
  }

  // The offset stack, read as the replay reads it, and every offset checked.
  void Stack() {
    InFile f = Open(STKFILE);
    offsets_ = ReadOffsets(Open(STKFILE));
    offsets_.pop_back();  // the int32 after the offsets (the count, unless a tail comes first)
    const int count = static_cast<int>(offsets_.size());
    census_.records = count;

    byFile_.resize(offsets_.size());
    for (std::size_t k = 0; k < byFile_.size(); ++k) byFile_[k] = k;
    std::sort(byFile_.begin(), byFile_.end(),
              [&](std::size_t a, std::size_t b) { return offsets_[a] < offsets_[b]; });  // no two alike

    // The listing is in file order; say where each record of the stack stands
    // in it when that is not simply the stack order.
    std::vector<std::size_t> place(byFile_.size());
    for (std::size_t p = 0; p < byFile_.size(); ++p) place[byFile_[p]] = p;
    bool inOrder = true;
    for (std::size_t k = 0; k < place.size(); ++k) inOrder = inOrder && place[k] == k;
    const std::size_t tailLen = f.size - 4 * (static_cast<std::size_t>(count) + 1);
    if (inOrder && tailLen == 0) return;
    std::string text;
    Wrap w(text, "  ");
    w.Start("stack");
    if (!inOrder) {
      w.Item("[");
      w.Glue();
      for (std::size_t p : place) w.Item(Int(static_cast<long>(p)));
      w.Close(']');
    }
    if (tailLen > 0) {
      w.Item("tail");
      std::string tail(tailLen, '\0');
      f.seek(4 * static_cast<std::size_t>(count));
      f.Copy(tail.data(), tailLen);
      w.Item(CaseString(tail));
    }
    Emit(text + "\n\n");
  }

  void Records() {
    InFile f = Open(BINFILE);
    // Each offset is checked when the walk reaches its record, so that a cut
    // file shows everything before the cut.
    if (EnterRecord(f, 0, offsets_[0]) != AsInt(RecordCode::HEADER)) Fail(f, "the first record is not HEADER");
    f.leave();

    CheckRecordOffset(f, static_cast<long>(byFile_[0]), offsets_[byFile_[0]]);
    const std::size_t first = static_cast<std::size_t>(offsets_[byFile_[0]]);
    if (first > 0) {
      std::string text;
      Gap(text, f, 0, first);
      Emit(text + "\n");
    }
    for (std::size_t p = 0; p < byFile_.size(); ++p) {
      const std::size_t k = byFile_[p];
      f.leave();
      CheckRecordOffset(f, static_cast<long>(k), offsets_[k]);
      const std::size_t off = static_cast<std::size_t>(offsets_[k]);
      // A next record past the end is caught when the walk reaches it.
      const std::size_t next =
          p + 1 < byFile_.size() ? std::min(static_cast<std::size_t>(std::max(offsets_[byFile_[p + 1]], 0)), f.size)
                                 : f.size;
      const int code = EnterRecord(f, static_cast<long>(k), offsets_[k], next);
      std::string text = "# record " + Int(static_cast<long>(k)) + " at offset " +
                         std::to_string(off) + ": " + CodeName(code) + "\n";
      const std::size_t namesBefore = census_.nameBytes;
      Record(text, f, code, k, next);
      if (f.pos > next) Fail(f, "it runs into the record at offset " + std::to_string(next));
      auto& kind = census_.kinds[code];
      kind.count += 1;
      kind.bytes += f.pos - off - (census_.nameBytes - namesBefore);
      Gap(text, f, f.pos, next - f.pos);
      if (p + 1 < byFile_.size()) text += "\n";
      Emit(text);
    }
  }

  void Doubles(std::string& text, InFile& f, const std::string& head, std::size_t count) {
    Wrap w(text, "    ");
    w.Start(head + "[");
    const std::vector<double> v = Reals(f, count);
    if (printing())
      for (std::size_t i = 0; i < count; ++i) w.Item(CaseDouble(v[i]));
    w.Close(']');
  }

  // An entry list up to its negative end marker. With `bounded`, a list that
  // does not end before `limit` is not one: false, and nothing is consumed.
  bool List(std::string& text, InFile& f, bool bounded, std::size_t limit) {
    const std::size_t start = f.pos;
    std::string items = "{";
    for (bool firstItem = true;; firstItem = false) {
      if (bounded && f.pos + 4 > limit) {
        f.seek(start);
        return false;
      }
      const int i = iGet(f);
      if (!firstItem) items += ' ';
      if (i < 0) {
        if (i != -1) items += "end " + Int(i);
        else if (!firstItem) items.pop_back();
        break;
      }
      if (bounded && f.pos + 8 > limit) {
        f.seek(start);
        return false;
      }
      items += Int(i) + " " + CaseDouble(dGet(f));
    }
    Add(text, items + "}");
    return true;
  }

  // Prints one payload field by field through its description.
  struct FieldPrinter {
    Walker& w;
    std::string& text;
    InFile& f;
    std::size_t next;  // where the next record starts
    void Int(int&) { Add(text, Walker::Int(iGet(f))); }
    void Col(int& v) { Int(v); }
    void Row(int& v) { Int(v); }
    void Real(double&) { Add(text, CaseDouble(dGet(f))); }
    void Entries(EntryList&) { w.List(text, f, false, next); }
    // A list that may be left out: taken only when it ends before the next record.
    void OptionalEntries(EntryList&) { w.List(text, f, true, next); }
  };
  template <class Payload>
  void Fields(std::string& text, InFile& f, std::size_t next) {
    Payload payload;
    FieldPrinter v{*this, text, f, next};
    payload.Fields(v);
  }

  void Record(std::string& text, InFile& f, int code, std::size_t k, std::size_t next) {
    const bool plain = WithPlainPayload(code, [&]<class Payload>(Payload) {
      text += CodeName(code);
      Fields<Payload>(text, f, next);
      text += "\n";
    });
    if (plain) return;
    switch (static_cast<RecordCode>(code)) {
      using enum RecordCode;
      case HEADER: Header(text, f, k == 0); return;
      case MATRIX: Matrix(text, f, next); return;
      case COLMAP:
      case ROWMAP: {
        const BulkVector<int> map = ReadMapEntries(f);
        RunsInto(f, next);
        Wrap w(text, "  ");
        w.Start(CodeName(code) + " [");
        if (printing())
          for (int e : map) {
            w.Item(Int(e));
            Spill(text);
          }
        w.Close(']');
        text += "\n";
        return;
      }
      case FORROW: ForRow(text, f, next); return;
      default:  // a code the replay skips: its bytes follow as a gap
        text += "raw " + Int(code) + "\n";
        return;
    }
  }

  void ForRow(std::string& text, InFile& f, std::size_t next) {
    text += "FORROW";
    Fields<ForRowHead>(text, f, next);
    text += "\n";
    for (;;) {
      const int tag = cGet(f);
      const auto byte = static_cast<unsigned char>(tag);
      const bool word = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                        (byte >= '0' && byte <= '9');
      const std::string one(1, static_cast<char>(byte));
      text += "  ";
      text += word ? one : CaseString(one);
      if (tag == kForRowEnd) break;
      Fields<ForRowItem>(text, f, next);
      text += "\n";
    }
    text += "\n";
  }

  void Header(std::string& text, InFile& f, bool first) {
    const HeaderStart h = ReadHeaderStart(f);  // the replay's own checks
    const int m = h.m, n = h.n;
    text += "HEADER " + CaseString(h.name) + "\n";
    for (const HeaderArray& a : kHeaderArrays) {
      const auto count = static_cast<std::size_t>(a.perRow ? m : n);
      const std::string head = std::string("  ") + a.label + " ";
      if (a.bytes) {
        std::string bytes(count, '\0');
        f.Copy(bytes.data(), bytes.size());
        text += head + CaseString(bytes);
      } else {
        Doubles(text, f, head, count);
      }
      text += "\n";
    }
    if (!first) return;
    census_.m = m;
    census_.n = n;
    census_.name = h.name;
    // The name section: m row names, then n column names.
    const std::size_t start = f.pos;
    Wrap w(text, "  ");
    w.Start("names");
    for (long q = 0; q < static_cast<long>(m) + n; ++q) {
      const std::string_view name = NameBytes(f, q < m ? "row" : "column", q < m ? q : q - m);
      if (printing()) w.Item(CaseString(name));
    }
    text += "\n";
    census_.nameBytes += f.pos - start;
  }

  // Fails as the walk does when the record just read ran past the next one.
  static void RunsInto(const InFile& f, std::size_t next) {
    if (f.pos > next) Fail(f, "it runs into the record at offset " + std::to_string(next));
  }

  void Matrix(std::string& text, InFile& f, std::size_t next) {
    const MatrixRead mr = ReadMatrixAt(f, -1, 0);  // the replay's own checks, bar the header's
    RunsInto(f, next);
    long total = 0;
    for (const int cnt : mr.counts) total += cnt;
    census_.entries += total;
    text += "MATRIX";
    if (total != mr.nz) text += " nz " + Int(mr.nz);
    text += "\n";
    if (!printing()) return;
    Wrap w(text, "    ");
    w.Start("  c [");
    for (double v : mr.c) w.Item(CaseDouble(v));
    w.Close(']');
    text += "\n";
    std::size_t at = 0;
    for (const int cnt : mr.counts) {
      Wrap col(text, "   ");
      col.Start("  (");
      for (int q = 0; q < cnt; ++q, ++at) {
        col.Item(Int(mr.ind[at]));
        col.Item(CaseDouble(mr.val[at]));
      }
      text += ")\n";
      Spill(text);
    }
  }

  const CaseFiles* files_ = nullptr;  // else the files are read from dir_
  std::string dir_;
  std::ostream* out_;
  Census census_;
  std::vector<int> offsets_;          // by stack index
  std::vector<std::size_t> byFile_;   // stack indices in file order
};

}  // namespace

CaseFiles LoadDir(const std::string& dir) {
  const std::string base = dir.empty() ? "." : dir;
  CaseFiles files;
  files.sol = ReadAll(base + "/" + SOLFILE);
  files.stk = ReadAll(base + "/" + STKFILE);
  files.bin = ReadAll(base + "/" + BINFILE);
  return files;
}

Census Dump(const CaseFiles& files, std::ostream& out) { return Walker(files, &out).Run(); }
Census Dump(const std::string& dir, std::ostream& out) { return Walker(dir, &out).Run(); }

namespace {

void PrintSummary(const Census& c, std::ostream& out) {
  char line[160];
  std::snprintf(line, sizeof line, "%-12s %10s %12s\n", "record", "count", "bytes");
  out << line;
  for (const auto& [code, kind] : c.kinds) {
    std::snprintf(line, sizeof line, "%-12s %10ld %12zu\n", CodeName(code).c_str(), kind.count,
                  kind.bytes);
    out << line;
  }
  std::snprintf(line, sizeof line, "%-12s %10s %12zu\n", "names", "", c.nameBytes);
  out << line;
  std::snprintf(line, sizeof line, "%-12s %10s %12zu\n", "gaps", "", c.gapBytes);
  out << line;
  out << "problem " << CaseString(c.name) << ": " << c.m << " rows, " << c.n << " columns, "
      << c.entries << " entries, " << c.records << " records\n";
  out << "reduced problem: " << c.nr << " rows, " << c.nc << " columns, solution status "
      << c.status << "\n";
}

}  // namespace

void Summary(const CaseFiles& files, std::ostream& out) { PrintSummary(Walker(files, nullptr).Run(), out); }
void Summary(const std::string& dir, std::ostream& out) { PrintSummary(Walker(dir, nullptr).Run(), out); }

}  // namespace postsolve::kit
