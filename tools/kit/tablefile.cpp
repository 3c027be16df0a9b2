// The full solution as two plain tables, rows and columns, for numpy and pandas.

#include "kit.h"
#include "numfmt.h"
#include "postsolve/basis.h"

namespace postsolve::kit {

namespace {

void Table(std::ostream& out, const std::vector<std::string>& names, Values value, Values lower, Values upper,
           Values dual, const std::vector<BasisStatus>& basis, const ModelTerms& terms) {
  out << "name,value,lower,upper,dual,basis\n";
  std::string line;
  for (std::size_t k = 0; k < names.size(); ++k) {
    line = CsvField(names[k]);
    for (double v : {value[k], lower[k], upper[k], terms.Dual(dual[k])}) {
      line += ',';
      line += CaseDouble(v);
    }
    line += ',';
    line += BasisStatusWord(basis[k]);
    line += '\n';
    out << line;
  }
}

}  // namespace

void ExportTable(const Solution& s, const ModelTerms& terms, std::ostream& rows, std::ostream& cols) {
  const Basis basis = BasisOf(s);
  Table(rows, s.rowNames(), s.rowActivity(), s.rowLower(), s.rowUpper(), s.y(), basis.rows, terms);
  Table(cols, s.colNames(), s.x(), s.colLower(), s.colUpper(), s.z(), basis.cols, terms);
}

}  // namespace postsolve::kit
