#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPalette>
#include <QString>

namespace orbek {

// The desktop's light or dark style as the XDG desktop portal publishes it
// (org.freedesktop.appearance color-scheme: GNOME, and others since), which
// Qt 6.4's platform themes read on KDE only. Asks once without waiting and
// follows the portal's changes while the program runs; without a session
// bus or a portal it says nothing.
class DesktopScheme : public QObject {
  Q_OBJECT

 public:
  enum class Scheme { NoPreference, Dark, Light };
  explicit DesktopScheme(QDBusConnection bus = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);

  // The portal's number for the scheme: 1 dark, 2 light, else none.
  static Scheme FromPortal(uint value);

 signals:
  void Changed(orbek::DesktopScheme::Scheme scheme);

 public slots:
  // The portal's SettingChanged(group, key, value), taken whole.
  void OnSettingChanged(const QDBusMessage& message);
};

// Puts the application in `scheme`: for Dark, a dark palette (with the
// Fusion style, which draws any palette) unless the platform's own palette
// is dark already; otherwise the platform's own palette and style back.
void ApplyScheme(DesktopScheme::Scheme scheme);

// The palette Dark brings.
QPalette DarkPalette();

}  // namespace orbek
