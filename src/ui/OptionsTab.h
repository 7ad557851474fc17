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
  // Takes the controls into the options. The settings file is not written
  // here; the next save carries the options.
  void BitBtnApplyOptionsClick();

 private:
  void ButtonBrowseResultFolderClick();
  void ButtonOpenResultFolderClick();
};

// Opens a folder in the desktop's file manager; an empty text does nothing.
void OpenFolder(const std::string& folder);
