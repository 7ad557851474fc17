#pragma once

#include "pages/PageListObserver.h"
#include "ui/models/RowListModel.h"

// The rows of a tab's page list: caption = page name, key = page id, image 0,
// sorted by name. The registry drives it through PageListObserver.
class PageListModel : public RowListModel, public PageListObserver {
  Q_OBJECT

 public:
  explicit PageListModel(QObject* parent = nullptr);

  ListHandle AppendPageRow(int id, const std::string& caption) override;
  void SetPageCaption(ListHandle row, const std::string& caption) override;
  void DeletePageRow(ListHandle row) override;
  void SetParamCaption(const std::string& caption) override;

 signals:
  // The shown page's name changed: the mode frame's GroupBoxParam takes it.
  void ParamCaptionChanged(const QString& caption);
};
