// Two models the same bit for bit: what writing a model and reading it back
// must leave, whichever format carried it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "postsolve/model.h"

namespace postsolve::modelfile {

inline bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

inline void ExpectSameModel(const Model& back, const Model& m, const std::string& what) {
  EXPECT_EQ(back.name, m.name) << what;
  EXPECT_EQ(back.maximise, m.maximise) << what;
  EXPECT_TRUE(SameBits({back.objOffset}, {m.objOffset})) << what;
  EXPECT_EQ(back.rowNames, m.rowNames) << what;
  EXPECT_EQ(back.colNames, m.colNames) << what;
  EXPECT_TRUE(SameBits(back.rlo, m.rlo) && SameBits(back.rup, m.rup)) << what;
  EXPECT_TRUE(SameBits(back.clo, m.clo) && SameBits(back.cup, m.cup)) << what;
  EXPECT_TRUE(SameBits(back.cost, m.cost)) << what;
  EXPECT_EQ(back.start, m.start) << what;
  EXPECT_EQ(back.index, m.index) << what;
  EXPECT_TRUE(SameBits(back.value, m.value)) << what;
}

}  // namespace postsolve::modelfile
