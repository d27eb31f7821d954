#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;

namespace orbek {

// Opens a widget's actions menu from the keyboard (the Menu key, or
// Shift+F10 as desktops have it) at a point the widget chooses, kept inside
// the widget: Qt's own choice for the Menu key is the current item even
// when it is scrolled out of view, and it knows no Shift+F10.
class KeyboardMenu : public QObject {
 public:
  // `where` gives the point in `widget`'s coordinates; the menu is
  // `widget`'s actions. Watches `keys`, the widget that takes the keys.
  KeyboardMenu(QWidget* widget, QWidget* keys, std::function<QPoint()> where);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Open() const;

  QWidget* widget_;
  std::function<QPoint()> where_;
};

}  // namespace orbek
