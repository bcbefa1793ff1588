// Saves a widget's picture when TARVELIN_FACE_SHOTS names a folder (for looking at the
// widgets; the tests do not depend on it).
#pragma once

#include <QDir>
#include <QPixmap>
#include <QWidget>

inline void SaveShot(QWidget& widget, const char* name) {
  const QByteArray folder = qgetenv("TARVELIN_FACE_SHOTS");
  if (folder.isEmpty()) return;
  widget.adjustSize();
  widget.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QString::fromLatin1(name)));
}
