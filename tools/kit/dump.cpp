// dump and --summary: a walk over the three files in file order that checks
// the framing as the replay would and writes every byte back as case text.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kit.h"
#include "postdata.h"

namespace kit {

namespace {

std::string ReadAll(const std::string& path) {
  InFile probe = OpenIn(path);  // the replay's own message for a missing file
  std::string bytes(probe.size, '\0');
  if (probe.size > 0) probe.Copy(bytes.data(), bytes.size());
  return bytes;
}

// Bulk reads into vectors; an empty vector has no storage to read into.
std::vector<int> Ints(InFile& f, std::size_t count) {
  std::vector<int> v(count);
  if (count > 0) iGetN(f, v.data(), count);
  return v;
}

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

std::string Int(long v) { return std::to_string(v); }

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

class Walker {
 public:
  Walker(const CaseFiles& files, std::ostream* out) : files_(files), out_(out) {}

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

  // The reduced solution, read as the replay reads it.
  void Solution() {
    InFile f = MemIn(SOLFILE, files_.sol);
    const int status = iGet(f), nc = iGet(f), nr = iGet(f);
    NeedCount(f, nc, 0, "column count");
    NeedCount(f, nr, 0, "row count");
    census_.status = status;
    census_.nc = nc;
    census_.nr = nr;
    std::string text = "solution " + Int(status) + " " + Int(nc) + " " + Int(nr) + "\n";
    const bool countsOnly = (nc == 0) != (nr == 0) && f.left() == 0;
    if (!(nc == 0 && nr == 0) && !countsOnly) {
      NeedCount(f, static_cast<std::int64_t>(nc) * 16 + static_cast<std::int64_t>(nr) * 8, 1,
                "solution size");
      for (auto [label, count] : {std::pair{"x", nc}, {"y", nr}, {"z", nc}}) {
        Doubles(text, f, std::string("  ") + label + " ", static_cast<std::size_t>(count));
        text += "\n";
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
    InFile f = MemIn(STKFILE, files_.stk);
    if (f.size < 4) Fail(f, "short read: the file holds no record count");
    f.seek(f.size - 4);
    const int count = iGet(f);
    if (count < 1) Fail(f, "record count " + Int(count) + " is below 1");
    f.seek(0);
    NeedCount(f, static_cast<std::int64_t>(count) + 1, 4, "record count");
    offsets_.resize(static_cast<std::size_t>(count));
    iGetN(f, offsets_.data(), offsets_.size());
    census_.records = count;

    byFile_.resize(offsets_.size());
    for (std::size_t k = 0; k < byFile_.size(); ++k) byFile_[k] = k;
    std::stable_sort(byFile_.begin(), byFile_.end(),
                     [&](std::size_t a, std::size_t b) { return offsets_[a] < offsets_[b]; });
    for (std::size_t p = 1; p < byFile_.size(); ++p)
      if (offsets_[byFile_[p]] == offsets_[byFile_[p - 1]])
        Fail(f, "records " + Int(static_cast<long>(std::min(byFile_[p - 1], byFile_[p]))) + " and " +
                    Int(static_cast<long>(std::max(byFile_[p - 1], byFile_[p]))) +
                    " both start at offset " + Int(offsets_[byFile_[p]]));

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
      w.Item(CaseString(std::string_view(files_.stk).substr(4 * static_cast<std::size_t>(count), tailLen)));
    }
    Emit(text + "\n\n");
  }

  // Checked when the walk reaches the record, so that a cut file shows
  // everything before the cut.
  void CheckOffset(const InFile& f, std::size_t k) {
    if (offsets_[k] < 0 || static_cast<std::size_t>(offsets_[k]) + 4 > f.size)
      Fail(f, "record " + Int(static_cast<long>(k)) + ": offset " + Int(offsets_[k]) +
                  " outside the record file of " + std::to_string(f.size) + " bytes");
  }

  void Records() {
    InFile f = MemIn(BINFILE, files_.bin);
    CheckOffset(f, 0);
    f.enter(0, static_cast<std::size_t>(offsets_[0]));
    f.seek(static_cast<std::size_t>(offsets_[0]));
    f.code = iGet(f);
    if (*f.code != HEADER) Fail(f, "the first record is not HEADER");
    f.leave();

    CheckOffset(f, byFile_[0]);
    const std::size_t first = static_cast<std::size_t>(offsets_[byFile_[0]]);
    if (first > 0) {
      std::string text;
      GapLines(text, std::string_view(files_.bin).substr(0, first));
      Emit(text + "\n");
      census_.gapBytes += first;
    }
    for (std::size_t p = 0; p < byFile_.size(); ++p) {
      const std::size_t k = byFile_[p];
      f.leave();
      CheckOffset(f, k);
      const std::size_t off = static_cast<std::size_t>(offsets_[k]);
      // A next record past the end is caught when the walk reaches it.
      const std::size_t next =
          p + 1 < byFile_.size() ? std::min(static_cast<std::size_t>(std::max(offsets_[byFile_[p + 1]], 0)), f.size)
                                 : f.size;
      f.enter(static_cast<long>(k), off);
      f.seek(off);
      const int code = iGet(f);
      f.code = code;
      std::string text = "# record " + Int(static_cast<long>(k)) + " at offset " +
                         std::to_string(off) + ": " + CodeName(code) + "\n";
      const std::size_t namesBefore = census_.nameBytes;
      Record(text, f, code, k, next);
      if (f.pos > next) Fail(f, "it runs into the record at offset " + std::to_string(next));
      auto& kind = census_.kinds[code];
      kind.count += 1;
      kind.bytes += f.pos - off - (census_.nameBytes - namesBefore);
      GapLines(text, std::string_view(files_.bin).substr(f.pos, next - f.pos));
      census_.gapBytes += next - f.pos;
      if (p + 1 < byFile_.size()) text += "\n";
      Emit(text);
    }
  }

  void Doubles(std::string& text, InFile& f, const std::string& head, std::size_t count) {
    Wrap w(text, "    ");
    w.Start(head + "[");
    const std::vector<double> v = Reals(f, count);
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

  void Record(std::string& text, InFile& f, int code, std::size_t k, std::size_t next) {
    switch (code) {
      case HEADER: Header(text, f, k == 0); return;
      case MATRIX: Matrix(text, f); return;
      case COLMAP:
      case ROWMAP: {
        const int N = iGet(f);
        NeedCount(f, N, 4, "map length");
        const std::vector<int> map = Ints(f, static_cast<std::size_t>(N));
        Wrap w(text, "  ");
        w.Start(CodeName(code) + " [");
        for (int e : map) w.Item(Int(e));
        w.Close(']');
        text += "\n";
        return;
      }
      case FORROW: {
        text += "FORROW " + Int(iGet(f)) + "\n";
        for (;;) {
          const int tag = cGet(f);
          const auto byte = static_cast<unsigned char>(tag);
          const bool word = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                            (byte >= '0' && byte <= '9');
          const std::string one(1, static_cast<char>(byte));
          text += "  ";
          text += word ? one : CaseString(one);
          if (tag == 'e') break;
          Add(text, Int(iGet(f)));
          for (int d = 0; d < 3; ++d) Add(text, CaseDouble(dGet(f)));
          List(text, f, false, next);
          text += "\n";
        }
        text += "\n";
        return;
      }
      default: break;
    }
    static const std::map<int, const char*> plain = {
        {DOMCOL, "iddL"},   {DUPCOL, "iiddddd"}, {FIXCOL, "iddL"},          {NULCOL, "idd"},
        {LOWBND, "id"},     {MINBND, "id"},      {DBLROW, "iiidddddididl"}, {DOMROW, "iidddL"},
        {NULROW, "i"},      {DUPROW, "iid"},     {SGLROW, "iidddL"}};
    auto p = plain.find(code);
    if (p == plain.end()) {  // a code the replay skips: its bytes follow as a gap
      text += "raw " + Int(code) + "\n";
      return;
    }
    text += CodeName(code);
    for (const char* fld = p->second; *fld; ++fld) {
      if (*fld == 'i') Add(text, Int(iGet(f)));
      else if (*fld == 'd') Add(text, CaseDouble(dGet(f)));
      else List(text, f, *fld == 'l', next);
    }
    text += "\n";
  }

  void Header(std::string& text, InFile& f, bool first) {
    const HeaderStart h = ReadHeaderStart(f);  // the replay's own checks
    const int m = h.m, n = h.n;
    const std::string& name = h.name;
    text += "HEADER " + CaseString(name) + "\n";
    Doubles(text, f, "  rlo ", static_cast<std::size_t>(m));
    text += "\n";
    Doubles(text, f, "  rup ", static_cast<std::size_t>(m));
    text += "\n";
    std::string rtype(static_cast<std::size_t>(m), '\0');
    f.Copy(rtype.data(), rtype.size());
    text += "  rtype " + CaseString(rtype) + "\n";
    Doubles(text, f, "  clo ", static_cast<std::size_t>(n));
    text += "\n";
    Doubles(text, f, "  cup ", static_cast<std::size_t>(n));
    text += "\n";
    if (!first) return;
    census_.m = m;
    census_.n = n;
    census_.name = name;
    // The name section: m row names, then n column names.
    const std::size_t start = f.pos;
    Wrap w(text, "  ");
    w.Start("names");
    for (long q = 0; q < static_cast<long>(m) + n; ++q) {
      const char* kind = q < m ? "row" : "column";
      const long index = q < m ? q : q - m;
      const int nlen = iGet(f);
      if (nlen < 0)
        Fail(f, "negative length " + Int(nlen) + " of " + kind + " name " + Int(index));
      if (static_cast<std::size_t>(nlen) > f.left())
        Fail(f, std::string("short read: ") + kind + " name " + Int(index) + " of " + Int(nlen) +
                    " bytes at offset " + std::to_string(f.pos) + " runs past the end of the file");
      std::string bytes(static_cast<std::size_t>(nlen), '\0');
      f.Copy(bytes.data(), bytes.size());
      w.Item(CaseString(bytes));
    }
    text += "\n";
    census_.nameBytes += f.pos - start;
  }

  void Matrix(std::string& text, InFile& f) {
    const int nz = iGet(f), ncols = iGet(f);
    NeedCount(f, nz, 12, "entry count");
    NeedCount(f, ncols, 12, "column count");
    std::string head = "MATRIX";
    const std::vector<double> c = Reals(f, static_cast<std::size_t>(ncols));
    std::string body;
    long total = 0;
    for (int e = 0; e < ncols; ++e) {
      const int cnt = iGet(f);
      if (cnt < 0) Fail(f, "negative entry count " + Int(cnt) + " in column " + Int(e));
      if (cnt > static_cast<long>(nz) - total)
        Fail(f, "column counts add up to more than the " + Int(nz) + " entries");
      const std::vector<int> ind = Ints(f, static_cast<std::size_t>(cnt));
      const std::vector<double> val = Reals(f, static_cast<std::size_t>(cnt));
      Wrap w(body, "   ");
      w.Start("  (");
      for (std::size_t q = 0; q < ind.size(); ++q) {
        w.Item(Int(ind[q]));
        w.Item(CaseDouble(val[q]));
      }
      body += ")\n";
      total += cnt;
    }
    census_.entries += total;
    if (total != nz) head += " nz " + Int(nz);
    text += head + "\n";
    Wrap w(text, "    ");
    w.Start("  c [");
    for (double v : c) w.Item(CaseDouble(v));
    w.Close(']');
    text += "\n" + body;
  }

  const CaseFiles& files_;
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

void Summary(const CaseFiles& files, std::ostream& out) {
  const Census c = Walker(files, nullptr).Run();
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

}  // namespace kit
