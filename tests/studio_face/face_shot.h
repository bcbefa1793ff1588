// Saves a widget's picture when TARVELIN_FACE_SHOTS names a folder (for looking at the
// widgets; the tests do not depend on it).
#pragma once

#include <QDir>
#include <QPixmap>
#include <QWidget>

// A window keeps its size; a dialog or panel is shown at the size its contents ask for.
inline void SaveShot(QWidget& widget, const QString& name, bool keepSize = false) {
  const QByteArray folder = qgetenv("TARVELIN_FACE_SHOTS");
  if (folder.isEmpty()) return;
  if (!keepSize) widget.adjustSize();
  widget.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name));
}
