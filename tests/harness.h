// Shared test helpers: scratch directories, running the real executable,
// and replaying single records in-process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "casefile.h"
#include "postdata.h"

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string Read(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  bool Exists(const std::string& name) const;
  std::vector<std::string> List() const;  // sorted entry names

 private:
  std::string path_;
};

struct RunResult {
  int status = -1;
  std::string out, err;
};

// Runs the postsolve executable in `dir`; `fsizeLimit` > 0 caps the size of
// files it may write (writes beyond fail as on a full disk).
RunResult RunPostsolve(const std::string& dir, long fsizeLimit = 0);
// Writes the case's three files into dir and runs postsolve there.
RunResult RunCase(const TempDir& dir, std::string_view caseText);

std::string ReadFile(const std::string& path);
// The elapsed-time line with its figure replaced by 0.00.
std::string MaskTime(std::string log);
int CountLines(const std::string& text);

// The standard output of a run that failed: the banner alone.
extern const char* const kBanner;

// A state with COLMAP and ROWMAP replayed: ncols columns, rows of the given
// types, all values zero.
PostData Space(int ncols, const std::string& rtypes);
// Replays one record written in case syntax (e.g. "NULROW 2") on pd.
void Apply(PostData& pd, std::string_view record);
