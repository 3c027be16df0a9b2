#include "casefile.h"

#include "outfile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>


namespace postsolve {


namespace {

// A token's text views the case text, or for a string with escapes its
// decoded bytes, which the token list keeps.
struct Token {
  enum Kind { Word, String, Punct, End } kind;
  std::string_view text;
  int line;
};

struct TokenList {
  std::vector<Token> tokens;
  std::deque<std::string> decoded;  // never moves what it holds
};

// The bytes that end a word: blanks, a comment, punctuation, a string.
constexpr auto kEndsWord = [] {
  std::array<bool, 256> ends{};
  for (unsigned char ch : std::string_view(" \t\r\n#[]{}()\"")) ends[ch] = true;
  return ends;
}();

TokenList Tokenize(std::string_view t) {
  TokenList out;
  int line = 1;
  std::size_t i = 0;
  auto fail = [&](const std::string& why) {
    throw PostError("case line " + std::to_string(line) + ": " + why);
  };
  auto add = [&](Token::Kind kind, std::string_view text) { out.tokens.push_back({kind, text, line}); };
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
      add(Token::Punct, t.substr(i, 1));
      ++i;
    } else if (ch == '"') {
      const std::size_t start = ++i;
      while (i < t.size() && t[i] != '"' && t[i] != '\\' && t[i] != '\n') ++i;
      if (i < t.size() && t[i] == '"') {  // no escapes: the text itself
        add(Token::String, t.substr(start, i - start));
        ++i;
        continue;
      }
      std::string s(t.substr(start, i - start));
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
        else if (e == '"' || e == '\\') s.push_back(e);
        else if (e == 'x') {
          // Exactly two hex digits: no sign, no blank, no shorter form.
          auto hexDigit = [&](std::size_t at) {
            return at < t.size() && std::isxdigit(static_cast<unsigned char>(t[at]));
          };
          if (!hexDigit(i) || !hexDigit(i + 1)) fail("bad \\x escape: two hex digits wanted");
          unsigned v = 0;
          std::from_chars(t.data() + i, t.data() + i + 2, v, 16);
          s.push_back(static_cast<char>(v));
          i += 2;
        } else {
          fail("unknown escape: backslash before " + CaseString(std::string(1, e)));
        }
      }
      add(Token::String, out.decoded.emplace_back(std::move(s)));
    } else {
      std::size_t j = i;
      while (j < t.size() && !kEndsWord[static_cast<unsigned char>(t[j])]) ++j;
      add(Token::Word, t.substr(i, j - i));
      i = j;
    }
  }
  add(Token::End, "");
  return out;
}

// A token as a message shows it, on one line and safe for a terminal: in
// single quotes when it is printable, else as a case string with escapes.
std::string Shown(const Token& t) {
  const bool printable = std::all_of(t.text.begin(), t.text.end(), [](char ch) {
    return static_cast<unsigned char>(ch) >= 0x20 && static_cast<unsigned char>(ch) < 0x7f;
  });
  if (!printable) return CaseString(t.text);
  std::string quoted(1, '\'');
  return quoted.append(t.text).append(1, '\'');
}

class Parser {
 public:
  explicit Parser(std::string_view text) : list_(Tokenize(text)) {}

