#include "pages/PageTypes.h"

void THostResult::ReleaseReplies() {
  // Swap rather than clear so that the reserved memory goes back too.
  std::vector<TReplyRecord>().swap(Replies);
  ReplyCapacity = 0;
}

void THostResult::ResetResult() {
  ReleaseReplies();
  State = -1;
  Address.clear();
  HostName.clear();
  Ipv4 = 0;
  Ipv6 = {};
  Sent = Received = Lost = 0;
  MinTime = MaxTime = AvgTime = CurTime = 0;
  AvgExact = 0;
  FirstReply = true;
}
