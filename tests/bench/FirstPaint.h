// Says "ready" with the time once a window has been drawn: the moment its
// first paint is done, which is when a user sees it. Creating the window
// is not enough: a widget lays out and shapes its text, and the font system
// starts, only once something asks for it, and painting asks.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <functional>

namespace orbek::bench {

inline long long NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Watches every widget for the first paint of a top-level one that `chosen`
// accepts; prints "ready" after that paint, then calls `then`.
class FirstPaint : public QObject {
 public:
  FirstPaint(std::function<bool(const QWidget&)> chosen, std::function<void()> then)
      : chosen_(std::move(chosen)), then_(std::move(then)) {
    QCoreApplication::instance()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!seen_ && event->type() == QEvent::Paint && widget != nullptr && widget->isWindow() &&
        chosen_(*widget)) {
      seen_ = true;
      // Queued: it runs once this paint, and the rest of the pass, is done.
      QTimer::singleShot(0, this, [this] {
        std::printf("ready %lld\n", NowUs());
        std::fflush(stdout);
        then_();
      });
    }
    return false;
  }

 private:
  std::function<bool(const QWidget&)> chosen_;
  std::function<void()> then_;
  bool seen_ = false;
};

}  // namespace orbek::bench
