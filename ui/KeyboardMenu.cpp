#include "ui/KeyboardMenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace orbek {

KeyboardMenu::KeyboardMenu(QWidget* widget, QWidget* keys, std::function<QPoint()> where)
    : QObject(widget), widget_(widget), where_(std::move(where)) {
  keys->installEventFilter(this);
  if (keys != widget) widget->installEventFilter(this);
}

bool KeyboardMenu::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
      Open();
      return true;
    }
  }
  if (event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    Open();
    return true;
  }
  return false;
}

void KeyboardMenu::Open() const {
  if (widget_->actions().isEmpty()) return;
  const QPoint inside = where_();
  const QPoint at(std::clamp(inside.x(), 0, std::max(0, widget_->width() - 1)),
                  std::clamp(inside.y(), 0, std::max(0, widget_->height() - 1)));
  QMenu::exec(widget_->actions(), widget_->mapToGlobal(at), nullptr, widget_);
}

}  // namespace orbek
