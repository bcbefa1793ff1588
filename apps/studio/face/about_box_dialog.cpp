#include "about_box_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/diagnostics.h"
#include "face_fonts.h"
#include "face_icons.h"
#include "face_text.h"
#include "host/application/action_manager.h"
#include "shell/plugin_ids.h"
#include "shell/plugin_resources.h"

namespace tarvelin::studio::face {

AboutBoxDialog::AboutBoxDialog(const std::string& revisionLine, ActionManager& actions,
                               QWidget* parent)
    : QDialog(parent) {
  UseFont(this, FaceFont::kBody);  // what the children do not set for themselves
  setWindowTitle(Tr("0x113380kVorrinAboutMenuKey").remove(QStringLiteral("...")));
  auto* banner = new QLabel(this);
  banner->setPixmap(FacePixmap(kAboutBannerIcon));
  auto* components = new QLabel(Tr("0x113380kVorrinAboutBoxComponentsKey"), this);
  UseFont(components, FaceFont::kHeading);
  auto* text = new QLabel(Tr("0x113380kVorrinAboutBoxStringKey"), this);
  text->setWordWrap(true);
  web_ = new QPushButton(Tr("0x113380kZevStringVisitDeveloperWebPage"), this);
  connect(web_, &QPushButton::clicked, this,
          [&actions] { actions.PerformAction(plugin_ids::kVisitWebPageAction); });
  revision_ = new QLabel(QString::fromStdString(revisionLine), this);
  revision_->setObjectName(QStringLiteral("revisionLine"));
  UseFont(revision_, FaceFont::kLarge);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(banner);
  layout->addWidget(components);
  layout->addWidget(text);
  layout->addWidget(web_, 0, Qt::AlignLeft);
  layout->addWidget(revision_);
  layout->addWidget(buttons);
  setFixedWidth(banner->pixmap().width() + 24);
}

bool OpenDeveloperPage() {
  if (QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDeveloperWebPage)))) return true;
  diag::Printf("Could not open the developer's page %s\n", kDeveloperWebPage);
  return false;
}

}  // namespace tarvelin::studio::face
