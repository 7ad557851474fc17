#include "engine/RunCallback.h"

void AddReplyToPage(const TPingRegistry& registry, TPingPage& page, int row, const EchoResult& result,
                    const SystemTime& stamp) {
  if (row < 0 || row >= MaxHosts) return;
  THostResult& host = page.Hosts[static_cast<std::size_t>(row)];
  const TReplyRecord record = AccountEchoResult(host, result, stamp);

  PageView* view = ViewIfShown(registry, page);
  if (!view) return;
  if (page.SelectedHost == row && page.ReplyCapacity > 0) view->AppendReplyRow(record, host.Sent);
  view->HostRowChanged(row);
}

bool AddReplyOfRun(const TPingRegistry& registry, const RunThread& thread, RunStamp stamp, int row,
                   const EchoResult& result) {
  TPingPage* page = PageForCallback(registry, thread, stamp);
  if (!page) return false;
  AddReplyToPage(registry, *page, row, result, LocalTimeNow());
  return true;
}
