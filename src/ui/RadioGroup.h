#pragma once
// A titled group of radio buttons chosen by position: the control kind
// whose value is the selected item's index (-1 = none).

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;

namespace pim::ui {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &name, const QString &title, const QStringList &items, int columns,
               QWidget *parent = nullptr);

    int itemIndex() const;
    // Selects an item and runs the click handler, as an operator's click
    // would; an index outside the items clears the selection.
    void setItemIndex(int index);
    int count() const { return m_items.size(); }
    // Shows or hides one item (a hidden item cannot be chosen).
    void setItemShown(int index, bool shown);
    bool itemShown(int index) const;
    QStringList items() const { return m_items; }

signals:
    void clicked(int index);

private:
    QStringList m_items;
    QButtonGroup *m_group;
};

} // namespace pim::ui
