// The studio's window driven as a user drives it, on the offscreen platform, with the
// plug-in module loaded as the application loads it: a frame file paginated, an ad
// selected by a click at its place, the import undone, the missing-data alert answered,
// an import cancelled from its progress window, the document saved and reopened, and
// the view's page compared with the renderer's PNG.
#include <QApplication>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "document_view.h"
#include "frame_geometry.h"
#include "host/documents/document.h"
#include "host/documents/page_item.h"
#include "layout/composition_state.h"
#include "layout/layout_service_qt.h"
#include "layout/renderer.h"
#include "main_window.h"
#include "qt_services.h"
#include "studio_document.h"
#include "studio_host.h"

using namespace tarvelin;
using namespace tarvelin::studio;
namespace fs = std::filesystem;

namespace {

// Calls `answer` with each modal window shown, polling while the window's own event loop
// runs, until `answer` returns true or the timer is destroyed.
std::unique_ptr<QTimer> AnswerModal(std::function<bool(QWidget*)> answer) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(5);
  QObject::connect(timer.get(), &QTimer::timeout, [t = timer.get(), answer] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->isVisible() && window->isModal() && answer(window)) {
        t->stop();
        return;
      }
    }
  });
  timer->start();
  return timer;
}

bool ClickButton(QWidget* window, const QString& text) {
  for (auto* button : window->findChildren<QPushButton*>()) {
    if (button->text().remove('&') == text) {
      button->click();
      return true;
    }
  }
  return false;
}

size_t InlineFrames(StudioDocument& doc) {
  const CompositionState* state = doc.State();
  const ComposedStory* story = state ? state->Story(MainStory(doc.Doc())) : nullptr;
  return story ? story->inlines.size() : 0;
}

}  // namespace

class StudioWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    std::string error;
    host_ = StudioHost::Start({.workspace = fs::path()}, &error);
    QVERIFY2(host_ != nullptr, error.c_str());
  }
  void init() {
    QVERIFY(dir_.isValid());
    work_ = fs::path(dir_.path().toStdString()) / QTest::currentTestFunction();
    fs::create_directories(work_);
    for (const char* f : {"ogloszenia.rmk", "dzialka.jpg", "komis_logo.tif"})
      fs::copy_file(fs::path(TARVELIN_EXAMPLES) / f, work_ / f);
    window_ = std::make_unique<MainWindow>(*host_);
    window_->resize(1200, 900);
    window_->show();
    host_->Alerts().SetStandingAnswer(AlertAnswer::kContinue);
  }
  void cleanup() {
    window_.reset();
    host_->Alerts().SetStandingAnswer(std::nullopt);
  }
  void cleanupTestCase() { host_.reset(); }

  void paginateSelectUndoSaveReopen() {
    QVERIFY(window_->OpenPath(work_ / "ogloszenia.rmk"));
    DocumentView* view = window_->CurrentView();
    QVERIFY(view);
    StudioDocument& doc = view->Doc();
    QVERIFY(doc.IsModified());
    const size_t frames = InlineFrames(doc);
    QVERIFY(frames >= 5);

    // A click at the place of the first picture frame inside the text selects it.
    const CompositionState* state = doc.State();
    const ComposedStory* story = state->Story(MainStory(doc.Doc()));
    UID target = kInvalidUID;
    for (const PlacedInline& placed : story->inlines)
      if (KindOf(doc.Doc().DataBase(), placed.item) == FrameKind::kPicture) {
        target = placed.item;
        break;
      }
    QVERIFY(target != kInvalidUID);
    auto bounds = PlacedBounds(doc.Doc(), *state, target);
    QVERIFY(bounds);
    view->SetZoom(0.5);
    QPoint at = view->ViewportPoint(0, (bounds->left + bounds->right) / 2,
                                    (bounds->top + bounds->bottom) / 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    const UIDList& selected = doc.Doc().GetSelection().LayoutItems();
    QCOMPARE(selected.size(), size_t{1});
    QCOMPARE(selected[0], target);
    // Escape clears; a click beside the page selects nothing.
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(doc.Doc().GetSelection().IsEmpty());

    // The whole import is one step, named by the plug-in.
    QAction* undo = window_->Action("editUndo");
    QVERIFY2(undo->text().contains("Tarvelin: Import"), qPrintable(undo->text()));
    undo->trigger();
    QCOMPARE(InlineFrames(doc), size_t{0});
    window_->Action("editRedo")->trigger();
    QCOMPARE(InlineFrames(doc), frames);

    const fs::path saved = work_ / "page.tvd";
    QVERIFY(window_->SaveCurrentAs(saved));
    QVERIFY(!doc.IsModified());
    const int pages = view->PageCount();
    QVERIFY(window_->CloseCurrent());
    QCOMPARE(window_->DocumentCount(), 0);
    QVERIFY(window_->OpenPath(saved));
    QCOMPARE(window_->CurrentView()->PageCount(), pages);
    QCOMPARE(InlineFrames(window_->CurrentView()->Doc()), frames);
    QVERIFY(!window_->CurrentDocument()->IsModified());
  }

  void textToolEditsAndUndoes() {
    QVERIFY(window_->OpenPath(work_ / "ogloszenia.rmk"));
    DocumentView* view = window_->CurrentView();
    StudioDocument& doc = view->Doc();
    const CompositionState* state = doc.State();
    const UID main = MainStory(doc.Doc());
    auto caret = CaretRect(doc.Doc(), *state, main, 0);
    QVERIFY(caret);
    window_->Action("toolText")->trigger();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->ViewportPoint(0, caret->left() + 1, caret->center().y()));
    auto text = doc.Doc().GetSelection().Text();
    QVERIFY(text);
    QCOMPARE(text->story, main);
    const int before = state->Story(main)->totalLength;
    QTest::keyClicks(view, "Ab");
    QCOMPARE(doc.State()->Story(main)->totalLength, before + 2);
    QTest::keyClick(view, Qt::Key_Backspace);
    QCOMPARE(doc.State()->Story(main)->totalLength, before + 1);
    // Each key is a step of its own.
    window_->Action("editUndo")->trigger();
    QCOMPARE(doc.State()->Story(main)->totalLength, before + 2);
    window_->Action("editUndo")->trigger();
    window_->Action("editUndo")->trigger();
    QCOMPARE(doc.State()->Story(main)->totalLength, before);
  }

  void propertiesPanelEditsTheSelectedFrameWithUndo() {
    QVERIFY(window_->OpenPath(work_ / "ogloszenia.rmk"));
    QVERIFY(window_->SelectInlineFrame(0));
    StudioDocument& doc = *window_->CurrentDocument();
    const UID frame = doc.Doc().GetSelection().LayoutItems()[0];
    auto item = doc.Doc().DataBase().Query<IPageItem>(frame);
    const PMRect before = item->Bounds();
    auto* panel = window_->findChild<QWidget*>("propertiesPanel");
    QVERIFY(panel);
    auto* height = panel->findChild<QDoubleSpinBox*>("height");
    QVERIFY(height && height->isEnabled());
    QVERIFY(std::abs(height->value() - before.Height()) < 1e-3);  // points unless told
    // An edit of another field leaves the size exactly as it was, not rounded.
    auto* stroke = panel->findChild<QDoubleSpinBox*>("strokeWeight");
    stroke->setValue(stroke->value() + 1);
    emit stroke->editingFinished();
    QCOMPARE(doc.Doc().DataBase().Query<IPageItem>(frame)->Bounds(), before);
    height->setValue(before.Height() + 10);
    emit height->editingFinished();
    // What was typed, at the field's precision.
    QVERIFY(std::abs(doc.Doc().DataBase().Query<IPageItem>(frame)->Bounds().Height() -
                     (before.Height() + 10)) < 1e-3);
    window_->Action("editUndo")->trigger();
    QCOMPARE(doc.Doc().DataBase().Query<IPageItem>(frame)->Bounds(), before);
    window_->Action("editUndo")->trigger();
    QVERIFY(std::abs(height->value() - before.Height()) < 1e-3);
  }

  void missingDataAlertIsAnsweredWithItsThreeButtons() {
    host_->Alerts().SetStandingAnswer(std::nullopt);
    QStringList seen;
    auto answering = AnswerModal([&seen](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (!box) return false;
      // The three-button alert is cancelled; what the engine says after it is taken note of.
      if (box->buttons().size() == 3 && seen.isEmpty()) {
        for (auto* b : box->buttons()) seen << b->text();
        ClickButton(box, "Cancel");
      } else {
        box->accept();
      }
      return false;
    });
    QVERIFY(window_->NewDocument());
    StudioDocument* doc = window_->CurrentDocument();
    const size_t steps = doc->Doc().DataBase().Commands().UndoCount();
    QVERIFY(!window_->ImportFrameFile(work_ / "ogloszenia.rmk"));
    seen.sort();  // the platform orders the buttons
    QCOMPARE(seen, (QStringList{"Cancel", "Continue", "Try Again"}));
    // Cancel in the alert cancels the run, and the document is as it was.
    QCOMPARE(doc->Doc().DataBase().Commands().UndoCount(), steps);
    QCOMPARE(InlineFrames(*doc), size_t{0});
  }

  void cancelInTheProgressWindowLeavesTheDocumentAsItWas() {
    bool clicked = false;
    auto answering = AnswerModal([&clicked](QWidget* modal) {
      if (modal->objectName() != "progressWindow") return false;
      clicked = ClickButton(modal, "Cancel");
      return clicked;
    });
    QVERIFY(window_->NewDocument());
    StudioDocument* doc = window_->CurrentDocument();
    const std::vector<uint8_t> image = doc->Doc().DataBase().Image();
    QVERIFY(!window_->ImportFrameFile(work_ / "ogloszenia.rmk"));
    QVERIFY(clicked);
    QCOMPARE(doc->Doc().DataBase().Commands().UndoCount(), size_t{0});
    QVERIFY(doc->Doc().DataBase().Image() == image);
  }

  void viewDrawsWhatTheRendererWrites() {
    QVERIFY(window_->OpenPath(work_ / "ogloszenia.rmk"));
    DocumentView* view = window_->CurrentView();
    view->SetZoom(1.0);
    const fs::path folder = work_ / "png";
    QVERIFY(window_->ExportPng(folder, DocumentView::kScreenDpi));
    QImage rendered(QString::fromStdString((folder / "page-001.png").string()));
    QVERIFY(!rendered.isNull());
    QImage drawn = view->PageImage(0).convertToFormat(rendered.format());
    QCOMPARE(drawn.size(), rendered.size());
    // Same renderer, same scale: at most a sliver of antialiasing may differ.
    qint64 different = 0, inked = 0;
    for (int y = 0; y < drawn.height(); ++y)
      for (int x = 0; x < drawn.width(); ++x) {
        const QRgb a = drawn.pixel(x, y), b = rendered.pixel(x, y);
        if (qGray(b) < 200) ++inked;
        if (std::abs(qGray(a) - qGray(b)) > 48) ++different;
      }
    QVERIFY(inked > 1000);
    QVERIFY2(different * 200 < inked, qPrintable(QString("%1 of %2").arg(different).arg(inked)));
  }

  void badFilesAreRefusedWithTheirReasonAndNothingElseChanges() {
    QVERIFY(window_->OpenPath(work_ / "ogloszenia.rmk"));
    const fs::path notDocument = work_ / "notes.tvd";
    std::ofstream(notDocument) << "not a document";
    const fs::path badTemplate = work_ / "bad.json";
    std::ofstream(badTemplate) << R"({"columns": 0})";
    const std::pair<std::function<bool()>, QString> cases[] = {
        {[&] { return window_->OpenPath(notDocument); }, "notes.tvd"},
        {[&] { return window_->OpenPath(work_ / "absent.rmk"); }, "absent.rmk"},
        {[&] { return window_->NewDocument(badTemplate); }, "bad.json"},
    };
    for (const auto& [open, name] : cases) {
      QString message;
      auto answering = AnswerModal([&message](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        message = box->text();
        box->accept();
        return true;
      });
      QVERIFY(!open());
      QVERIFY2(message.contains(name), qPrintable(message));
      QCOMPARE(window_->DocumentCount(), 1);
    }
    QVERIFY(window_->CurrentDocument()->IsModified());
  }

 private:
  std::unique_ptr<StudioHost> host_;
  std::unique_ptr<MainWindow> window_;
  QTemporaryDir dir_;
  fs::path work_;
};

QTEST_MAIN(StudioWindowTest)
#include "studio_window_test.moc"
