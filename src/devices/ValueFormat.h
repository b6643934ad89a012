#pragma once
// The format of real values in lists and grids: "%f" (two decimals) at start,
// "%.Nf" once the operator has chosen a precision N. A view setting of one
// device session; the codecs of that session read it.

#include <QString>

namespace pim {

class ValueFormat {
public:
    QString real() const { return m_real; } // "%f" or "%.Nf"
    void setPrecision(int n);               // builds "%.Nf" ("%s.%df" from "%" and N)
    void reset();                           // back to "%f"
    QString text(double v) const;           // v through real()
    void append(QString &out, double v) const; // the same text appended

private:
    QString m_real = QStringLiteral("%f");
    int m_precision = -1; // N of m_real; -1 for "%f"

};

// "%f": the format of a codec that belongs to no session.
const ValueFormat &defaultValueFormat();

} // namespace pim
