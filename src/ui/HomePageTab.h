#pragma once

#include <QWidget>

class QPushButton;

// The "Home page" tab: opens the program's home page in the browser or copies
// the site's address to the clipboard.
class HomePageTab : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* HomePageAddress = "https://velquor.example.org/velquor/";
  static constexpr const char* HomePageLink = "https://velquor.example.org/";

  explicit HomePageTab(QWidget* parent = nullptr);

  QPushButton* BitBtnHomePage = nullptr;
  QPushButton* BitBtnCopyHomeLink = nullptr;
};
