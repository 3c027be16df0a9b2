// A row's type byte in the log from its kind: E, L, G; a range, or a free row
// with both sides at the log's infinity, is R. The presolver writes it; verify
// shows a model's row through it as the report would.
#pragma once

#include "postsolve/model.h"

namespace postsolve {

inline char LogRowType(RowKind kind) {
  switch (kind) {
    case RowKind::Equal: return 'E';
    case RowKind::Upper: return 'L';
    case RowKind::Lower: return 'G';
    default: return 'R';
  }
}

}  // namespace postsolve
