#include "ui/FocusOrder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QWidget>

void ChainTabOrder(const QList<QWidget*>& widgets) {
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets) {
    // Qt leaves a widget without focus out of setTabOrder, which would cut
    // the chain at a label.
    if (!widget || widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

// Without a group of their own, Qt groups the radio buttons that share a
// parent widget, searching nested boxes too: a chosen button inside a box
// then lets a click unchoose a button outside it, and the arrows cross the
// box's border. An exclusive QButtonGroup bounds all of that to its buttons.
QButtonGroup* MakeRadioGroup(QObject* owner, const QList<QAbstractButton*>& buttons) {
  auto* group = new QButtonGroup(owner);
  for (QAbstractButton* button : buttons) group->addButton(button);
  // Qt itself narrows Tab to one button only once a button of the group
  // had the focus, and then to that one, chosen or not; this keeps it on
  // the chosen one from the start, whoever chose it.
  const auto tabToChosen = [group] {
    const bool anyChosen = group->checkedButton() != nullptr;
    for (QAbstractButton* button : group->buttons()) {
      const int policy = button->focusPolicy();
      button->setFocusPolicy(Qt::FocusPolicy(button->isChecked() || !anyChosen ? policy | Qt::TabFocus
                                                                               : policy & ~Qt::TabFocus));
    }
  };
  QObject::connect(group, &QButtonGroup::buttonToggled, group, tabToChosen);
  tabToChosen();
  return group;
}
