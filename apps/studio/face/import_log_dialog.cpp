#include "import_log_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "face_fonts.h"
#include "face_icons.h"
#include "face_text.h"

namespace tarvelin::studio::face {

ImportLogDialog::ImportLogDialog(const std::u16string& text, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Tr("0x113380kVorrinDialogTitleKey"));
  const QString intro = Tr("0x113380kZevStringLogInitialTextKey");
  QString log = ToQ(text);
  if (log.startsWith(intro)) log = log.mid(intro.size());
  if (log.startsWith(QLatin1Char('\n'))) log.remove(0, 1);
  // The log's lines end in a lone CR.
  log.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (log.endsWith(QLatin1Char('\n'))) log.chop(1);

  auto* icon = new QLabel(this);
  icon->setPixmap(FacePixmap(kLogDialogIcon));
  icon->setAlignment(Qt::AlignTop);
  auto* label = new QLabel(intro, this);
  label->setWordWrap(true);
  UseFont(label, FaceFont::kHeading);
  field_ = new QPlainTextEdit(log, this);
  field_->setReadOnly(true);
  field_->setLineWrapMode(QPlainTextEdit::NoWrap);
  UseFont(field_, FaceFont::kSmall);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(label, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(field_, 1);
  layout->addWidget(buttons);
  resize(520, 360);
}

QString ImportLogDialog::FieldText() const {
  return field_->toPlainText();
}

void ImportLogViewer::ShowText(const std::u16string& /*title*/, const std::u16string& text) {
  ImportLogDialog dialog(text, parent_);
  dialog.exec();
}

}  // namespace tarvelin::studio::face
