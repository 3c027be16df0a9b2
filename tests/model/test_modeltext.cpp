// What both readers share: lines of plain and gzipped files, numbers, names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <random>

#include <zlib.h>

#include "harness.h"
#include "modeltext.h"
#include "postsolve/error.h"

namespace postsolve::modelfile {
namespace {

std::vector<std::string> Lines(const std::string& path) {
  LineSource source(path);
  std::vector<std::string> lines;
  std::string_view line;
  while (source.Next(line)) lines.emplace_back(line);
  return lines;
}

TEST(ModelLines, PlainAndGzippedFilesGiveTheSameLinesWhateverTheirEndings) {
  TempDir dir;
  const std::string text = "NAME x\r\n\nROWS\n" + std::string(3'000'000, 'a') + "\nlast";
  std::ofstream(dir.File("plain")) << text;
  gzFile gz = gzopen(dir.File("packed").c_str(), "wb");
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
  const std::vector<std::string> want = {"NAME x", "", "ROWS", std::string(3'000'000, 'a'), "last"};
  EXPECT_EQ(Lines(dir.File("plain")), want);
  EXPECT_EQ(Lines(dir.File("packed")), want);
  // Many lines across the blocks the file is read in, as the buffer grows
  // from its first small block and its unread part moves to the front.
  std::vector<std::string> many;
  std::string joined;
  for (int k = 0; k < 40'000; ++k) {
    many.push_back(std::to_string(k) + std::string(static_cast<std::size_t>(k % 293), 'x'));
    joined += many.back() + (k % 7 == 0 ? "\r\n" : "\n");
  }
  std::ofstream(dir.File("many")) << joined;
  EXPECT_EQ(Lines(dir.File("many")), many);
}

TEST(ModelLines, AFileThatGrowsAfterItIsOpenedIsReadToItsEnd) {
  // The buffer is sized by the length the file had when opened: lines
  // appended after that, some longer than the buffer, are read all the same.
  TempDir dir;
  std::ofstream(dir.File("growing")) << "first\nsecond\n";
  LineSource source(dir.File("growing"));
  std::vector<std::string> want = {"first", "second"};
  {
    std::ofstream more(dir.File("growing"), std::ios::app);
    for (int k = 0; k < 100'000; ++k) {
      want.push_back("line " + std::to_string(k) + std::string(k % 1000 == 0 ? 20'000 : 0, 'y'));
      more << want.back() << '\n';
    }
  }
  std::vector<std::string> lines;
  std::string_view line;
  while (source.Next(line)) lines.emplace_back(line);
  EXPECT_EQ(lines, want);
}

TEST(ModelLines, ABlockIsItsWholeLinesUpToItsSizeOrItsFirstLongerLine) {
  EXPECT_EQ(BlockOf("ab\ncd\nef\n", 6), "ab\ncd\n");
  EXPECT_EQ(BlockOf("ab\ncd\nef\n", 7), "ab\ncd\n");
  EXPECT_EQ(BlockOf("ab\ncd\nef\n", 100), "ab\ncd\nef\n");
  EXPECT_EQ(BlockOf("abcdef\ng\nh\n", 3), "abcdef\n");  // not the lines after it
  EXPECT_EQ(BlockOf("abc\nd\n", 0), "abc\n");
  EXPECT_EQ(BlockOf("", 10), "");
}

// The lines of `path` taken by Ahead and Take, a block's first `share` of
// its lines at a time, and by Next between blocks, as a reader mixes them.
std::vector<std::string> LinesAhead(const std::string& path, std::size_t share) {
  LineSource source(path);
  std::vector<std::string> lines;
  std::string_view line;
  for (;;) {
    const std::string_view text = source.Ahead();
    std::size_t bytes = 0;
    long taken = 0;
    for (std::size_t k = 0; k < share && bytes < text.size(); ++k, ++taken) {
      const std::size_t end = text.find('\n', bytes);
      std::string_view one = text.substr(bytes, end - bytes);
      if (one.ends_with('\r')) one.remove_suffix(1);
      lines.emplace_back(one);
      bytes = end + 1;
    }
    source.Take(bytes, taken);
    if (!source.Next(line)) return lines;
    lines.emplace_back(line);
  }
}

TEST(ModelLines, LinesTakenAheadAndOneByOneAreTheSameLines) {
  TempDir dir;
  std::vector<std::string> want;
  std::string text;
  for (int k = 0; k < 200'000; ++k) {
    want.push_back("line " + std::to_string(k) + std::string(static_cast<std::size_t>(k % 37), 'x'));
    text += want.back() + (k % 5 == 0 ? "\r\n" : "\n");
  }
  text += "last without an end";
  want.push_back("last without an end");
  std::ofstream(dir.File("plain")) << text;
  gzFile gz = gzopen(dir.File("packed").c_str(), "wb");
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
  for (const char* name : {"plain", "packed"})
    for (std::size_t share : {std::size_t{0}, std::size_t{1}, std::size_t{1000}, std::size_t{1} << 30}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(share));
      EXPECT_EQ(LinesAhead(dir.File(name), share), want);
    }
  // Cut short, the large gzipped file fails at the line it stops in, after
  // the whole lines before it, however they were taken.
  const std::string packed = dir.Read("packed");
  dir.Write("cut.gz", packed.substr(0, packed.size() * 3 / 5));
  gz = gzopen(dir.File("cut.gz").c_str(), "rb");
  long whole = 0;
  char chunk[1 << 16];
  for (int got; (got = gzread(gz, chunk, sizeof chunk)) > 0;) whole += std::count(chunk, chunk + got, '\n');
  gzclose(gz);
  const std::string reason =
      dir.File("cut.gz") + ":" + std::to_string(whole + 1) + ": cannot decompress: unexpected end of file";
  for (std::size_t share : {std::size_t{0}, std::size_t{1000}, std::size_t{1} << 30}) {
    try {
      LinesAhead(dir.File("cut.gz"), share);
      ADD_FAILURE() << share;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), reason) << share;
    }
  }
}

std::string Gzipped(const std::string& text) {
  TempDir dir;
  gzFile gz = gzopen(dir.File("t.gz").c_str(), "wb");
  gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
  gzclose(gz);
  return dir.Read("t.gz");
}

// As gzip reads them: members joined one after another are one text, bytes
// after the last member that start no other are ignored, and a member that
// is damaged or cut short fails at the line it stops in.
TEST(ModelLines, GzipMembersReadAsOneTextAndDamageFailsWhereItIs) {
  TempDir dir;
  std::string first, second;
  for (int k = 0; k < 30'000; ++k) (k < 20'000 ? first : second) += "line " + std::to_string(k) + "\n";
  const std::string one = Gzipped(first), two = Gzipped(second), empty = Gzipped("");
  std::vector<std::string> want;
  for (int k = 0; k < 30'000; ++k) want.push_back("line " + std::to_string(k));
  // Small and large (decompressed ahead on a thread of its own).
  for (const std::size_t copies : {std::size_t{1}, std::size_t{60}}) {
    SCOPED_TRACE(copies);
    std::string joined;
    std::vector<std::string> all;
    for (std::size_t c = 0; c < copies; ++c) {
      joined += one + empty + two;
      all.insert(all.end(), want.begin(), want.end());
    }
    dir.Write("joined.gz", joined);
    EXPECT_EQ(Lines(dir.File("joined.gz")), all);
    dir.Write("trailed.gz", joined + std::string("\0\0not gzip", 10));
    EXPECT_EQ(Lines(dir.File("trailed.gz")), all);
    // The data check of the last member is wrong: every line before it is read.
    std::string checked = joined;
    checked[checked.size() - 8] ^= 1;
    dir.Write("checked.gz", checked);
    try {
      LinesAhead(dir.File("checked.gz"), 1000);
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()),
                dir.File("checked.gz") + ":" + std::to_string(all.size() + 1) + ": cannot decompress: incorrect data check");
    }
    // Cut inside the second member's header: the first member's lines are read.
    dir.Write("cut.gz", one + two.substr(0, 5));
    try {
      Lines(dir.File("cut.gz"));
      ADD_FAILURE();
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), dir.File("cut.gz") + ":20001: cannot decompress: unexpected end of file");
    }
  }
}

