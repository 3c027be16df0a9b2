// The inverse of the reader: writes the three input files, and builds them
// from a readable text "case".
//
// Case text: tokens separated by blanks; '#' starts a comment; strings are
// quoted ("..." with \\, \", \n, \t and \xHH escapes); doubles are anything
// strtod reads (1.5, -0, 1e30, inf, -nan, 0x1p-3), so they round-trip exactly.
//
//   solution STATUS NC NR [x [..]] [y [..]] [z [..]]     the arrays as given
//   HEADER "name" rlo [..] rup [..] rtype "ELGR" clo [..] cup [..]
//   MATRIX c [..] (row val row val ..) (..) ..          one group per column
//   COLMAP [map..]                ROWMAP [map..]
//   DOMCOL j xval cj {row coef ..}     FIXCOL j xval cj {..}
//   DUPCOL k j alpha lok upk loj upj   NULCOL j xval zval
//   LOWBND j l                         MINBND j u
//   DBLROW r j k b aj ak cj ck flo lo fup up {row coef ..}
//   DOMROW r j b a cj {col coef ..}    SGLROW r j xval a cj {row coef ..}
//   FORROW r TAG j xval a cj {..} TAG ... e      TAG: l, u (any byte but e)
//   NULROW r                           DUPROW r s v
//   raw CODE [i INT | d DOUBLE | b BYTE | s "bytes"]..   any record, item by item
//   gap N                              N filler bytes after the previous record
//   names "row".. "column"..           the name section, after record 0
//
// Records are listed in file order (record 0 first); the offset stack is
// derived from them. Entry lists get their negative end marker written.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Little-endian byte writer.
struct Bytes {
  std::string s;
  void i32(int v);
  void f64(double v);
  void byte(int v) { s.push_back(static_cast<char>(v)); }
  void ints(const std::vector<int>& v) { for (int e : v) i32(e); }
  void doubles(const std::vector<double>& v) { for (double e : v) f64(e); }
  void list(const std::vector<std::pair<int, double>>& entries);  // with end marker -1
  void name(std::string_view text);  // int32 length, then the bytes
};

struct CaseFiles {
  std::string sol, stk, bin;
};

// Solution file: status, nc, nr, then whatever arrays are given.
std::string SolutionBytes(int status, int nc, int nr, const std::vector<double>& x,
                          const std::vector<double>& y, const std::vector<double>& z);
// Offset stack: the offsets, then their count.
std::string StackBytes(const std::vector<int>& offsets);

// Builds the three files from case text; a malformed case throws PostError
// naming the line.
CaseFiles ParseCase(std::string_view text);
// Writes dir/dravfile.{sol,stk,bin}.
void WriteCaseFiles(const CaseFiles& files, const std::string& dir);
