#pragma once
// The configuration page as data: every field, check box, list and date
// field that the page shows, with its caption, text, label state and enabling.
// The codec builds it (ShowParam) and reads it back (CheckParam); the
// window only mirrors it into widgets and writes the operator's edits back
// through the setters, so every rule of the page is tested without widgets.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace pim {

enum class ParamControlKind { Edit, Check, List, Date };
// What a label says about its value beyond its words: a pulse weight's
// unit is also told by how the page marks its label (the window picks the
// colours).
enum class ParamLabelState { Plain, PulsesPerLitre, LitresPerPulse };

struct ParamControl {
    QString name;      // object name of the input control
    QString labelName; // object name of its label ("L" + name); empty for a check box
    ParamControlKind kind = ParamControlKind::Edit;
    QString label;     // label caption, or the caption of a check box
    QString unit;      // the unit suffix that ends `label` (" л/имп", " имп/л"), if any
    ParamLabelState labelState = ParamLabelState::Plain;
    QString hint;
    QString text;        // Edit
    QString editMask;    // Edit: an input mask in the line edit's syntax (the tariff starts)
    bool checked = false; // Check
    QStringList items;   // List
    int index = -1;      // List, -1 = nothing selected
    QDate date;          // Date (always in the current year)
    QString displayFormat; // Date: "с ddMMMM", "по ddMMMM"
    bool enabled = true;
    bool visible = true;
    int tag = 0; // weight fields: channel 1..4

    // What the last build put into the control, so that a check can tell a
    // value the operator left alone from one they typed.
    QString shownText;
    QDate shownDate;
};

class ParamForm {
public:
    QList<ParamControl> controls;

    void clear() { controls.clear(); }
    bool isEmpty() const { return controls.isEmpty(); }
    ParamControl *find(QStringView name);
    const ParamControl *find(QStringView name) const;
    // The control, added at the end when it does not exist yet.
    ParamControl &ensure(const QString &name, ParamControlKind kind);

    // Operator edits; false when there is no such control.
    bool setText(QStringView name, const QString &text);
    bool setChecked(QStringView name, bool checked);
    bool setIndex(QStringView name, int index);
    bool setDate(QStringView name, QDate date);

    QString text(QStringView name) const;
    bool checked(QStringView name) const;
    int index(QStringView name) const;
};

} // namespace pim
