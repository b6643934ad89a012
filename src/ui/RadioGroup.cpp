#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace pim::ui {

RadioGroup::RadioGroup(const QString &name, const QString &title, const QStringList &items, int columns,
                       QWidget *parent)
    : QGroupBox(title, parent), m_items(items), m_group(new QButtonGroup(this))
{
    setObjectName(name);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setSpacing(2);
    const int cols = qMax(1, columns);
    const int rows = (int(items.size()) + cols - 1) / cols;
    for (int i = 0; i < items.size(); ++i) {
        // The items are not controls of their own: they carry no object
        // name, so the settings see only the group's index.
        auto *b = new QRadioButton(items[i], this);
        m_group->addButton(b, i);
        grid->addWidget(b, i % qMax(1, rows), i / qMax(1, rows));
    }
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

void RadioGroup::setItemShown(int index, bool shown)
{
    if (QAbstractButton *b = m_group->button(index))
        b->setVisible(shown);
}

bool RadioGroup::itemShown(int index) const
{
    const QAbstractButton *b = m_group->button(index);
    return b && !b->isHidden();
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < m_items.size()) {
        m_group->button(index)->setChecked(true);
    } else if (auto *b = m_group->checkedButton()) {
        m_group->setExclusive(false);
        b->setChecked(false);
        m_group->setExclusive(true);
    }
    emit clicked(itemIndex());
}

} // namespace pim::ui
