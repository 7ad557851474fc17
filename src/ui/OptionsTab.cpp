#include "ui/OptionsTab.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "pages/Settings.h"
#include "platform/Autostart.h"
#include "platform/ProgramPaths.h"
#include "ui/DesktopServicesOpener.h"
#include "ui/FocusOrder.h"
#include "ui/SlotGuard.h"

namespace {

constexpr qsizetype MaxPickedFolderCharacters = 280;

QGroupBox* RadioGroup(const QString& caption, std::initializer_list<QAbstractButton*> buttons,
                      QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  auto* layout = new QVBoxLayout(box);
  for (QAbstractButton* button : buttons) layout->addWidget(button);
  MakeRadioGroup(box, buttons);
  return box;
}

}  // namespace

OptionsTab::OptionsTab(QWidget* parent) : QWidget(parent) {
  auto* general = new QGroupBox(tr("Generals"), this);
  CheckBoxStartup = new QCheckBox(tr("Start program at windows startup"), general);
  EditResultFolder = new QLineEdit(general);
  ButtonBrowseResultFolder = new QPushButton(tr("..."), general);
  ButtonOpenResultFolder = new QPushButton(tr("Open"), general);
  BitBtnApplyOptions = new QPushButton(tr("Apply"), general);

  RadioButtonCsv1 = new QRadioButton(QStringLiteral("\"text\";\"text\";\"text\";"));
  RadioButtonCsv2 = new QRadioButton(QStringLiteral("\"text\",\"text\",\"text\","));
  RadioButtonIpVersionBoth = new QRadioButton(tr("IPv4 and IPv6"));
  RadioButtonIpVersionIp4 = new QRadioButton(tr("IPv4 only"));
  RadioButtonIpVersionIp6 = new QRadioButton(tr("IPv6 only"));
  RadioButtonIpPriorityIp4 = new QRadioButton(QStringLiteral("IPv4 "));
  RadioButtonIpPriorityIp6 = new QRadioButton(QStringLiteral("IPv6"));
  RadioButtonCsv2->setChecked(true);
  RadioButtonIpVersionBoth->setChecked(true);
  RadioButtonIpPriorityIp4->setChecked(true);

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(new QLabel(tr("Result folder:"), general));
  folderRow->addWidget(EditResultFolder, 1);
  folderRow->addWidget(ButtonBrowseResultFolder);
  folderRow->addWidget(ButtonOpenResultFolder);

  auto* groups = new QHBoxLayout;
  groups->addWidget(RadioGroup(tr("Format of CSV files"), {RadioButtonCsv1, RadioButtonCsv2}, general));
  groups->addWidget(RadioGroup(tr("IP version"),
                               {RadioButtonIpVersionBoth, RadioButtonIpVersionIp4, RadioButtonIpVersionIp6},
                               general));
  groups->addWidget(
      RadioGroup(tr("IP priority"), {RadioButtonIpPriorityIp4, RadioButtonIpPriorityIp6}, general));

  auto* generalLayout = new QVBoxLayout(general);
  generalLayout->addWidget(CheckBoxStartup);
  generalLayout->addLayout(folderRow);
  generalLayout->addLayout(groups);
  generalLayout->addWidget(BitBtnApplyOptions, 0, Qt::AlignLeft);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(general);
  layout->addStretch(1);

  // Apply is made first but sits below the groups; Tab goes as they are seen.
  ChainTabOrder({CheckBoxStartup, EditResultFolder, ButtonBrowseResultFolder, ButtonOpenResultFolder,
                 RadioButtonCsv1, RadioButtonCsv2, RadioButtonIpVersionBoth, RadioButtonIpVersionIp4,
                 RadioButtonIpVersionIp6, RadioButtonIpPriorityIp4, RadioButtonIpPriorityIp6,
                 BitBtnApplyOptions});

  connect(BitBtnApplyOptions, &QPushButton::clicked, this,
          [this] { CatchAll([this] { BitBtnApplyOptionsClick(); }); });
  connect(ButtonBrowseResultFolder, &QPushButton::clicked, this,
          [this] { CatchAll([this] { ButtonBrowseResultFolderClick(); }); });
  connect(ButtonOpenResultFolder, &QPushButton::clicked, this,
          [this] { CatchAll([this] { ButtonOpenResultFolderClick(); }); });
}

void OptionsTab::FillFromOptions() {
  const ProgramOptions& options = GlobalOptions;
  CheckBoxStartup->setChecked(options.RunAtSystemStartup);
  EditResultFolder->setText(QString::fromStdString(options.ResultFolder));
  (options.CsvType == 0 ? RadioButtonCsv1 : RadioButtonCsv2)->setChecked(true);
  const std::uint8_t version = options.IpVersion.load();
  (version == 1   ? RadioButtonIpVersionIp4
   : version == 2 ? RadioButtonIpVersionIp6
                  : RadioButtonIpVersionBoth)
      ->setChecked(true);
  (options.IpPriority.load() == 0 ? RadioButtonIpPriorityIp4 : RadioButtonIpPriorityIp6)->setChecked(true);
}

void OptionsTab::BitBtnApplyOptionsClick() {
  ProgramOptions& options = GlobalOptions;
  std::string folder = EditResultFolder->text().toStdString();
  // The folder is taken as typed: it need not exist and is not created.
  folder = folder.empty() ? DefaultResultFolder() + "/" : FolderWithSlash(folder);
  options.ResultFolder = folder;
  EditResultFolder->setText(QString::fromStdString(folder));
  options.CsvType = RadioButtonCsv2->isChecked() ? 1 : 0;
  options.IpVersion.store(RadioButtonIpVersionIp4->isChecked()   ? 1
                          : RadioButtonIpVersionIp6->isChecked() ? 2
                                                                 : 0);
  options.IpPriority.store(RadioButtonIpPriorityIp6->isChecked() ? 1 : 0);
  // Written again at every Apply, so the entry follows the program if it moved.
  const bool start = CheckBoxStartup->isChecked();
  const Status set = SetStartAtLogin(start, ExecutablePath());
  // On failure the box and the option say what the next log-in will do: an
  // entry left from before still starts the program, a missing one not.
  if (!set.ok()) CheckBoxStartup->setChecked(StartAtLoginEntryExists());
  options.RunAtSystemStartup = CheckBoxStartup->isChecked();
  if (!set.ok())
    QMessageBox::warning(
        this, tr("Start at log-in"),
        (start ? tr("The entry that starts Velquor at log-in could not be written to %1:\n%2")
               : tr("The entry that starts Velquor at log-in could not be removed from %1:\n%2"))
            .arg(QString::fromStdString(AutostartEntryPath()), QString::fromStdString(set.message)));
}

QString OptionsTab::PickedFolder(const QString& chosen) {
  const qsizetype characters = chosen.toUcs4().size();
  return characters >= 1 && characters <= MaxPickedFolderCharacters ? chosen : QString();
}

void OptionsTab::ButtonBrowseResultFolderClick() {
  // The picker opens at the folder in effect, not at the unapplied text.
  const QString chosen = QFileDialog::getExistingDirectory(
      this, tr("Select a folder"), QString::fromStdString(GlobalOptions.ResultFolder));
  const QString folder = PickedFolder(chosen);
  if (!folder.isEmpty()) EditResultFolder->setText(folder);
}

void OptionsTab::ButtonOpenResultFolderClick() {
  // The box as it stands, applied or not; the tool bars open the applied folder.
  const std::string folder = EditResultFolder->text().toStdString();
  if (!folder.empty()) OpenOrSayWhyNot(window(), folder);
}
