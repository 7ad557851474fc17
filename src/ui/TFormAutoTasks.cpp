#include "ui/TFormAutoTasks.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <QValidator>
#include <QWindow>
#include <algorithm>

#include "automation/AutoTasksModel.h"
#include "pages/ModePages.h"
#include "ui/FocusOrder.h"
#include "ui/SlotGuard.h"
#include "ui/TaskEditorGroup.h"
#include "ui/frames/EditorBytes.h"
#include "ui/frames/GridSetup.h"

namespace {

TFormAutoTasks* theDialog = nullptr;

constexpr int EveryEditWidth = 50;
constexpr int ExecEditWidth = 280;
constexpr int IndentPx = 16;

bool ExecTextFits(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return FitsExecText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// Refuses any edit after which "Path:" or "Command line:" would no longer
// fit in the page file, so what the dialog shows is what a restart brings
// back. A keystroke or a paste that does not fit is refused whole.
class ExecTextLimit final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override { return ExecTextFits(input) ? Acceptable : Invalid; }
};

QLineEdit* ExecEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setFixedWidth(ExecEditWidth);
  edit->setValidator(new ExecTextLimit(edit));
  return edit;
}

// A button of this dialog: never the default, so Enter presses none.
QPushButton* Button(const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setAutoDefault(false);
  return button;
}

QHBoxLayout* Indented(QWidget* widget) {
  auto* row = new QHBoxLayout;
  row->addSpacing(IndentPx);
  row->addWidget(widget);
  row->addStretch(1);
  return row;
}

// Where the program chooser opens for a "Path:" text: in the folder before
// its last "/" ("/" itself for a file in the root) with the name after it
// proposed; a bare name has no folder of its own.
struct ChooserStart {
  QString folder;
  QString name;
};

ChooserStart ProgramChooserStart(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  if (slash < 0) return {QString(), path};
  return {slash == 0 ? QStringLiteral("/") : path.left(slash), path.mid(slash + 1)};
}

QString ChooseWithFileDialog(QWidget* parent, const QString& folder, const QString& name) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

// The least scroll of `area` that shows `control`, one of its body's, whole,
// or fills the view with it where it is the larger.
void ScrollToShow(QScrollArea& area, const QWidget& control) {
  const QRect place(control.mapTo(area.widget(), QPoint()), control.size());
  const auto follow = [](QScrollBar* bar, int start, int length, int shown) {
    const int end = start + length - shown;
    bar->setValue(std::clamp(bar->value(), std::min(start, end), std::max(start, end)));
  };
  follow(area.horizontalScrollBar(), place.x(), place.width(), area.viewport()->width());
  follow(area.verticalScrollBar(), place.y(), place.height(), area.viewport()->height());
}

}  // namespace

void ShowAutoTasks(Mode mode) {
  TFormAutoTasks* dialog = theDialog;
  if (!dialog) return;
  dialog->LoadTasksFromPage(mode, ModeCurrentIndex(mode));
  dialog->exec();
}

TFormAutoTasks::TFormAutoTasks(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Auto tasks"));
  // A fixed border with the close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  BuildControls();
  ConnectHandlers();
  SetProgramChooser({});
  theDialog = this;
}

TFormAutoTasks::~TFormAutoTasks() {
  if (theDialog == this) theDialog = nullptr;
}

