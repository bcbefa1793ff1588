#include "studio_language.h"

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QTranslator>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/string_table.h"

namespace tarvelin::studio {

namespace {

// English source text -> Polish.
const std::pair<const char*, const char*> kPolish[] = {
    {"&File", "&Plik"},
    {"&Edit", "&Edycja"},
    {"&View", "&Widok"},
    {"&Object", "&Obiekt"},
    {"&Window", "&Okno"},
    {"&Help", "Pomo&c"},
    {"&New", "&Nowy"},
    {"New from &Template...", "Nowy z &szablonu..."},
    {"&Open...", "&Otwórz..."},
    {"Open &Recent", "Ostatnio &otwierane"},
    {"(none)", "(brak)"},
    {"&Import Frame File...", "&Importuj plik ramek..."},
    {"Import &Text...", "Importuj &tekst..."},
    {"Import", "Importuj"},
    {"Open a File", "Otwórz plik"},
    {"Choose a Folder", "Wybierz folder"},
    {"All Documents", "Wszystkie dokumenty"},
    {"%1: %2 characters imported", "%1: zaimportowano znaków: %2"},
    {"select a text frame or place the text cursor in one first",
     "najpierw zaznacz ramkę tekstową lub umieść w niej kursor tekstowy"},
    {"no import filter reads this file", "żaden filtr importu nie odczytuje tego pliku"},
    {"&Save", "&Zapisz"},
    {"Save &As...", "Zapisz &jako..."},
    {"Save As", "Zapisz jako"},
    {"&Revert", "&Przywróć"},
    {"Revert", "Przywróć"},
    {"&Close", "&Zamknij"},
    {"Export &PDF...", "Eksportuj &PDF..."},
    {"Export P&NG...", "Eksportuj P&NG..."},
    {"Export PDF", "Eksportuj PDF"},
    {"Export PNG into folder", "Eksportuj PNG do folderu"},
    {"&Quit", "Za&kończ"},
    {"&Undo", "&Cofnij"},
    {"&Redo", "&Ponów"},
    {"&Undo %1", "&Cofnij %1"},
    {"&Redo %1", "&Ponów %1"},
    {"&Deselect All", "&Odznacz wszystko"},
    {"Zoom &In", "&Powiększ"},
    {"Zoom &Out", "Po&mniejsz"},
    {"&Fit Page", "Dopasuj &stronę"},
    {"Fit &Width", "Dopasuj &szerokość"},
    {"&Actual Size", "&Rzeczywisty rozmiar"},
    {"&Margin and Column Guides", "Linie &marginesów i łamów"},
    {"Frame &Edges", "&Krawędzie ramek"},
    {"&Overset Markers", "Znaczniki &nadmiaru tekstu"},
    {"&Next Page", "&Następna strona"},
    {"&Previous Page", "&Poprzednia strona"},
    {"&Selection Tool", "Narzędzie &zaznaczania"},
    {"&Text Tool", "Narzędzie &tekstu"},
    {"&About Tarvelin Studio", "&O programie Tarvelin Studio"},
    {"About Tarvelin Studio", "O programie Tarvelin Studio"},
    {"&Preferences...", "&Preferencje..."},
    {"Preferences", "Preferencje"},
    {"General", "Ogólne"},
    {"Measurement units", "Jednostki miary"},
    {"Interface language", "Język interfejsu"},
    {"Default template", "Domyślny szablon"},
    {"System default", "Domyślny systemu"},
    {"Built-in template", "Wbudowany szablon"},
    {"Page", "Strona"},
    {"Pages", "Strony"},
    {"Swatches", "Próbki"},
    {"Paragraph Styles", "Style akapitowe"},
    {"Character Styles", "Style znakowe"},
    {"Object Styles", "Style obiektowe"},
    {"Properties", "Właściwości"},
    {"Continue", "Kontynuuj"},
    {"Try Again", "Spróbuj ponownie"},
    {"Cancel", "Anuluj"},
    {"All files (*)", "Wszystkie pliki (*)"},
    {"Documents (*.tvd)", "Dokumenty (*.tvd)"},
    {"Open", "Otwórz"},
    {"Import Frame File", "Importuj plik ramek"},
    {"New from Template", "Nowy z szablonu"},
    {"no such file", "nie ma takiego pliku"},
    {"cannot be read", "nie można odczytać"},
    {"too large for a template", "za duży na szablon"},
    {"built-in template", "wbudowany szablon"},
    {"could not be imported", "nie udało się zaimportować"},
    {"the document has no text frame to import into", "dokument nie ma ramki tekstowej do importu"},
    {"the plug-in gave no report of its run", "wtyczka nie zgłosiła wyniku"},
    {"Import cancelled; the document is as it was.",
     "Import anulowany; dokument jest jak przedtem."},
    {"Save the changes to %1 before closing?", "Zapisać zmiany w %1 przed zamknięciem?"},
    {"Discard the changes to %1 and reopen it?", "Porzucić zmiany w %1 i otworzyć go ponownie?"},
    {"Saved %1", "Zapisano %1"},
    {"Exported %1 pages to %2", "Wyeksportowano strony (%1) do %2"},
    {"Exporting PDF", "Eksport PDF"},
    {"Exporting PNG", "Eksport PNG"},
    {"Typing", "Pisanie"},
    {"Delete text", "Usuń tekst"},
    {"Untitled", "Bez tytułu"},
    {"Position", "Położenie"},
    {"Size", "Rozmiar"},
    {"Fill", "Wypełnienie"},
    {"Stroke", "Obrys"},
    {"Stroke weight", "Grubość obrysu"},
    {"Insets", "Odstępy wewnętrzne"},
    {"Columns", "Łamy"},
    {"Gutter", "Odstęp między łamami"},
    {"Fit", "Dopasowanie"},
    {"None", "Brak"},
    {"No frame selected", "Nie zaznaczono ramki"},
    {"Change frame", "Zmień ramkę"},
    {"Document", "Dokument"},
    {"Styles", "Style"},
    {"Name", "Nazwa"},
    {"Model", "Model"},
    {"Values", "Wartości"},
    {"Width", "Szerokość"},
    {"Height", "Wysokość"},
    {"Choose...", "Wybierz..."},
    {"Inset %1", "Odstęp %1"},
    {"left", "lewy"},
    {"top", "górny"},
    {"right", "prawy"},
    {"bottom", "dolny"},
    {"text fits", "tekst się mieści"},
    {"text does not fit (overset)", "tekst się nie mieści (nadmiar)"},
    {"%1 frame, UID %2%3", "ramka %1, UID %2%3"},
    {"text", "tekstowa"},
    {"picture", "graficzna"},
    {"empty", "pusta"},
    {"open or create a document to import text into",
     "otwórz lub utwórz dokument, do którego zaimportować tekst"},
    {"Close", "Zamknij"},
    {"The studio cannot start:\n%1", "Studio nie może się uruchomić:\n%1"},
    {" (see %1)", " (zob. %1)"},
    {"%1: %2 frames, %3 pictures placed, %4 missing, %5 warnings",
     "%1: ramki: %2, umieszczone obrazy: %3, brakujące: %4, ostrzeżenia: %5"},
    {"<b>Tarvelin Studio</b> %1<br>Pagination of advertisements.",
     "<b>Tarvelin Studio</b> %1<br>Łamanie ogłoszeń."},
    {"Documents and frame files (*.tvd *.rmk *.txt);;Documents (*.tvd);;All files (*)",
     "Dokumenty i pliki ramek (*.tvd *.rmk *.txt);;Dokumenty (*.tvd);;Wszystkie pliki (*)"},
    {"Frame files (*.rmk *.txt);;All files (*)", "Pliki ramek (*.rmk *.txt);;Wszystkie pliki (*)"},
    {"Templates (*.json);;All files (*)", "Szablony (*.json);;Wszystkie pliki (*)"},
    {"Writing %1", "Zapisywanie %1"},
    {"Writing pages into %1", "Zapisywanie stron do %1"},
    {" spot", " dodatkowy"},
    {", inline", ", zakotwiczona"},
};

class TableTranslator final : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char*, const char* source, const char*, int) const override {
    const char* text = PolishText(source);
    return text ? QString::fromUtf8(text) : QString();
  }
};

