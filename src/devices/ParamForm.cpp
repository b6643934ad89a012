#include "devices/ParamForm.h"

namespace pim {

ParamControl *ParamForm::find(QStringView name)
{
    for (auto &c : controls)
        if (c.name == name)
            return &c;
    return nullptr;
}

const ParamControl *ParamForm::find(QStringView name) const
{
    for (const auto &c : controls)
        if (c.name == name)
            return &c;
    return nullptr;
}

ParamControl &ParamForm::ensure(const QString &name, ParamControlKind kind)
{
    if (ParamControl *c = find(name)) {
        c->kind = kind;
        return *c;
    }
    ParamControl c;
    c.name = name;
    c.kind = kind;
    if (kind != ParamControlKind::Check)
        c.labelName = QLatin1Char('L') + name;
    controls.append(c);
    return controls.last();
}

bool ParamForm::setText(QStringView name, const QString &text)
{
    ParamControl *c = find(name);
    if (!c)
        return false;
    c->text = text;
    return true;
}

bool ParamForm::setChecked(QStringView name, bool checked)
{
    ParamControl *c = find(name);
    if (!c)
        return false;
    c->checked = checked;
    return true;
}

bool ParamForm::setIndex(QStringView name, int index)
{
    ParamControl *c = find(name);
    if (!c)
        return false;
    c->index = (index >= 0 && index < c->items.size()) ? index : -1;
    return true;
}

bool ParamForm::setDate(QStringView name, QDate date)
{
    ParamControl *c = find(name);
    if (!c)
        return false;
    c->date = date;
    return true;
}

QString ParamForm::text(QStringView name) const
{
    const ParamControl *c = find(name);
    return c ? c->text : QString();
}

bool ParamForm::checked(QStringView name) const
{
    const ParamControl *c = find(name);
    return c && c->checked;
}

int ParamForm::index(QStringView name) const
{
    const ParamControl *c = find(name);
    return c ? c->index : -1;
}

} // namespace pim
