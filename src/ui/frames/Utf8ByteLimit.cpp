#include "ui/frames/Utf8ByteLimit.h"

#include <QLineEdit>
#include <algorithm>

namespace {

qsizetype Utf8Size(QStringView text) { return text.toUtf8().size(); }

// Length in UTF-16 units of the whole character that ends at `end`.
qsizetype CharacterBefore(const QString& text, qsizetype end) {
  return end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate() ? 2 : 1;
}

}  // namespace

Utf8ByteLimit::Utf8ByteLimit(int bytes, QObject* parent) : QValidator(parent), bytes_(std::max(bytes, 0)) {}

QValidator::State Utf8ByteLimit::validate(QString& input, int& pos) const {
  qsizetype excess = Utf8Size(input) - bytes_;
  if (excess <= 0) return Acceptable;
  // New text sits before the cursor: drop from there back first.
  const qsizetype end = std::clamp<qsizetype>(pos, 0, input.size());
  qsizetype start = end;
  while (excess > 0 && start > 0) {
    const qsizetype width = CharacterBefore(input, start);
    excess -= Utf8Size(QStringView(input).mid(start - width, width));
    start -= width;
  }
  input.remove(start, end - start);
  pos = static_cast<int>(start);
  // Text that came in with the cursor before it (a text set whole) is cut at the end.
  while (excess > 0 && !input.isEmpty()) {
    const qsizetype width = CharacterBefore(input, input.size());
    excess -= Utf8Size(QStringView(input).last(width));
    input.chop(width);
  }
  pos = std::min(pos, static_cast<int>(input.size()));
  return Acceptable;
}

void LimitUtf8Bytes(QLineEdit* edit, int bytes) {
  // A text of that many bytes has at most that many characters.
  edit->setMaxLength(bytes);
  edit->setValidator(new Utf8ByteLimit(bytes, edit));
}
