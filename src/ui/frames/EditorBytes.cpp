#include "ui/frames/EditorBytes.h"

#include <QByteArray>
#include <QLineEdit>
#include <QVariant>

namespace {
// Kept on the editor itself, so every place that stores it finds them.
constexpr const char* GivenBytes = "velquorGivenBytes";
constexpr const char* GivenText = "velquorGivenText";
}  // namespace

void ShowBytes(QLineEdit* edit, const std::string& bytes) {
  edit->setText(QString::fromStdString(bytes));
  edit->setProperty(GivenBytes, QByteArray::fromStdString(bytes));
  // What the editor shows, which a byte limit may already have cut.
  edit->setProperty(GivenText, edit->text());
}

std::string EditorBytes(const QLineEdit* edit) {
  const QString text = edit->text();
  const QVariant given = edit->property(GivenText);
  if (given.isValid() && given.toString() == text)
    return edit->property(GivenBytes).toByteArray().toStdString();
  return text.toStdString();
}

std::string EditorText(const QLineEdit* edit) { return edit->text().toStdString(); }