void TFormAutoTasks::BuildControls() {
  body_ = new QWidget(this);
  CheckBoxStartOnStartup = new QCheckBox(QStringLiteral("Start on program startup"), body_);
  CheckBoxStartEvery = new QCheckBox(QStringLiteral("Start every"), body_);
  EditEvery = new QLineEdit(QStringLiteral("0"), body_);
  EditEvery->setFixedWidth(EveryEditWidth);
  CheckBoxStartSchedules = new QCheckBox(QStringLiteral("Custom schedules"), body_);
  Tasks = new AutoTasksModel(this);
  ListView1 = new QTreeView(body_);
  SetUpGrid(ListView1, Tasks, {70, 90, 55});
  // A column as wide as its longest text, where the font needs more than the
  // design width: "Every month", a Single entry's time, a count of minutes.
  const QFontMetrics metrics = ListView1->fontMetrics();
  const int padding = 2 * ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
  const char* const longest[] = {"Every month", "00.00.00 00:00", "60000m"};
  for (int column = 0; column < AutoTasksModel::ColumnCount; ++column)
    ListView1->setColumnWidth(column,
                              std::max(ListView1->columnWidth(column),
                                       metrics.horizontalAdvance(QLatin1String(longest[column])) + padding));
  ListView1->setMinimumWidth(ListView1->header()->length() + 2 * ListView1->frameWidth() +
                             ListView1->verticalScrollBar()->sizeHint().width());
  ButtonAdd = Button(QStringLiteral("Add"), body_);
  ButtonDel = Button(QStringLiteral("Delete"), body_);
  GroupBox1 = new TaskEditorGroup(body_);
  GroupBox3 = BuildFinishGroup();
  ButtonOk = Button(QStringLiteral("Ok"), this);
  ButtonCancel = Button(QStringLiteral("Cancel"), this);

  auto* every = new QHBoxLayout;
  every->addWidget(CheckBoxStartEvery);
  every->addWidget(EditEvery);
  every->addWidget(new QLabel(QStringLiteral("minutes"), body_));
  every->addStretch(1);
  auto* left = new QVBoxLayout;
  left->addWidget(CheckBoxStartOnStartup);
  left->addLayout(every);
  left->addWidget(CheckBoxStartSchedules);
  left->addWidget(ListView1, 1);
  auto* addDelete = new QVBoxLayout;
  addDelete->addWidget(ButtonAdd);
  addDelete->addWidget(ButtonDel);
  addDelete->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(addDelete);
  top->addWidget(GroupBox1);

  // Everything but Ok and Cancel, laid out at its design size; it scrolls
  // where the screen is too small for it (FitIntoScreen).
  auto* content = new QVBoxLayout(body_);
  content->setContentsMargins(0, 0, 0, 0);
  content->addLayout(top, 1);
  content->addWidget(GroupBox3);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  // Tab goes to the controls in it, and the area follows the focus into
  // them (ConnectHandlers).
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setWidget(body_);

  auto* okCancel = new QHBoxLayout;
  okCancel->addStretch(1);
  okCancel->addWidget(ButtonOk);
  okCancel->addWidget(ButtonCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll_, 1);
  layout->addLayout(okCancel);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGroupBox* TFormAutoTasks::BuildFinishGroup() {
  auto* group = new QGroupBox(QStringLiteral("Action when pinging is finished"), body_);
  CheckBoxSaveResult = new QCheckBox(QStringLiteral("Save result to file"), group);
  CheckBoxResultWithReplys = new QCheckBox(QStringLiteral("Result with replies"), group);
  CheckBoxIpList = new QCheckBox(QStringLiteral("Only IP list"), group);
  RadioButtonResultTxt = new QRadioButton(QStringLiteral("TXT file"), group);
  RadioButtonResultCSV = new QRadioButton(QStringLiteral("CSV file"), group);
  RadioButtonResultCSV->setChecked(true);
  MakeRadioGroup(group, {RadioButtonResultTxt, RadioButtonResultCSV});
  CheckBoxExecute = new QCheckBox(QStringLiteral("Execute"), group);
  CheckBoxHideWindow = new QCheckBox(QStringLiteral("Hide window"), group);
  EditPath = ExecEdit(group);
  Button3 = Button(QStringLiteral("..."), group);
  Button3->setMaximumWidth(Button3->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
  EditParam = ExecEdit(group);

  auto* save = new QVBoxLayout;
  save->addWidget(CheckBoxSaveResult);
  for (QWidget* w :
       {static_cast<QWidget*>(CheckBoxResultWithReplys), static_cast<QWidget*>(CheckBoxIpList),
        static_cast<QWidget*>(RadioButtonResultTxt), static_cast<QWidget*>(RadioButtonResultCSV)})
    save->addLayout(Indented(w));
  save->addStretch(1);

  auto* program = new QGridLayout;
  program->addWidget(CheckBoxExecute, 0, 0, 1, 3);
  program->addLayout(Indented(CheckBoxHideWindow), 1, 0, 1, 3);
  program->addWidget(new QLabel(QStringLiteral("Path:"), group), 2, 0);
  program->addWidget(EditPath, 2, 1);
  program->addWidget(Button3, 2, 2);
  program->addWidget(new QLabel(QStringLiteral("Command line:"), group), 3, 0);
  program->addWidget(EditParam, 3, 1);
  program->addWidget(new QLabel(QStringLiteral("%PATH - Path to file result."), group), 4, 1);
  program->setColumnStretch(3, 1);

  auto* layout = new QHBoxLayout(group);
  layout->addLayout(save, 1);
  layout->addLayout(program, 1);
  return group;
}

void TFormAutoTasks::ConnectHandlers() {
  connect(ButtonAdd, &QPushButton::clicked, this, [this] { ButtonAddClick(); });
  connect(ButtonDel, &QPushButton::clicked, this, [this] { ButtonDelClick(); });
  connect(ButtonOk, &QPushButton::clicked, this, [this] { ButtonOkClick(); });
  connect(ButtonCancel, &QPushButton::clicked, this, [this] { ButtonCancelClick(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  // The area itself follows only a Tab from one of its controls to another;
  // focus that comes from Ok or Cancel, a click or the window's activation
  // would stay out of sight.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    CatchAll([&] {
      if (now && body_->isAncestorOf(now)) ScrollToShow(*scroll_, *now);
    });
  });
}

void TFormAutoTasks::SetProgramChooser(ProgramChooser chooser) {
  chooser_ = chooser ? std::move(chooser) : ChooseWithFileDialog;
}

void TFormAutoTasks::LoadTasksFromPage(Mode mode, int pageIndex) {
  CatchAll([&] {
    Tasks->LoadTasksFromPage(mode, pageIndex);
    GroupBox1->ResetPickers();
    if (!Tasks->Attached()) return;
    const AutomationControls& c = Tasks->Controls();
    CheckBoxStartOnStartup->setChecked(c.StartOnStartup);
    CheckBoxStartEvery->setChecked(c.StartEvery);
    EditEvery->setText(QString::fromStdString(c.EveryText));
    CheckBoxStartSchedules->setChecked(c.StartSchedules);
    CheckBoxSaveResult->setChecked(c.SaveResult);
    CheckBoxResultWithReplys->setChecked(c.ResultWithReplys);
    CheckBoxIpList->setChecked(c.ResultIpList);
    (c.ResultTxt ? RadioButtonResultTxt : RadioButtonResultCSV)->setChecked(true);
    CheckBoxExecute->setChecked(c.ExecuteProgram);
    CheckBoxHideWindow->setChecked(c.HideWindow);
    ShowBytes(EditPath, c.ExecPath);
    ShowBytes(EditParam, c.ExecParam);
  });
}

void TFormAutoTasks::StoreTasksToPage() {
  CatchAll([this] {
    AutomationControls c;
    c.StartOnStartup = CheckBoxStartOnStartup->isChecked();
    c.StartEvery = CheckBoxStartEvery->isChecked();
    c.EveryText = EditEvery->text().toStdString();
    c.StartSchedules = CheckBoxStartSchedules->isChecked();
    c.SaveResult = CheckBoxSaveResult->isChecked();
    c.ResultWithReplys = CheckBoxResultWithReplys->isChecked();
    c.ResultIpList = CheckBoxIpList->isChecked();
    c.ResultTxt = RadioButtonResultTxt->isChecked();
    c.ExecuteProgram = CheckBoxExecute->isChecked();
    c.HideWindow = CheckBoxHideWindow->isChecked();
    c.ExecPath = EditorBytes(EditPath);
    c.ExecParam = EditorBytes(EditParam);
    Tasks->StoreTasksToPage(c);
  });
}

void TFormAutoTasks::ButtonAddClick() {
  CatchAll([this] { Tasks->AddTask(GroupBox1->Fields()); });
}

void TFormAutoTasks::ButtonDelClick() {
  CatchAll([this] {
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty()) return;
    const int next = Tasks->DeleteTask(selected.constFirst().row());
    if (next < 0) return;
    ListView1->setFocus();
    ListView1->selectionModel()->setCurrentIndex(
        Tasks->index(next, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  });
}

void TFormAutoTasks::ButtonOkClick() {
  StoreTasksToPage();
  accept();
}

void TFormAutoTasks::ButtonCancelClick() { reject(); }

void TFormAutoTasks::Button3Click() {
  CatchAll([this] {
    const ChooserStart start = ProgramChooserStart(EditPath->text());
    const QString chosen = chooser_(this, start.folder, start.name);
    // A path the page file cannot keep whole is refused rather than cut:
    // a cut path would name some other file after the next restart.
    if (chosen.isEmpty() || !ExecTextFits(chosen)) return;
    EditPath->setText(chosen);
  });
}

void TFormAutoTasks::setVisible(bool visible) {
  if (visible) {
    CatchAll([this] {
      if (!isVisible()) StartAtTopLeft();
      FitIntoScreen();
    });
  }
  QDialog::setVisible(visible);
}

void TFormAutoTasks::StartAtTopLeft() {
  // The window gives the focus it had back when it is activated, and the
  // area would follow it; without it the focus starts, as at the first
  // opening, on the body's first control.
  if (QWidget* focus = focusWidget(); focus && body_->isAncestorOf(focus)) focus->clearFocus();
  for (QScrollBar* bar : {scroll_->horizontalScrollBar(), scroll_->verticalScrollBar()})
    bar->setValue(bar->minimum());
}

void TFormAutoTasks::FitIntoScreen() {
  const QSize design = body_->sizeHint();
  body_->resize(design);
  scroll_->setFixedSize(design);
  layout()->activate();
  const QWidget* owner = parentWidget() ? parentWidget()->window() : this;
  const QScreen* screen = owner->screen();
  if (!screen) return;
  // Until the dialog has been shown its frame is unknown; the main window's
  // comes from the same window manager.
  QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  if (frame.isNull() && owner->windowHandle()) frame = owner->windowHandle()->frameMargins();
  const QSize around = size() - design + QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
  const QSize room = screen->availableGeometry().size() - around;
  if (design.width() <= room.width() && design.height() <= room.height()) return;
  // A scroll bar takes room from the other direction.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  QSize fitted = design.boundedTo(room);
  if (fitted.height() < design.height()) fitted.rwidth() = std::min(design.width() + bar, room.width());
  if (fitted.width() < design.width()) fitted.rheight() = std::min(design.height() + bar, room.height());
  scroll_->setFixedSize(fitted.expandedTo(QSize(bar, bar) * 2));
}

void TFormAutoTasks::keyPressEvent(QKeyEvent* event) {
  // Escape would close the dialog as "Cancel" does; it presses nothing here.
  if (event->matches(QKeySequence::Cancel)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
