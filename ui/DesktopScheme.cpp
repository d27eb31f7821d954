#include "ui/DesktopScheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QStyle>
#include <QStyleFactory>

namespace orbek {

namespace {

Q_LOGGING_CATEGORY(lcScheme, "orbek.scheme")

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");

// The portal wraps the value in one variant more than it says.
uint Unwrapped(QVariant value) {
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value.toUInt();
}

bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < 128;
}

}  // namespace

DesktopScheme::DesktopScheme(QDBusConnection bus, QObject* parent) : QObject(parent) {
  if (!bus.isConnected()) return;
  if (!bus.connect(kPortal, kPath, kSettings, QStringLiteral("SettingChanged"), this,
                   SLOT(OnSettingChanged(QDBusMessage))))
    qCWarning(lcScheme) << "cannot follow the portal's colour scheme:" << bus.lastError().message();
  QDBusMessage read = QDBusMessage::createMethodCall(kPortal, kPath, kSettings,
                                                     QStringLiteral("Read"));
  read << kAppearance << kColorScheme;
  // Never wait for a portal that is slow to start: the answer comes later.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(read, 2000), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    const QDBusPendingReply<QVariant> reply = *call;
    call->deleteLater();
    if (reply.isError()) {
      qCDebug(lcScheme) << "no colour scheme from the portal:" << reply.error().message();
      return;
    }
    emit Changed(FromPortal(Unwrapped(reply.value())));
  });
}

DesktopScheme::Scheme DesktopScheme::FromPortal(uint value) {
  switch (value) {
    case 1:
      return Scheme::Dark;
    case 2:
      return Scheme::Light;
    default:
      return Scheme::NoPreference;
  }
}

void DesktopScheme::OnSettingChanged(const QDBusMessage& message) {
  const QVariantList arguments = message.arguments();
  if (arguments.size() != 3 || arguments[0].toString() != kAppearance ||
      arguments[1].toString() != kColorScheme)
    return;
  emit Changed(FromPortal(Unwrapped(arguments[2])));
}

QPalette DarkPalette() {
  QPalette dark;
  const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230);
  const QColor disabled(127, 127, 127), highlight(42, 130, 218);
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool off = group == QPalette::Disabled;
    dark.setColor(group, QPalette::Window, window);
    dark.setColor(group, QPalette::WindowText, off ? disabled : text);
    dark.setColor(group, QPalette::Base, base);
    dark.setColor(group, QPalette::AlternateBase, window);
    dark.setColor(group, QPalette::Text, off ? disabled : text);
    dark.setColor(group, QPalette::Button, window);
    dark.setColor(group, QPalette::ButtonText, off ? disabled : text);
    dark.setColor(group, QPalette::ToolTipBase, base);
    dark.setColor(group, QPalette::ToolTipText, text);
    dark.setColor(group, QPalette::PlaceholderText, disabled);
    dark.setColor(group, QPalette::Highlight, highlight);
    dark.setColor(group, QPalette::HighlightedText, Qt::white);
    dark.setColor(group, QPalette::Link, highlight.lighter(130));
    dark.setColor(group, QPalette::Light, window.lighter(160));
    dark.setColor(group, QPalette::Midlight, window.lighter(130));
    dark.setColor(group, QPalette::Mid, window.darker(130));
    dark.setColor(group, QPalette::Dark, window.darker(160));
    dark.setColor(group, QPalette::Shadow, Qt::black);
  }
  return dark;
}

// The platform's own look, kept from before the first change.
void ApplyScheme(DesktopScheme::Scheme scheme) {
  static const QString ownStyle = QApplication::style()->name();
  static const QPalette ownPalette = QApplication::palette();
  const bool dark = scheme == DesktopScheme::Scheme::Dark && !IsDark(ownPalette);
  if (dark) {
    if (QApplication::style()->name() != QLatin1String("fusion"))
      QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
    return;
  }
  if (QApplication::style()->name() != ownStyle)
    QApplication::setStyle(QStyleFactory::create(ownStyle));
  QApplication::setPalette(ownPalette);
}

}  // namespace orbek