  CaseFiles Run() {
    CaseFiles files;
    Expect("solution");
    ParseSolution(files);
    std::vector<std::string> records;
    std::vector<std::size_t> payloadEnd;  // where each record's payload ends
    std::string lead, names, stackTail;
    std::vector<int> order;  // stack position -> listing position; empty: listing order
    bool haveNames = false, haveOrder = false;
    Token orderTok{Token::End, "", 0};
    while (Peek().kind != Token::End) {
      const Token& t = Next();
      if (t.kind != Token::Word) Fail(t, "expected a record name, found " + Shown(t));
      if (t.text == "names") {
        ByteWriter b;
        while (Peek().kind == Token::String) b.name(Next().text);
        names += b.s;
        haveNames = true;
      } else if (t.text == "gap") {
        std::string& to = records.empty() ? lead : records.back();
        if (Peek().kind == Token::String) to += Str();
        else to.append(GapLength(), '\xee');
      } else if (t.text == "stack") {
        orderTok = t;
        if (Peek().kind == Token::Punct && Peek().text == "[") {
          order = Ints();
          haveOrder = true;
        }
        if (Accept("tail")) stackTail += Str();
      } else {
        records.push_back(ParseRecord(t));
        payloadEnd.push_back(records.back().size());
      }
    }
    if (haveNames && records.empty()) Fail(Peek(), "names without a record to follow");
    if (haveOrder) {
      std::vector<bool> seen(records.size());
      for (int k : order) {
        if (k < 0 || static_cast<std::size_t>(k) >= records.size() || seen[static_cast<std::size_t>(k)])
          Fail(orderTok, "the stack order is not a permutation of the " +
                             std::to_string(records.size()) + " records");
        seen[static_cast<std::size_t>(k)] = true;
      }
      if (order.size() != records.size())
        Fail(orderTok, "the stack order lists " + std::to_string(order.size()) + " of " +
                           std::to_string(records.size()) + " records");
    } else {
      for (std::size_t k = 0; k < records.size(); ++k) order.push_back(static_cast<int>(k));
    }
    if (haveNames) {
      const auto first = static_cast<std::size_t>(order[0]);
      records[first].insert(payloadEnd[first], names);
    }
    std::vector<int> start;
    files.bin = lead;
    for (const std::string& r : records) {
      start.push_back(static_cast<int>(files.bin.size()));
      files.bin += r;
    }
    std::vector<int> offsets;
    for (int k : order) offsets.push_back(start[static_cast<std::size_t>(k)]);
    files.stk = StackBytes(offsets);
    files.stk.insert(files.stk.size() - 4, stackTail);
    return files;
  }

