// The one failure path: thrown anywhere, printed by each program as
// "PROGRAM: <what>" on standard error, exit status 1.
#pragma once

#include "postsolve/error.h"

namespace postsolve {

// The library's public Error, so that a caller catches every failure as one type.
class PostError : public Error {
 public:
  using Error::Error;
};

}  // namespace postsolve
