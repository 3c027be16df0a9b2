// LP-format text (to come).
#include "failure.h"
#include "readers.h"

namespace postsolve::modelfile {

std::string LpText(const Model& model) { throw PostError(model.path + ": LP format is not written yet"); }

}  // namespace postsolve::modelfile
