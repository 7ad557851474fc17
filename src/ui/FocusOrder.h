#pragma once

#include <QList>

class QAbstractButton;
class QButtonGroup;
class QObject;
class QWidget;

// Makes Tab go from each widget of the list to the next, in one window.
// Null entries and widgets that take no focus are passed over.
void ChainTabOrder(const QList<QWidget*>& widgets);

// Makes `buttons` a radio group of their own, owned by `owner`: clicking the
// chosen button keeps it chosen, the arrow keys move the choice among these
// buttons only, and Tab stops at the group once, on its chosen button.
QButtonGroup* MakeRadioGroup(QObject* owner, const QList<QAbstractButton*>& buttons);
