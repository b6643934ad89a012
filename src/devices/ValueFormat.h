#pragma once
// The format of real values in lists and grids: "%f" (two decimals) at start,
// "%.Nf" once the operator has chosen a precision N. One setting of the
// running program that every module reads.

#include <QString>

namespace pim {

class ValueFormat {
public:
    static QString real();            // "%f" or "%.Nf"
    static void setPrecision(int n);  // builds "%.Nf" ("%s.%df" from "%" and N)
    static void reset();              // back to "%f"
    static QString text(double v);    // v through real()
};

} // namespace pim
