#pragma once

#include <string>

// Puts UTF-8 text on the system clipboard as plain text; nothing else is
// offered with it. Without a clipboard nothing happens.
void CopyToClipboard(const std::string& text);
