// The readable text "case" the three input files are built from: the
// tools, tests, benchmark and fuzz targets use it; the postsolver does not.
//
// Case text: tokens separated by blanks; '#' starts a comment; strings are
// quoted ("..." with \\, \", \n, \t and \xHH escapes); doubles are anything
// strtod reads (1.5, -0, 1e30, inf, -nan, 0x1p-3), so they round-trip exactly,
// and nan:0xHHHHHHHHHHHHHHHH, a NaN given by its 64 bits (sign and payload).
//
//   solution STATUS NC NR [x [..]] [y [..]] [z [..]] [tail "bytes"]
//                                 the arrays as given, then any bytes after them
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
//   gap N | gap "bytes"                N filler bytes (0xee), or the bytes given, after
//                                      the previous record (before the first: leading bytes)
//   names "row".. "column"..           the name section, after record 0's payload
//   stack [K..] [tail "bytes"]         the offset stack: K is the position in the listing
//                                      of record 0, 1, ..; tail: bytes before the count
//
// Records are listed in file order; without a stack order the listing order is
// the record order (record 0 first), and the offset stack is derived from it.
// Entry lists {..} get the end marker -1 written, or N when they end in
// "end N" (N < 0). MATRIX may start with "nz N" to write an entry count other
// than the entries listed. DBLROW's entry list may be left out (the replay
// reads it only when the row is binding). A FORROW tag may also be a one-byte
// string ("\x00").
#pragma once

#include <string>
#include <string_view>

#include "numfmt.h"
#include "replay.h"

namespace postsolve {

// The three files a case builds, in memory.
using CaseFiles = InputBuffers;


// Builds the three files from case text; a malformed case throws PostError
// naming the line.
CaseFiles ParseCase(std::string_view text);
// Writes dir/dravfile.{sol,stk,bin}.
void WriteCaseFiles(const CaseFiles& files, const std::string& dir);

}  // namespace postsolve
