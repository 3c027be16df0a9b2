// The library's one exception type.
#pragma once

#include <stdexcept>

namespace postsolve {

// Every failure of the library: what() is the line the postsolve program
// prints after "postsolve: ", naming the file, the record where there is one,
// and the reason.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace postsolve
