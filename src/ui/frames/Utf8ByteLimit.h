#pragma once

#include <QValidator>

class QLineEdit;

// Keeps a line editor's text within a number of bytes of UTF-8: the room its
// field has in the page files, which a limit in characters does not bound
// (a Cyrillic letter takes two bytes, many CJK characters three). What goes
// beyond is cut at a character boundary, the text just typed or pasted
// (before the cursor) first, so the editor always shows what will be kept.
class Utf8ByteLimit final : public QValidator {
 public:
  Utf8ByteLimit(int bytes, QObject* parent);

  State validate(QString& input, int& pos) const override;

 private:
  int bytes_;
};

// Gives `edit` such a limit of `bytes`.
void LimitUtf8Bytes(QLineEdit* edit, int bytes);
