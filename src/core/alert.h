// Alerts, as the host offers them to the engine. Front ends implement AlertService: the
// studio with message boxes, the CLI with a policy flag or a prompt on the terminal,
// tests with a scripted fake. Without a service, alerts are answered with their default.
#pragma once

#include <string>

namespace tarvelin {

// The three answers of the missing-data alert.
enum class AlertAnswer { kContinue, kTryAgain, kCancel };

class AlertService {
 public:
  virtual ~AlertService() = default;
  // An information alert with one OK button.
  virtual void Information(const std::u16string& text) = 0;
  // A three-button warning: Continue, Try Again, Cancel.
  virtual AlertAnswer ThreeButtons(const std::u16string& title, const std::u16string& text) = 0;
};

// The service that Alerts() answers with. The running Application installs its front
// end's (HostServices::alerts) and removes it when it ends; front ends never call this.
// Tests of code below the host may install a fake. Null restores the default
// (information is dropped, the three-button alert answers Continue).
void InstallAlertService(AlertService* service);
AlertService& Alerts();

}  // namespace tarvelin
