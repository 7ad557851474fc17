#pragma once

// How test messages show the toolkit's values. Every test of one executable
// must see the same printers, or the linker keeps whichever instance it met
// first: hence one header for them all.

#include <QRect>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