std::unique_ptr<TableTranslator>& Installed() {
  static std::unique_ptr<TableTranslator> translator;
  return translator;
}

}  // namespace

const char* PolishText(const char* english) {
  static const std::unordered_map<std::string_view, const char*> table = [] {
    std::unordered_map<std::string_view, const char*> t;
    for (const auto& [en, pl] : kPolish) t.emplace(en, pl);
    return t;
  }();
  if (!english) return nullptr;
  auto it = table.find(english);
  return it == table.end() ? nullptr : it->second;
}

StudioLanguage StoredLanguage() {
  const QString value = QSettings().value("language").toString();
  if (value == "en") return StudioLanguage::kEnglish;
  if (value == "pl") return StudioLanguage::kPolish;
  return StudioLanguage::kSystem;
}

void StoreLanguage(StudioLanguage language) {
  QSettings settings;
  switch (language) {
    case StudioLanguage::kSystem:
      settings.remove("language");
      break;
    case StudioLanguage::kEnglish:
      settings.setValue("language", "en");
      break;
    case StudioLanguage::kPolish:
      settings.setValue("language", "pl");
      break;
  }
}

bool SystemPrefersPolish() {
  return QLocale::system().language() == QLocale::Polish;
}

void ApplyLanguage(StudioLanguage language) {
  const bool polish = language == StudioLanguage::kPolish ||
                      (language == StudioLanguage::kSystem && SystemPrefersPolish());
  SetLanguage(polish ? Language::kPolish : Language::kEnglish);
  auto& translator = Installed();
  if (polish && !translator) {
    translator = std::make_unique<TableTranslator>();
    QApplication::installTranslator(translator.get());
  } else if (!polish && translator) {
    QApplication::removeTranslator(translator.get());
    translator.reset();
  }
}

}  // namespace tarvelin::studio
