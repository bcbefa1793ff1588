#include "core/alert.h"

namespace tarvelin {

namespace {
class DefaultAlerts final : public AlertService {
 public:
  void Information(const std::u16string&) override {}
  AlertAnswer ThreeButtons(const std::u16string&, const std::u16string&) override {
    return AlertAnswer::kContinue;
  }
};

DefaultAlerts g_default;
AlertService* g_service = nullptr;
}  // namespace

void InstallAlertService(AlertService* service) {
  g_service = service;
}
AlertService& Alerts() {
  return g_service ? *g_service : g_default;
}

}  // namespace tarvelin
