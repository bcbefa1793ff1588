// The platform's part of a front end's services, on Qt: the system's fonts, image
// decoding and composition. Every front end that runs on Qt offers the same three.
#pragma once

#include "host/application/services.h"
#include "layout/layout_service_qt.h"
#include "layout/qt_font_catalogue.h"
#include "layout/qt_image_probe.h"

namespace tarvelin {

struct QtPlatform {
  QtFontCatalogue fonts;
  QtImageProbe images;
  QtLayoutService layout;

  // Points the services at these; they must outlive the application that uses them.
  void Offer(HostServices& services) {
    services.fonts = &fonts;
    services.images = &images;
    services.layout = &layout;
  }
};

}  // namespace tarvelin
