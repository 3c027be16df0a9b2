// The model-file readers and writers behind ReadModel and WriteModel. Each
// reader returns a whole Model or throws Error "PATH:LINE: reason"; the rules
// they share (numbers, names, infinities, the matrix's duplicates) are in
// modeltext.h.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "postsolve/model.h"

namespace postsolve::modelfile {

// How a reader reads the data lines that make most of a large file (MPS
// data lines; LP objective terms, constraints and bounds): a block at a
// time (the first after a line or statement read on its own `firstBlock`
// bytes at most, the next `block`), each in parts on several threads; or
// (`ahead` false) a line or statement at a time, as the rest. Either way the
// model, or the failure, is the same: tests and fuzzing read files all three
// ways, in small blocks too.
struct Reading {
  bool ahead = true;
  std::size_t firstBlock = 0, block = 0;
};
// Each reader's own sizes.
inline constexpr Reading kMpsReading{true, std::size_t{1} << 16, std::size_t{1} << 18};
inline constexpr Reading kLpReading{true, std::size_t{1} << 14, std::size_t{1} << 18};

// MPS, fixed or free: `format` is ModelFormat::Mps to tell them apart from the
// file, FreeMps or FixedMps to say which.
Model ReadMps(const std::string& path, ModelFormat format, const Reading& reading = kMpsReading);
// LP format (the sections minimize/subject to/bounds/general/binary/end).
Model ReadLp(const std::string& path, const Reading& reading = kLpReading);
// Whether the LP reader reads `name` back as itself: as a column, or as a
// row's name before its ':' (which may also be a section word, e.g. "end",
// or start with a digit or a point).
bool LpNameWritable(std::string_view name, bool rowName);
// A problem name the LP writer puts in its "\ Problem name:" comment and the
// reader takes back: not empty, no line break or CR, no blank or control byte
// at either end.
bool LpProblemNameWritable(std::string_view name);

// The model as MPS text: fixed columns when every name fits them (and
// `fixed` asks for it), otherwise free. MpsText gives it whole; WriteMpsCards
// hands it to `put` a block at a time; WriteMpsFile writes it atomically.
using MpsSink = std::function<void(std::string_view block)>;
void WriteMpsCards(const Model& model, bool fixed, const MpsSink& put);
std::string MpsText(const Model& model, bool fixed);
void WriteMpsFile(const Model& model, bool fixed, const std::string& path);
// The model as LP-format text.
std::string LpText(const Model& model);

}  // namespace postsolve::modelfile
