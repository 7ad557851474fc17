#include "ui/models/PageListModel.h"

#include "pages/RowTexts.h"

PageListModel::PageListModel(QObject* parent)
    : RowListModel({QStringLiteral("Pages")}, Order::ByCaption, Images::Page, parent) {}

ListHandle PageListModel::AppendPageRow(int id, const std::string& caption) {
  return AppendRow({id, {caption}, ImagePage});
}

void PageListModel::SetPageCaption(ListHandle row, const std::string& caption) {
  SetTexts(row, 0, std::span<const std::string>(&caption, 1));
}

void PageListModel::DeletePageRow(ListHandle row) { RemoveRow(row); }

void PageListModel::SetParamCaption(const std::string& caption) {
  emit ParamCaptionChanged(QString::fromStdString(caption));
}
