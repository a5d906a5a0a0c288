#include "res/SkinPictures.h"

#include <QFile>
#include <map>
#include <mutex>

// Resources compiled into a static library are only linked in when something
// refers to them; this reference also registers them. It must be made outside
// any namespace.
static void RegisterSkinResources() { Q_INIT_RESOURCE(skin); }

namespace vuruzid::skin {
namespace {

void EnsureResources() {
  static std::once_flag registered;
  std::call_once(registered, RegisterSkinResources);
}

bool IsJpeg(Picture picture) {
  return picture == Picture::FullBackground || picture == Picture::CompactBackground ||
         picture == Picture::Emblem;
}

}  // namespace

QString ResourcePath(Picture picture) {
  switch (picture) {
    case Picture::FullBackground: return QStringLiteral(":/skin/full-background.jpg");
    case Picture::CompactBackground: return QStringLiteral(":/skin/compact-background.jpg");
    case Picture::Emblem: return QStringLiteral(":/skin/emblem.jpg");
    case Picture::WideButtonUp: return QStringLiteral(":/skin/wide-button-up.bmp");
    case Picture::WideButtonPressed: return QStringLiteral(":/skin/wide-button-pressed.bmp");
    case Picture::SmallButtonUp: return QStringLiteral(":/skin/small-button-up.bmp");
    case Picture::SmallButtonPressed: return QStringLiteral(":/skin/small-button-pressed.bmp");
    case Picture::SignalOn: return QStringLiteral(":/skin/signal-on.bmp");
    case Picture::SignalOff: return QStringLiteral(":/skin/signal-off.bmp");
    case Picture::CheckingIndicator: return QStringLiteral(":/skin/checking-indicator.bmp");
    case Picture::AppIcon: return QStringLiteral(":/skin/vuruzid.ico");
    case Picture::AboutPicture: return QStringLiteral(":/skin/about.png");
  }
  return {};
}

namespace {

QImage Decode(Picture picture) {
  EnsureResources();
  const QString path = ResourcePath(picture);
  if (!IsJpeg(picture)) return QImage(path);  // format found from the data
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return DecodeJpeg(file.readAll());
}

}  // namespace

QImage Load(Picture picture) {
  // The window shows the same button pictures many times over: each is
  // decoded once and then shared (a QImage copy shares its pixels).
  static std::mutex guard;
  static std::map<Picture, QImage> decoded;
  const std::lock_guard lock(guard);
  const auto [place, isNew] = decoded.try_emplace(picture);
  if (isNew) place->second = Decode(picture);
  return place->second;
}

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  icon.addFile(ResourcePath(Picture::AppIcon), QSize(32, 32));
  icon.addFile(QStringLiteral(":/skin/vuruzid-64.png"), QSize(64, 64));
  return icon;
}

}  // namespace vuruzid::skin
