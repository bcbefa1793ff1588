// The about box: banner, "Components:", the about text, the button to the developer's
// page and the plug-in's name-and-revision line.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace tarvelin {
class ActionManager;
}

namespace tarvelin::studio::face {

class AboutBoxDialog final : public QDialog {
  Q_OBJECT
 public:
  // The button performs the developer's-page action through `actions`.
  AboutBoxDialog(const std::string& revisionLine, ActionManager& actions,
                 QWidget* parent = nullptr);
  QLabel* RevisionLine() const { return revision_; }
  QPushButton* WebPageButton() const { return web_; }

 private:
  QLabel* revision_;
  QPushButton* web_;
};

// Opens the developer's page in the system browser; false when it could not be opened.
bool OpenDeveloperPage();

}  // namespace tarvelin::studio::face
