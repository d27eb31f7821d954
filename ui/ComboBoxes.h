#pragma once

#include <QComboBox>
#include <QString>
#include <QVariant>

namespace orbek {

// The selected item of a drop-down box with an edit field, as such a box
// reports it: the item whose text the field holds, or -1 while the typed
// text matches no item.
int SelectedIndex(const QComboBox& box);

// The value the selected item carries as item data; invalid with no
// selection.
QVariant SelectedData(const QComboBox& box);

// Adds `text` where a box that keeps its items sorted as text would put it
// (case-insensitively, after equal texts) and returns its index.
int AddSorted(QComboBox& box, const QString& text, const QVariant& data = {});

// The role of an item's second text, shown after its own in the open list.
inline constexpr int kItemDetailRole = Qt::UserRole + 1;

// Lets the open list of `box` show each item's detail text after its own and
// grow as wide as the widest of them, however narrow the closed box is.
void ShowItemDetails(QComboBox& box);

}  // namespace orbek