 private:
  [[noreturn]] static void Fail(const Token& t, const std::string& why) {
    throw PostError("case line " + std::to_string(t.line) + ": " + why);
  }
  const Token& Peek() const { return list_.tokens[pos_]; }
  const Token& Next() {
    const Token& t = list_.tokens[pos_];
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
  // An int32: an optional minus, then decimal digits without a leading zero
  // (no octal), or 0x and hex digits.
  int Int() {
    const Token& t = Next();
    const std::string_view text = t.text;
    const bool minus = text.starts_with('-');
    std::string_view digits = text.substr(minus ? 1 : 0);
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
      digits.remove_prefix(2);
      base = 16;
    }
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (minus) v = -v;
    const bool plain = !digits.empty() && std::isxdigit(static_cast<unsigned char>(digits[0])) &&
                       !(base == 10 && digits.size() > 1 && digits[0] == '0');
    if (t.kind != Token::Word || !plain || ec != std::errc() || end != digits.data() + digits.size() ||
        v < INT32_MIN || v > INT32_MAX)
      Fail(t, "expected an integer, found " + Shown(t));
    return static_cast<int>(v);
  }
  int Byte() {
    const Token& t = Peek();
    const int v = Int();
    if (v < 0 || v > 255) Fail(t, "a byte value is 0 to 255, found " + Shown(t));
    return v;
  }
  // Case files describe test inputs: a gap beyond this is a typing error.
  static constexpr int kMaxGap = 1 << 24;
  std::size_t GapLength() {
    const Token& t = Peek();
    const int n = Int();
    if (n < 0 || n > kMaxGap)
      Fail(t, "a gap is 0 to " + std::to_string(kMaxGap) + " bytes, found " + Shown(t));
    return static_cast<std::size_t>(n);
  }
  double Dbl() {
    const Token& t = Next();
    double v = 0;
    if (t.kind != Token::Word || !ReadCaseDouble(t.text, v))
      Fail(t, "expected a number, found " + Shown(t));
    return v;
  }
  std::string Str() {
    const Token& t = Next();
    if (t.kind != Token::String) Fail(t, "expected a quoted string");
    return std::string(t.text);
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

  // An entry list: {index value .. [end N]}, written with its end marker.
  void List(ByteWriter& b) {
    int marker = -1;
    Group("{", "}", [&] {
      if (Accept("end")) {
        const Token& t = Peek();
        marker = Int();
        if (marker >= 0) Fail(t, "an end marker must be negative");
        if (Peek().text != "}" || Peek().kind != Token::Punct) Fail(Peek(), "expected '}' after the end marker");
        return;
      }
      b.i32(Int());
      b.f64(Dbl());
    });
    b.i32(marker);
  }

  void ParseSolution(CaseFiles& files) {
    int status = Int(), nc = Int(), nr = Int();
    std::vector<double> x, y, z;
    if (Accept("x")) x = Doubles();
    if (Accept("y")) y = Doubles();
    if (Accept("z")) z = Doubles();
    files.sol = SolutionBytes(status, nc, nr, x, y, z);
    if (Accept("tail")) files.sol += Str();
  }

  // Reads one payload field by field through its description.
  struct FieldParser {
    Parser& p;
    ByteWriter& b;
    void Int(int&) { b.i32(p.Int()); }
    void Col(int&) { b.i32(p.Int()); }
    void Row(int&) { b.i32(p.Int()); }
    void Real(double&) { b.f64(p.Dbl()); }
    void Entries(EntryList&) { p.List(b); }
    void OptionalEntries(EntryList&) {  // may be left out
      if (p.Peek().kind == Token::Punct && p.Peek().text == "{") p.List(b);
    }
  };
  template <class Payload>
  void Fields(ByteWriter& b) {
    Payload payload;
    FieldParser v{*this, b};
    payload.Fields(v);
  }

  std::string ParseRecord(const Token& t) {
    ByteWriter b;
    if (t.text == "raw") {
      Raw(b);
      return b.s;
    }
    int code = 0;
    while (code < NCODES && CodeName(code) != t.text) ++code;
    if (code == NCODES) Fail(t, "unknown record " + Shown(t));
    b.i32(code);
    const bool plain = WithPlainPayload(code, [&]<class Payload>(Payload) { Fields<Payload>(b); });
    if (plain) return b.s;
    switch (static_cast<RecordCode>(code)) {
      using enum RecordCode;
      case HEADER: Header(b); break;
      case MATRIX: Matrix(b); break;
      case COLMAP:
      case ROWMAP: WriteMapPayload(b, Ints()); break;
      case FORROW: ForRow(b); break;
      default: Fail(t, "record " + Shown(t) + " has no case syntax");
    }
    return b.s;
  }

  // raw CODE [i INT | d DOUBLE | b BYTE | s "bytes"]..
  void Raw(ByteWriter& b) {
    b.i32(Int());
    for (;;) {
      if (Accept("i")) b.i32(Int());
      else if (Accept("d")) b.f64(Dbl());
      else if (Accept("b")) b.byte(Byte());
      else if (Accept("s")) b.s += Str();
      else break;
    }
  }

  void Header(ByteWriter& b) {
    const std::string name = Str();
    std::vector<double> reals[std::size(kHeaderArrays)];
    std::string rtype;
    for (std::size_t a = 0; a < std::size(kHeaderArrays); ++a) {
      Expect(kHeaderArrays[a].label);
      if (kHeaderArrays[a].bytes) rtype = Str();
      else reals[a] = Doubles();
    }
    static_assert(kHeaderArrays[2].bytes && !kHeaderArrays[3].perRow);  // rlo rup rtype clo cup
    WriteHeaderPayload(b, name, reals[0], reals[1], rtype, reals[3], reals[4]);
  }

  void Matrix(ByteWriter& b) {
    bool haveNz = Accept("nz");
    int nzGiven = haveNz ? Int() : 0;
    Expect("c");
    auto c = Doubles();
    std::vector<std::vector<std::pair<int, double>>> cols;
    while (Peek().kind == Token::Punct && Peek().text == "(") cols.push_back(Pairs("(", ")"));
    const CompressedColumns m = Compress(cols);
    WriteMatrixPayload(b, haveNz ? nzGiven : static_cast<int>(m.index.size()), c, m.start, m.index, m.value);
  }

  void ForRow(ByteWriter& b) {
    Fields<ForRowHead>(b);
    for (;;) {
      const Token& tag = Next();
      if (tag.kind == Token::Punct || tag.text.size() != 1)
        Fail(tag, "expected a one-letter tag, found " + Shown(tag));
      b.byte(tag.text[0]);
      if (tag.text[0] == kForRowEnd) break;
      Fields<ForRowItem>(b);
    }
  }

  TokenList list_;
  std::size_t pos_ = 0;
};

}  // namespace

CaseFiles ParseCase(std::string_view text) { return Parser(text).Run(); }

void WriteCaseFiles(const CaseFiles& files, const std::string& dir) {
  WriteInputFiles(files.sol, files.stk, files.bin, dir);
}

}  // namespace postsolve
