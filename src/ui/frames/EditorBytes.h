#pragma once

#include <string>

class QLineEdit;

// A page's text fields are bytes, and files written by 8-bit programs hold
// bytes that are not UTF-8 (Latin-1 letters). An editor can only show such a
// text with replacement characters, which would be written back on the next
// store although the user changed nothing. So an editor given a field's
// bytes gives the same bytes back for as long as it shows what it showed
// for them; once its text differs, the text is stored as UTF-8.

// Shows `bytes` in `edit` (through its validator and length limit) and
// remembers them with the text shown for them.
void ShowBytes(QLineEdit* edit, const std::string& bytes);
// The bytes ShowBytes last gave `edit` while it still shows the text it
// showed then; else its text in UTF-8.
std::string EditorBytes(const QLineEdit* edit);
// The editor's text in UTF-8, for fields that hold digits only.
std::string EditorText(const QLineEdit* edit);
