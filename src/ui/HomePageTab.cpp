#include "ui/HomePageTab.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DesktopServicesOpener.h"
#include "ui/SlotGuard.h"

HomePageTab::HomePageTab(QWidget* parent) : QWidget(parent) {
  auto* box = new QGroupBox(tr("Home page"), this);
  BitBtnHomePage = new QPushButton(tr("Go to home page"), box);
  BitBtnCopyHomeLink = new QPushButton(tr("Copy home page link to Clipboard"), box);
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->addWidget(BitBtnHomePage);
  boxLayout->addWidget(BitBtnCopyHomeLink);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box, 0, Qt::AlignLeft | Qt::AlignTop);
  layout->addStretch(1);

  connect(BitBtnHomePage, &QPushButton::clicked, this,
          [this] { CatchAll([this] { OpenOrSayWhyNot(window(), HomePageAddress); }); });
  connect(BitBtnCopyHomeLink, &QPushButton::clicked, this, [] {
    CatchAll([] {
      if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromLatin1(HomePageLink));
    });
  });
}
