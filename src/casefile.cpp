#include "casefile.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "postdata.h"

void Bytes::i32(int v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int b = 0; b < 4; ++b) s.push_back(static_cast<char>((u >> (8 * b)) & 0xff));
}

void Bytes::f64(double v) {
  auto u = std::bit_cast<std::uint64_t>(v);
  for (int b = 0; b < 8; ++b) s.push_back(static_cast<char>((u >> (8 * b)) & 0xff));
}

void Bytes::list(const std::vector<std::pair<int, double>>& entries) {
  for (const auto& [i, v] : entries) {
    i32(i);
    f64(v);
  }
  i32(-1);
}

void Bytes::name(std::string_view text) {
  i32(static_cast<int>(text.size()));
  s.append(text);
}

std::string SolutionBytes(int status, int nc, int nr, const std::vector<double>& x,
                          const std::vector<double>& y, const std::vector<double>& z) {
  Bytes b;
  b.i32(status);
  b.i32(nc);
  b.i32(nr);
  b.doubles(x);
  b.doubles(y);
  b.doubles(z);
  return b.s;
}

std::string StackBytes(const std::vector<int>& offsets) {
  Bytes b;
  b.ints(offsets);
  b.i32(static_cast<int>(offsets.size()));
  return b.s;
}

namespace {

struct Token {
  enum Kind { Word, String, Punct, End } kind;
  std::string text;
  int line;
};

std::vector<Token> Tokenize(std::string_view t) {
  std::vector<Token> out;
  int line = 1;
  std::size_t i = 0;
  auto fail = [&](const std::string& why) {
    throw PostError("case line " + std::to_string(line) + ": " + why);
  };
  while (i < t.size()) {
    char ch = t[i];
    if (ch == '\n') {
      ++line;
      ++i;
    } else if (ch == ' ' || ch == '\t' || ch == '\r') {
      ++i;
    } else if (ch == '#') {
      while (i < t.size() && t[i] != '\n') ++i;
    } else if (std::strchr("[]{}()", ch)) {
      out.push_back({Token::Punct, std::string(1, ch), line});
      ++i;
    } else if (ch == '"') {
      std::string s;
      ++i;
      for (;;) {
        if (i >= t.size() || t[i] == '\n') fail("unterminated string");
        char c = t[i++];
        if (c == '"') break;
        if (c != '\\') {
          s.push_back(c);
          continue;
        }
        if (i >= t.size()) fail("unterminated string");
        char e = t[i++];
        if (e == 'n') s.push_back('\n');
        else if (e == 't') s.push_back('\t');
        else if (e == 'x') {
          if (i + 2 > t.size()) fail("bad \\x escape");
          std::string hex(t.substr(i, 2));
          char* end = nullptr;
          long v = std::strtol(hex.c_str(), &end, 16);
          if (end != hex.c_str() + 2) fail("bad \\x escape");
          s.push_back(static_cast<char>(v));
          i += 2;
        } else s.push_back(e);
      }
      out.push_back({Token::String, s, line});
    } else {
      std::size_t j = i;
      while (j < t.size() && !std::strchr(" \t\r\n#[]{}()\"", t[j])) ++j;
      out.push_back({Token::Word, std::string(t.substr(i, j - i)), line});
      i = j;
    }
  }
  out.push_back({Token::End, "", line});
  return out;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : toks_(Tokenize(text)) {}

  CaseFiles Run() {
    CaseFiles files;
    Expect("solution");
    ParseSolution(files);
    std::vector<std::string> records;
    std::string names;
    bool haveNames = false;
    while (Peek().kind != Token::End) {
      const Token& t = Next();
      if (t.kind != Token::Word) Fail(t, "expected a record name, found '" + t.text + "'");
      if (t.text == "names") {
        Bytes b;
        while (Peek().kind == Token::String) b.name(Next().text);
        names += b.s;
        haveNames = true;
      } else if (t.text == "gap") {
        if (records.empty()) Fail(t, "gap before the first record");
        records.back().append(static_cast<std::size_t>(Int()), '\xee');
      } else {
        records.push_back(ParseRecord(t));
        if (records.size() == 1) payloadEnd0_ = records[0].size();
      }
    }
    if (haveNames && records.empty()) Fail(Peek(), "names without a record to follow");
    if (haveNames) records[0].insert(payloadEnd0_, names);
    std::vector<int> offsets;
    for (const std::string& r : records) {
      offsets.push_back(static_cast<int>(files.bin.size()));
      files.bin += r;
    }
    files.stk = StackBytes(offsets);
    return files;
  }

 private:
  [[noreturn]] static void Fail(const Token& t, const std::string& why) {
    throw PostError("case line " + std::to_string(t.line) + ": " + why);
  }
  const Token& Peek() const { return toks_[pos_]; }
  const Token& Next() {
    const Token& t = toks_[pos_];
    if (t.kind != Token::End) ++pos_;
    return t;
  }
  void Expect(const char* word) {
    const Token& t = Next();
    if (t.text != word || t.kind == Token::String) Fail(t, std::string("expected '") + word + "'");
  }
  bool Accept(const char* word) {
    if (Peek().kind != Token::String && Peek().text == word) {
      ++pos_;
      return true;
    }
    return false;
  }
  int Int() {
    const Token& t = Next();
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(t.text.c_str(), &end, 0);
    if (t.kind != Token::Word || *end || end == t.text.c_str() || errno || v < INT32_MIN ||
        v > INT32_MAX)
      Fail(t, "expected an integer, found '" + t.text + "'");
    return static_cast<int>(v);
  }
  double Dbl() {
    const Token& t = Next();
    char* end = nullptr;
    double v = std::strtod(t.text.c_str(), &end);
    if (t.kind != Token::Word || *end || end == t.text.c_str())
      Fail(t, "expected a number, found '" + t.text + "'");
    return v;
  }
  std::string Str() {
    const Token& t = Next();
    if (t.kind != Token::String) Fail(t, "expected a quoted string");
    return t.text;
  }
  template <class Item>
  void Group(const char* open, const char* close, Item item) {
    Expect(open);
    while (!Accept(close)) {
      if (Peek().kind == Token::End) Fail(Peek(), std::string("missing '") + close + "'");
      item();
    }
  }
  std::vector<double> Doubles() {
    std::vector<double> v;
    Group("[", "]", [&] { v.push_back(Dbl()); });
    return v;
  }
  std::vector<int> Ints() {
    std::vector<int> v;
    Group("[", "]", [&] { v.push_back(Int()); });
    return v;
  }
  std::vector<std::pair<int, double>> Pairs(const char* open, const char* close) {
    std::vector<std::pair<int, double>> v;
    Group(open, close, [&] {
      int i = Int();
      v.emplace_back(i, Dbl());
    });
    return v;
  }

  void ParseSolution(CaseFiles& files) {
    int status = Int(), nc = Int(), nr = Int();
    std::vector<double> x, y, z;
    if (Accept("x")) x = Doubles();
    if (Accept("y")) y = Doubles();
    if (Accept("z")) z = Doubles();
    files.sol = SolutionBytes(status, nc, nr, x, y, z);
  }

  std::string ParseRecord(const Token& t) {
    static const std::map<std::string, int> codes = {
        {"DOMCOL", DOMCOL}, {"DUPCOL", DUPCOL}, {"FIXCOL", FIXCOL}, {"NULCOL", NULCOL},
        {"LOWBND", LOWBND}, {"MATRIX", MATRIX}, {"MINBND", MINBND}, {"HEADER", HEADER},
        {"DBLROW", DBLROW}, {"DOMROW", DOMROW}, {"FORROW", FORROW}, {"NULROW", NULROW},
        {"DUPROW", DUPROW}, {"SGLROW", SGLROW}, {"COLMAP", COLMAP}, {"ROWMAP", ROWMAP}};
    // Fields of the plain records in file order: i int32, d double, L entry list.
    static const std::map<int, const char*> plain = {
        {DOMCOL, "iddL"},        {DUPCOL, "iiddddd"}, {FIXCOL, "iddL"},   {NULCOL, "idd"},
        {LOWBND, "id"},          {MINBND, "id"},      {DBLROW, "iiidddddididL"},
        {DOMROW, "iidddL"},      {NULROW, "i"},       {DUPROW, "iid"},    {SGLROW, "iidddL"}};
    Bytes b;
    if (t.text == "raw") {
      b.i32(Int());
      for (;;) {
        if (Accept("i")) b.i32(Int());
        else if (Accept("d")) b.f64(Dbl());
        else if (Accept("b")) b.byte(Int());
        else if (Accept("s")) b.s += Str();
        else break;
      }
      return b.s;
    }
    auto it = codes.find(t.text);
    if (it == codes.end()) Fail(t, "unknown record '" + t.text + "'");
    const int code = it->second;
    b.i32(code);
    if (auto p = plain.find(code); p != plain.end()) {
      for (const char* f = p->second; *f; ++f) {
        if (*f == 'i') b.i32(Int());
        else if (*f == 'd') b.f64(Dbl());
        else b.list(Pairs("{", "}"));
      }
      return b.s;
    }
    switch (code) {
      case HEADER: {
        std::string name = Str();
        Expect("rlo");
        auto rlo = Doubles();
        Expect("rup");
        auto rup = Doubles();
        Expect("rtype");
        std::string rtype = Str();
        Expect("clo");
        auto clo = Doubles();
        Expect("cup");
        auto cup = Doubles();
        b.i32(static_cast<int>(rlo.size()));
        b.i32(static_cast<int>(clo.size()));
        b.name(name);
        b.doubles(rlo);
        b.doubles(rup);
        b.s += rtype;
        b.doubles(clo);
        b.doubles(cup);
        break;
      }
      case MATRIX: {
        Expect("c");
        auto c = Doubles();
        std::vector<std::vector<std::pair<int, double>>> cols;
        while (Peek().kind == Token::Punct && Peek().text == "(") cols.push_back(Pairs("(", ")"));
        int nz = 0;
        for (const auto& col : cols) nz += static_cast<int>(col.size());
        b.i32(nz);
        b.i32(static_cast<int>(cols.size()));
        b.doubles(c);
        for (const auto& col : cols) {
          b.i32(static_cast<int>(col.size()));
          for (const auto& e : col) b.i32(e.first);
          for (const auto& e : col) b.f64(e.second);
        }
        break;
      }
      case COLMAP:
      case ROWMAP: {
        auto map = Ints();
        b.i32(static_cast<int>(map.size()));
        b.ints(map);
        break;
      }
      case FORROW: {
        b.i32(Int());
        for (;;) {
          const Token& tag = Next();
          if (tag.kind != Token::Word || tag.text.size() != 1)
            Fail(tag, "expected a one-letter tag, found '" + tag.text + "'");
          b.byte(tag.text[0]);
          if (tag.text == "e") break;
          b.i32(Int());
          b.f64(Dbl());
          b.f64(Dbl());
          b.f64(Dbl());
          b.list(Pairs("{", "}"));
        }
        break;
      }
      default:
        Fail(t, "record '" + t.text + "' has no case syntax");
    }
    return b.s;
  }

  std::vector<Token> toks_;
  std::size_t pos_ = 0;
  std::size_t payloadEnd0_ = std::string::npos;  // where the names go in record 0
};

}  // namespace

CaseFiles ParseCase(std::string_view text) { return Parser(text).Run(); }

void WriteCaseFiles(const CaseFiles& files, const std::string& dir) {
  const std::pair<const char*, const std::string*> parts[] = {
      {SOLFILE, &files.sol}, {STKFILE, &files.stk}, {BINFILE, &files.bin}};
  for (const auto& [name, bytes] : parts) {
    std::string path = dir + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) throw PostError(path + ": cannot write");
  }
}
