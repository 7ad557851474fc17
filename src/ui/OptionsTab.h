#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Options" tab: the program-wide options of GlobalOptions, shown in the
// controls at start-up and taken over only by "Apply", so a control changed
// without Apply changes nothing.
class OptionsTab : public QWidget {
  Q_OBJECT

 public:
  explicit OptionsTab(QWidget* parent = nullptr);

  QCheckBox* CheckBoxStartup = nullptr;
  QLineEdit* EditResultFolder = nullptr;
  QPushButton* ButtonBrowseResultFolder = nullptr;
  QPushButton* ButtonOpenResultFolder = nullptr;
  QPushButton* BitBtnApplyOptions = nullptr;
  QRadioButton* RadioButtonCsv1 = nullptr;  // ";"
  QRadioButton* RadioButtonCsv2 = nullptr;  // ","
  QRadioButton* RadioButtonIpVersionBoth = nullptr;
  QRadioButton* RadioButtonIpVersionIp4 = nullptr;
  QRadioButton* RadioButtonIpVersionIp6 = nullptr;
  QRadioButton* RadioButtonIpPriorityIp4 = nullptr;
  QRadioButton* RadioButtonIpPriorityIp6 = nullptr;

  // Shows the options in effect in the controls.
  void FillFromOptions();
  // Takes the controls into the options and writes or removes the entry
  // that starts the program at log-in. When that fails a message says which
  // file and why, and the box and the option show whether the entry is
  // there. The settings file is not written here; the next save carries the
  // options.
  void BitBtnApplyOptionsClick();

  // The folder picker's answer as the edit box takes it: a path of 1 to 280
  // characters; anything else (a cancelled picker among them) gives empty.
  static QString PickedFolder(const QString& chosen);

 private:
  void ButtonBrowseResultFolderClick();
  void ButtonOpenResultFolderClick();
};
