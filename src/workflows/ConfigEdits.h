#pragma once
// Scripted edits of a configuration that was read: each names a value as
// the configuration listing labels it and gives it as the listing prints
// it. The edits go into the record, the page is built from it and the
// module's own check reads it back, exactly as if the operator had typed
// the values on the page, so a script meets the same refusals.

#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

class DeviceSession;
class ParamCodec;

// The labels of the configuration values of one system, in list order, as
// the listing prints them: the grid's two header rows joined, else the
// page's own caption.
QStringList configValueLabels(const ParamCodec &codec, int count);

class ConfigEdits {
public:
    struct Edit {
        QString label;
        QString value;
    };
    // "LABEL=VALUE"; false when there is no "=" or no label.
    static bool parse(const QString &item, Edit &edit);

    struct Outcome {
        bool ok = false;
        // The edit itself was wrong (an unknown label, a value that is no
        // number): the caller's mistake, nothing was checked.
        bool usage = false;
        QString text; // the refusal: the module's red text, or why the edit is wrong
    };
    // Into system `system` (0 or 1) of the session's configuration, after
    // the defaults when `defaults` is set; then the page's check, the
    // limits of each edited value's control (a list item that exists, a day
    // the date field can show, a number its field holds as typed: refused
    // as "LABEL=VALUE - допустимо ..." in the listing's units) and the
    // encoder's refusals ("Не совпадает:", a value out of range).
    static Outcome apply(DeviceSession &session, int system, bool defaults, const QList<Edit> &edits);
};

} // namespace pim
