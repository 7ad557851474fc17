#include "ui/frames/TModeFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "pages/RowTexts.h"
#include "ui/FocusOrder.h"
#include "ui/Icons.h"
#include "ui/frames/GridSetup.h"
#include "ui/frames/Utf8ByteLimit.h"
#include "ui/models/RepliesModel.h"

namespace {

QToolBar* MakeToolBar(QWidget* parent) {
  auto* bar = new QToolBar(parent);
  bar->setOrientation(Qt::Vertical);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setIconSize(QSize(16, 16));
  bar->setMovable(false);
  // A tool bar allowed to shrink below its buttons folds them behind an
  // extension button; this one makes its pane keep room for all of them.
  bar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
  return bar;
}

// A tool button shows only its picture; its text is the tooltip.
QAction* AddToolButton(QToolBar* bar, int image, const QString& hint) {
  QAction* action = bar->addAction(ResultIcon(image), hint);
  action->setToolTip(hint);
  return action;
}

}  // namespace

QLineEdit* MakeEdit(int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(maxLength);
  return edit;
}

QLineEdit* MakeTextEdit(int utf8Bytes, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  LimitUtf8Bytes(edit, utf8Bytes);
  return edit;
}

TModeFrame::TModeFrame(const QString& resultCaption, bool withIpList, QWidget* parent) : QWidget(parent) {
  GroupBoxParam = new QGroupBox(this);
  RadioButtonRetries = new QRadioButton(QStringLiteral("Retries:"), GroupBoxParam);
  RadioButtonRetries->setChecked(true);
  EditRetries = MakeEdit(6, GroupBoxParam);
  RadioButtonMinutes = new QRadioButton(QStringLiteral("Retries, minutes:"), GroupBoxParam);
  EditMinutes = MakeEdit(6, GroupBoxParam);
  MakeRadioGroup(GroupBoxParam, {RadioButtonRetries, RadioButtonMinutes});
  EditTimeOut = MakeEdit(5, GroupBoxParam);
  EditDelay = MakeEdit(9, GroupBoxParam);
  EditBytes = MakeEdit(5, GroupBoxParam);
  CheckBoxResolveHostName = new QCheckBox(QStringLiteral("Resolve host names"), GroupBoxParam);
  CheckBoxShowReplys = new QCheckBox(QStringLiteral("Show replies"), GroupBoxParam);
  BitBtnStart = new QPushButton(QStringLiteral("Start"), GroupBoxParam);
  BitBtnStop = new QPushButton(QStringLiteral("Stop"), GroupBoxParam);
  BitBtnStop->setEnabled(false);
  BitBtnTasks = new QPushButton(QStringLiteral("Auto tasks"), GroupBoxParam);

  SplitterResult = new QSplitter(Qt::Vertical, this);
  SplitterResult->setChildrenCollapsible(false);
  GroupBoxResult = new QGroupBox(resultCaption, SplitterResult);
  ToolBar1 = MakeToolBar(GroupBoxResult);
  ToolButton5 = AddToolButton(ToolBar1, ImageFolder, QStringLiteral("Open result folder"));
  ToolButton1 = AddToolButton(ToolBar1, ImageSave, QStringLiteral("Save result"));
  ToolButton2 = AddToolButton(ToolBar1, ImageSave, QStringLiteral("Save result with replies"));
  if (withIpList) ToolButton6 = AddToolButton(ToolBar1, ImageSave, QStringLiteral("Save IP list"));
  ToolButton3 = AddToolButton(ToolBar1, ImageClear, QStringLiteral("Clear result"));

  GroupBoxReplys = new QGroupBox(QStringLiteral("Replies"), SplitterResult);
  ToolBar2 = MakeToolBar(GroupBoxReplys);
  ToolButton4 =
      AddToolButton(ToolBar2, ImageSave, QStringLiteral("Save result with replies for selected host"));
  Replies = new RepliesModel(this);
  VirtualStringTree2 = new QTreeView(GroupBoxReplys);
  SetUpGrid(VirtualStringTree2, Replies, {80, 130, 95, 100, 60, 60, 65});
  auto* repliesLayout = new QHBoxLayout(GroupBoxReplys);
  repliesLayout->addWidget(ToolBar2, 0, Qt::AlignTop);
  repliesLayout->addWidget(VirtualStringTree2, 1);

  SplitterResult->addWidget(GroupBoxResult);
  SplitterResult->addWidget(GroupBoxReplys);
  // Growing the window gives the room to the replies, so the result pane keeps its height.
  SplitterResult->setStretchFactor(0, 0);
  SplitterResult->setStretchFactor(1, 1);
  SplitterResult->installEventFilter(this);
  connect(SplitterResult, &QSplitter::splitterMoved, this,
          [this] { resultPaneHeight_ = SplitterResult->sizes().constFirst(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(GroupBoxParam);
  layout->addWidget(SplitterResult, 1);
}

TModeFrame::~TModeFrame() = default;

void TModeFrame::LayOutParams(const QList<QWidget*>& targetRow, const QString& extraLabel,
                              QLineEdit* extraEdit, const QList<QCheckBox*>& checks) {
  auto* grid = new QGridLayout(GroupBoxParam);
  auto* target = new QHBoxLayout;
  for (QWidget* w : targetRow) target->addWidget(w, qobject_cast<QLineEdit*>(w) ? 1 : 0);
  grid->addLayout(target, 0, 0, 1, 6);

  auto label = [this](const QString& text) { return new QLabel(text, GroupBoxParam); };
  grid->addWidget(RadioButtonRetries, 1, 0);
  grid->addWidget(EditRetries, 1, 1);
  grid->addWidget(label(QStringLiteral("Timeout, ms:")), 1, 2);
  grid->addWidget(EditTimeOut, 1, 3);
  grid->addWidget(label(QStringLiteral("Bytes:")), 1, 4);
  grid->addWidget(EditBytes, 1, 5);
  grid->addWidget(RadioButtonMinutes, 2, 0);
  grid->addWidget(EditMinutes, 2, 1);
  grid->addWidget(label(QStringLiteral("Delay of retries, ms:")), 2, 2);
  grid->addWidget(EditDelay, 2, 3);
  if (extraEdit) {
    grid->addWidget(label(extraLabel), 2, 4);
    grid->addWidget(extraEdit, 2, 5);
  }
  for (QLineEdit* edit : {EditRetries, EditMinutes, EditTimeOut, EditDelay, EditBytes, extraEdit})
    if (edit) edit->setMaximumWidth(90);

  auto* boxes = new QHBoxLayout;
  for (QCheckBox* box : checks) boxes->addWidget(box);
  boxes->addStretch(1);
  grid->addLayout(boxes, 3, 0, 1, 6);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtnStart);
  buttons->addWidget(BitBtnStop);
  buttons->addWidget(BitBtnTasks);
  buttons->addStretch(1);
  grid->addLayout(buttons, 4, 0, 1, 6);
  grid->setColumnStretch(6, 1);

  // Row by row, as the grid above places them.
  tabStops_ = targetRow;
  tabStops_ << RadioButtonRetries << EditRetries << EditTimeOut << EditBytes << RadioButtonMinutes
            << EditMinutes << EditDelay << extraEdit;
  for (QCheckBox* box : checks) tabStops_ << box;
  tabStops_ << BitBtnStart << BitBtnStop << BitBtnTasks;
}

void TModeFrame::PlaceHostView(QTreeView* view) {
  auto* layout = new QHBoxLayout(GroupBoxResult);
  layout->addWidget(ToolBar1, 0, Qt::AlignTop);
  layout->addWidget(view, 1);
  tabStops_ << view << VirtualStringTree2;
}

void TModeFrame::SetResultPaneHeight(int height) {
  resultPaneHeight_ = std::max(height, 0);
  if (SplitterResult->isVisible()) FitResultPane();
}

// Every new size of the splitter is shared out here from the user's height,
// whatever the splitter kept of an earlier, smaller size: the replies give
// way first, and the result pane has its height back as soon as there is
// room. A splitter not shown gets its size, and a height set meanwhile,
// when it is shown.
bool TModeFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SplitterResult && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
    FitResultPane();
  return QWidget::eventFilter(watched, event);
}

void TModeFrame::FitResultPane() {
  const int room = SplitterResult->contentsRect().height() - SplitterResult->handle(1)->sizeHint().height();
  if (room <= 0) return;
  const int replies = std::max(GroupBoxReplys->minimumSizeHint().height(), GroupBoxReplys->minimumHeight());
  const int height = std::min(resultPaneHeight_, std::max(room - replies, 0));
  // The splitter raises a height below the pane's minimum to that minimum.
  SplitterResult->setSizes({height, room - height});
}
