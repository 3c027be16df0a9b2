// MPS text read in a test: the model, or the message it is refused with.
#pragma once

#include <string>

#include "harness.h"
#include "postsolve/error.h"
#include "postsolve/model.h"
#include "readers.h"

namespace postsolve::modelfile {

inline Model Read(const TempDir& dir, const std::string& name, const std::string& text,
                  ModelFormat format = ModelFormat::Mps, const Reading& reading = kMpsReading) {
  dir.Write(name, text);
  return ReadMps(dir.File(name), format, reading);
}

// The message a file is refused with, its path left off.
inline std::string Refusal(const TempDir& dir, const std::string& text, ModelFormat format = ModelFormat::Mps,
                           const Reading& reading = kMpsReading) {
  try {
    Read(dir, "bad.mps", text, format, reading);
  } catch (const Error& e) {
    const std::string what = e.what(), path = dir.File("bad.mps");
    return what.starts_with(path) ? what.substr(path.size()) : what;
  }
  return "read";
}

inline bool HasNote(const Model& m, const std::string& text) {
  for (const std::string& note : m.notes)
    if (note.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace postsolve::modelfile
