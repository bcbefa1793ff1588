#include "face_fonts.h"

#include <QApplication>
#include <QWidget>
#include <cmath>

#include "face_text.h"
#include "host/application/application.h"
#include "host/application/interface_fonts.h"
#include "shell/plugin_ids.h"

namespace tarvelin::studio::face {

QFont InterfaceQFont(FaceFont role) {
  QFont font = QApplication::font();
  const Application* app = Application::Current();
  const InterfaceFontService* service = app ? app->Services().interfaceFonts : nullptr;
  const InterfaceFont* registered =
      service ? service->Find(plugin_ids::P(static_cast<uint32_t>(role))) : nullptr;
  if (!registered) return font;
  if (!registered->face.empty()) font.setFamily(ToQ(registered->face));
  font.setPointSize(registered->size);
  font.setBold(registered->style == 1);
  return font;
}

void UseFont(QWidget* widget, FaceFont role) {
  widget->setFont(InterfaceQFont(role));
}

int StudioInterfaceFontSize() {
  const QFont font = QApplication::font();
  if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
  // A font sized in pixels: points at the screen's resolution.
  constexpr int kFallback = 10;
  const int pixels = font.pixelSize();
  return pixels > 0 ? static_cast<int>(std::lround(pixels * 72.0 / 96.0)) : kFallback;
}

}  // namespace tarvelin::studio::face
