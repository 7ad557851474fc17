#pragma once

#include <QStringList>

// Column titles of the host lists whose rows are numbered by slot (Ping,
// Trace route, Path ping).
inline QStringList SlotListHeaders() {
  return {"N", "IP Address", "Host Name", "Sent", "Received", "Lost", "Min.", "Max.", "Avg.", "Cur."};
}
