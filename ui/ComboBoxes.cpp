#include "ui/ComboBoxes.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QStyledItemDelegate>

namespace orbek {

namespace {

// Draws "name    detail" in the open list; the closed box keeps the name.
class DetailDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString detail = index.data(kItemDetailRole).toString();
    if (!detail.isEmpty()) option->text += QStringLiteral("    ") + detail;
  }
};

}  // namespace

void ShowItemDetails(QComboBox& box) {
  if (dynamic_cast<DetailDelegate*>(box.view()->itemDelegate()) == nullptr)
    box.view()->setItemDelegate(new DetailDelegate(box.view()));
  const QFontMetrics metrics(box.view()->font());
  int widest = 0;
  for (int i = 0; i < box.count(); ++i) {
    QString text = box.itemText(i);
    const QString detail = box.itemData(i, kItemDetailRole).toString();
    if (!detail.isEmpty()) text += QStringLiteral("    ") + detail;
    widest = std::max(widest, metrics.horizontalAdvance(text));
  }
  // Room for the item's margins and the list's scroll bar.
  box.view()->setMinimumWidth(widest + 48);
}

int SelectedIndex(const QComboBox& box) {
  const QString text = box.currentText();
  const int current = box.currentIndex();
  if (current >= 0 && box.itemText(current) == text) return current;
  return box.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

QVariant SelectedData(const QComboBox& box) {
  const int index = SelectedIndex(box);
  return index >= 0 ? box.itemData(index) : QVariant();
}

int AddSorted(QComboBox& box, const QString& text, const QVariant& data) {
  int index = 0;
  while (index < box.count() &&
         QString::compare(box.itemText(index), text, Qt::CaseInsensitive) <= 0)
    ++index;
  box.insertItem(index, text, data);
  return index;
}

}  // namespace orbek