TEST(ModelLines, FailuresNameTheFileTheLineAndTheSystemsReason) {
  TempDir dir;
  try {
    LineSource source(dir.File("missing.mps"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir.File("missing.mps") + ": cannot open: No such file or directory");
  }
  EXPECT_THROW(LineSource{dir.path()}, Error);
  const char damagedBytes[] = "\x1f\x8b\x08\x00garbage that is not deflate";
  const std::string damaged(damagedBytes, sizeof damagedBytes - 1);  // the literal holds a NUL
  std::ofstream(dir.File("bad.gz")) << damaged;
  std::ofstream(dir.File("cut.gz")) << damaged.substr(0, 3);
  try {
    Lines(dir.File("bad.gz"));
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir.File("bad.gz") + ":1: cannot decompress: invalid deflate block");
  }
  EXPECT_THROW(Lines(dir.File("cut.gz")), Error);
  std::ofstream(dir.File("two")) << "a\nb\n";
  LineSource source(dir.File("two"));
  std::string_view line;
  source.Next(line);
  source.Next(line);
  try {
    NumberOrFail(source, "nan", "the bound of column x");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), dir.File("two") + ":2: \"nan\" is NaN, not a number, for the bound of column x");
  }
}

TEST(ModelNumbers, FortranExponentsSignsInfinitiesAndRefusals) {
  const auto read = [](std::string_view text) {
    double v = -12345;
    return ParseNumber(text, v) ? v : std::nan("");
  };
  EXPECT_EQ(read("1.0D3"), 1000);
  EXPECT_EQ(read("1.0d-3"), 1e-3);
  EXPECT_EQ(read("+.5"), 0.5);
  EXPECT_EQ(read("-7."), -7);
  EXPECT_EQ(read("0.1"), 0.1);
  EXPECT_EQ(read("-Infinity"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(read("INF"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(read("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(read("-1e-400"), 0.0);
  EXPECT_TRUE(std::signbit(read("-1e-400")));
  for (std::string_view bad : {"", "+", ".", "e5", "1e", "1e+", "nan", "1.2.3", "1x", "0x10", "1 ", "--1", "1,5"})
    EXPECT_TRUE(std::isnan(read(bad))) << bad;
}

TEST(ModelNumbers, ShortAndLongDecimalsReadAsStrtodReadsThem) {
  std::mt19937_64 random(7);
  char text[64];
  for (int k = 0; k < 100000; ++k) {
    const double v = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 120);
    const char* format[] = {"%.17g", "%.15g", "%.6g", "%.3f", "%.12e", "%.1e"};
    std::snprintf(text, sizeof text, format[k % 6], v);
    double read = -1;
    ASSERT_TRUE(ParseNumber(text, read)) << text;
    ASSERT_EQ(read, std::strtod(text, nullptr)) << text;
  }
  // Up to eight bytes of digits and points, every place for the point:
  // read a word at a time, the same value; two points, refused.
  const char alphabet[] = "0123456789.";
  for (int k = 0; k < 200000; ++k) {
    std::string number(1 + random() % 8, '0');
    for (char& c : number) c = alphabet[random() % (k % 2 == 0 ? 10 : 11)];
    double read = -1;
    const std::size_t points = static_cast<std::size_t>(std::count(number.begin(), number.end(), '.'));
    if (points > 1 || number == ".") {
      ASSERT_FALSE(ParseNumber(number, read)) << number;
      continue;
    }
    ASSERT_TRUE(ParseNumber(number, read)) << number;
    ASSERT_EQ(read, std::strtod(number.c_str(), nullptr)) << number;
    ASSERT_TRUE(ParseNumber("-" + number, read)) << number;
    ASSERT_EQ(read, -std::strtod(number.c_str(), nullptr)) << number;
    ASSERT_TRUE(std::signbit(read)) << number;
  }
  for (const char* edge : {"9007199254740993", "123456789012345678", "0.000000000000000000001", "1e22", "1e23",
                           "4.9e-324", "000000000000000000000012.5", "1.5e-22", "9.999999999999999e22"}) {
    double read = -1;
    ASSERT_TRUE(ParseNumber(edge, read)) << edge;
    EXPECT_EQ(read, std::strtod(edge, nullptr)) << edge;
  }
}

TEST(ModelNames, IndicesSurviveTheNamesGrowingAndRepeatsAreTold) {
  std::vector<std::string> names;
  NameIndex index(names);
  for (int i = 0; i < 5000; ++i) {
    names.push_back("n" + std::to_string(i));
    ASSERT_EQ(index.Add(i), -1);
  }
  names.push_back("n42");
  EXPECT_EQ(index.Add(5000), 42);
  EXPECT_EQ(index.Find("n4999"), 4999);
  EXPECT_EQ(index.Find("n5000"), -1);
  // names alike in their first 8 bytes, or but for a NUL, are told apart
  std::vector<std::string> alike = {"headpart_1", "headpart_2", "headpart", std::string("head\0", 5), "head",
                                    std::string("\0", 1), "", std::string("headpar\0", 8), "headpar"};
  NameIndex alikeIndex(alike);
  for (int i = 0; i < 9; ++i) ASSERT_EQ(alikeIndex.Add(i), -1) << i;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(alikeIndex.Find(alike[static_cast<std::size_t>(i)]), i);
  EXPECT_EQ(alikeIndex.Find("headpart_3"), -1);
  EXPECT_EQ(alikeIndex.Find(std::string("headpart\0", 9)), -1);
  // a released table finds nothing and starts again
  alikeIndex.Release();
  EXPECT_EQ(alikeIndex.Find("head"), -1);
  EXPECT_EQ(alikeIndex.Add(4), -1);
  EXPECT_EQ(alikeIndex.Find("head"), 4);
  EXPECT_EQ(FileStem("dir/afiro.mps.gz"), "afiro");
  EXPECT_EQ(FileStem("plan.lp"), "plan");
}

TEST(ModelNames, NamesAreTheSameOnlyWhenEveryByteIs) {
  // Short names are compared a word at a time: a name that differs from
  // another in any one byte, at any length, is another name.
  for (std::size_t length = 0; length <= 12; ++length) {
    const std::string name = std::string("abcdefghijkl").substr(0, length);
    EXPECT_TRUE(SameName(name, std::string(name))) << length;
    EXPECT_FALSE(SameName(name, name + "m")) << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char other : {'\0', 'z'}) {
        std::string changed = name;
        changed[at] = other;
        EXPECT_FALSE(SameName(name, changed)) << length << " " << at;
      }
    }
  }
}

TEST(ModelNames, TheFirstRepeatIsFoundWithATableOrWithout) {
  std::vector<std::string> names;
  for (int i = 0; i < 200000; ++i) names.push_back("column_" + std::to_string(i));
  EXPECT_EQ(FirstRepeatedName(names), -1);
  names.push_back("column_7");        // 200000 repeats 7
  names.push_back("column_199999");   // 200001 repeats the last
  EXPECT_EQ(FirstRepeatedName(names), 200000);
  names[150000] = "column_3";         // now the first repeat
  EXPECT_EQ(FirstRepeatedName(names), 150000);
  EXPECT_EQ(NameIndex(names).AddAll(0), 150000);
  // alike but for a NUL, or empty: not repeats until one is
  std::vector<std::string> alike = {"head", std::string("head\0", 5), "", "x"};
  EXPECT_EQ(FirstRepeatedName(alike), -1);
  alike.push_back("");
  EXPECT_EQ(FirstRepeatedName(alike), 4);
  EXPECT_EQ(FirstRepeatedName({}), -1);
  // added in two batches, a repeat of the first found in the second
  std::vector<std::string> batches = {"a", "b", "c"};
  NameIndex index(batches);
  EXPECT_EQ(index.AddAll(0), -1);
  batches.insert(batches.end(), {"d", "b", "e"});
  EXPECT_EQ(index.AddAll(3), 4);
  EXPECT_EQ(index.Find("d"), 3);
  EXPECT_EQ(index.Find("e"), 5);
  EXPECT_EQ(index.Find("b"), 1);
}

TEST(ModelMatrix, RepeatedEntriesAreSummedAndZerosDropped) {
  Model m;
  m.rlo = m.rup = {0, 0, 0};
  m.clo = m.cup = m.cost = {0, 0};
  m.start = {0, 4, 6};
  m.index = {0, 2, 0, 1, 1, 1};
  m.value = {1, 2, 3, 0, 5, -5};
  EXPECT_EQ(MergeDuplicates(m), 2);
  EXPECT_EQ(m.start, (std::vector<int>{0, 2, 2}));
  EXPECT_EQ(m.index, (std::vector<int>{0, 2}));
  EXPECT_EQ(m.value, (std::vector<double>{4, 2}));
}

}  // namespace
}  // namespace postsolve::modelfile
