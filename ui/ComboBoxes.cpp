#include "ui/ComboBoxes.h"

namespace orbek {

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
