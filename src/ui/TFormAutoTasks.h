#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "pages/PageTypes.h"

class AutoTasksModel;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTreeView;
class TaskEditorGroup;

// The "Auto tasks" dialog: one page's schedule entries, the three ways it
// starts without the user and what is done when its run ends. It works on a
// copy (AutoTasksModel) and writes the page only on "Ok"; "Cancel" and the
// close box leave the page as it was. It keeps its design size, fixed,
// wherever that fits the work area of the main window's screen; where it
// does not, it is as large as the area allows and all but Ok and Cancel
// scrolls, so that those two stay on the screen. One exists for the whole
// program, made right after the main window. No button is a default button:
// Enter and Escape press nothing. User-interface thread only; every handler
// catches and drops exceptions.
class TFormAutoTasks : public QDialog {
  Q_OBJECT

 public:
  // Asks the user for a program, starting in `folder` (empty: no folder of
  // its own) with `name` proposed; the empty text when the user cancels.
  using ProgramChooser = std::function<QString(QWidget* parent, const QString& folder, const QString& name)>;

  // Becomes the one dialog the "Auto tasks" buttons open.
  explicit TFormAutoTasks(QWidget* parent = nullptr);
  ~TFormAutoTasks() override;

  // Attaches the dialog to page `pageIndex` of the mode's registry and
  // shows its entries and settings; without such a page the list is emptied
  // and the other controls keep what they hold. Both pickers show the present.
  void LoadTasksFromPage(Mode mode, int pageIndex);
  // The working copy and the controls into the attached page.
  void StoreTasksToPage();

  void ButtonAddClick();
  void ButtonDelClick();
  void ButtonOkClick();
  void ButtonCancelClick();
  // The program chooser behind "...".
  void Button3Click();
  // Replaces the file dialog behind "..." (tests); empty puts the real one back.
  void SetProgramChooser(ProgramChooser chooser);
  // Fits the dialog into the screen each time it is shown: the screen may
  // have changed since. It is one dialog for the session, and each opening
  // shows the body from its top left.
  void setVisible(bool visible) override;

  QCheckBox* CheckBoxStartOnStartup = nullptr;
  QCheckBox* CheckBoxStartEvery = nullptr;
  QLineEdit* EditEvery = nullptr;
  QCheckBox* CheckBoxStartSchedules = nullptr;
  QTreeView* ListView1 = nullptr;
  AutoTasksModel* Tasks = nullptr;  // the model behind ListView1
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonDel = nullptr;
  TaskEditorGroup* GroupBox1 = nullptr;  // "schedule"
  QGroupBox* GroupBox3 = nullptr;        // "Action when pinging is finished"
  QCheckBox* CheckBoxSaveResult = nullptr;
  QCheckBox* CheckBoxResultWithReplys = nullptr;
  QCheckBox* CheckBoxIpList = nullptr;
  QRadioButton* RadioButtonResultTxt = nullptr;
  QRadioButton* RadioButtonResultCSV = nullptr;
  QCheckBox* CheckBoxExecute = nullptr;
  QCheckBox* CheckBoxHideWindow = nullptr;
  QLineEdit* EditPath = nullptr;
  QPushButton* Button3 = nullptr;  // "..."
  QLineEdit* EditParam = nullptr;
  QPushButton* ButtonOk = nullptr;
  QPushButton* ButtonCancel = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void FitIntoScreen();
  void StartAtTopLeft();
  QGroupBox* BuildFinishGroup();
  void ConnectHandlers();

  ProgramChooser chooser_;
  QWidget* body_ = nullptr;
  QScrollArea* scroll_ = nullptr;
};

// A tab's "Auto tasks" button: the one dialog on the tab's current page,
// shown modally. Nothing while no dialog exists.
void ShowAutoTasks(Mode mode);
