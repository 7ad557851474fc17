#pragma once

class QIcon;

// The small pictures of the lists and grids, drawn by the program itself.
// Indexes as in RowTexts.h; an unknown index gives an empty icon.
const QIcon& ResultIcon(int index);  // 0 save, 1 clear, 2 host, 3 tick, 4 failed, 5 folder
const QIcon& ReplyIcon(int index);   // 0 received, 1 missing
const QIcon& PageIcon(int index);    // 0 page
