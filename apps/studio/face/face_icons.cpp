#include "face_icons.h"

// A static library's resources are not registered unless someone asks for them.
static void InitFaceIcons() {
  static const bool done = [] {
    Q_INIT_RESOURCE(face_icons);
    return true;
  }();
  (void)done;
}

namespace tarvelin::studio::face {

namespace {

QString PixmapPath(int resource, bool highlighted) {
  InitFaceIcons();
  return QStringLiteral(":/tarvelin/face/%1%2.png")
      .arg(resource)
      .arg(highlighted ? QStringLiteral("_hi") : QString());
}

}  // namespace

QPixmap FacePixmap(int resource, bool highlighted) {
  return QPixmap(PixmapPath(resource, highlighted));
}

QIcon FaceIcon(int resource) {
  QIcon icon;
  icon.addPixmap(FacePixmap(resource, false), QIcon::Normal);
  const QPixmap hi = FacePixmap(resource, true);
  icon.addPixmap(hi, QIcon::Active);
  icon.addPixmap(hi, QIcon::Selected);
  return icon;
}

QIcon StudioApplicationIcon() {
  InitFaceIcons();
  return QIcon(QStringLiteral(":/tarvelin/face/tarvelin-studio.png"));
}

}  // namespace tarvelin::studio::face
