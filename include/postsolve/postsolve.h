// The postsolver as a library: replay a presolve log over a reduced
// solution and get the full problem's solution as a value you own.
//
//   postsolve::Solution s = postsolve::Replay("run/");   // dravfile.sol, .stk, .bin
//   for (double v : s.x()) ...
//   postsolve::WriteReport(s, "run/");                   // run/NAME.rpt, as the program writes it
//
// Every failure throws postsolve::Error, whose what() is the line the
// postsolve program prints after "postsolve: ", e.g.
// "dravfile.bin: record 3 DUPCOL at offset 812: column index 40 out of range".
// Sign conventions: the problem is a minimisation, y are the row duals and
// z = c - A'y the dual slacks.
//
// The rest of the pipeline has its own headers: model.h (model files),
// presolve.h, solve.h (Clp), check.h (check and verify) and run.h (all of it).
//
// Needs C++17; link postsolve::postsolve (CMake) or `pkg-config postsolve`.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "postsolve/error.h"
#include "postsolve/logwriter.h"
#include "postsolve/version.h"

namespace postsolve {

// "MAJOR.MINOR.PATCH" of the library linked in (the macros in version.h give
// the headers' version).
const char* Version();

// The reduced problem's status as the solution file gives it.
enum class Status : int { Unsolved = -1, Optimal = 0, Infeasible = 1, Unbounded = 2, Difficulty = 3 };
// "unsolved", "optimal", "infeasible", "unbounded", "difficulty", or "unknown"
// for a code outside these, as the report spells them.
const char* StatusWord(int status);
const char* StatusWord(Status status);
constexpr int AsInt(Status status) { return static_cast<int>(status); }

// A read-only view of one of a Solution's arrays, valid as long as the
// Solution: no copy is made. vector() copies it out when one is wanted.
class Values {
 public:
  Values() = default;
  Values(const double* data, std::size_t size) noexcept : data_(data), size_(size) {}
  const double* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const double* begin() const noexcept { return data_; }
  const double* end() const noexcept { return data_ + size_; }
  double operator[](std::size_t i) const noexcept { return data_[i]; }
  std::vector<double> vector() const { return std::vector<double>(begin(), end()); }

 private:
  const double* data_ = nullptr;
  std::size_t size_ = 0;
};

// The full problem's solution after the replay. Movable, not copyable; the
// vectors live as long as the Solution and never change. A moved-from
// Solution may only be assigned to or destroyed. Replays on several threads
// at once are independent.
class Solution {
 public:
  Solution(Solution&&) noexcept;
  Solution& operator=(Solution&&) noexcept;
  ~Solution();

  const std::string& name() const;  // problem name, up to its first NUL
  int status() const;               // a Status code, or whatever the file held
  const char* statusWord() const;
  int rows() const;
  int cols() const;

  Values x() const;            // column values
  Values y() const;            // row duals
  Values z() const;            // dual slacks c - A'y, from the full matrix
  Values rowActivity() const;  // Ax, from the full matrix
  Values cost() const;         // c

  // Bounds as the report shows them: a side the row type leaves out, or a
  // column bound beyond +-9.99e29, is -inf / +inf.
  Values rowLower() const;
  Values rowUpper() const;
  Values colLower() const;
  Values colUpper() const;
  // The report's type of each row (EQ LE GE RG) and column (FR UP LO FX BO).
  const std::vector<std::string>& rowTypes() const;
  const std::vector<std::string>& colTypes() const;
  const std::vector<std::string>& rowNames() const;  // each up to its first NUL
  const std::vector<std::string>& colNames() const;

  double objective() const;  // c.x summed in column order
  // Degenerate data the replay met (the program's "warning:" lines, without
  // the prefix); the values are still what the data gives.
  const std::vector<std::string>& warnings() const;

  struct State;  // the replay's state, kept for WriteReport
  explicit Solution(std::unique_ptr<State> state);  // made by Replay

 private:
  friend std::string WriteReport(const Solution& solution, const std::string& dir);
  friend void InputsMoved(Solution& solution, const std::string& from, const std::string& to);
  std::unique_ptr<State> state_;
};

// Replays the three files dravfile.sol, dravfile.stk and dravfile.bin in
// `dir`. The record file is read through a bounded window, never whole.
Solution Replay(const std::string& dir);
// The same over the three files' bytes, which need live only for the call.
Solution Replay(std::string_view sol, std::string_view stk, std::string_view bin);

// Writes the report the program would write, as dir/NAME.rpt (dravfile.rpt
// for an empty name), atomically; returns its path. Not to be called on one
// Solution from two threads at once.
std::string WriteReport(const Solution& solution, const std::string& dir);

}  // namespace postsolve
