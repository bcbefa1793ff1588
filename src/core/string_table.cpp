#include "core/string_table.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <unordered_map>

#include "core/utf16.h"

namespace tarvelin {

namespace {

struct Entry {
  std::string_view key;
  std::string_view text;  // UTF-8
};

// English texts of the user interface, the import log and the alerts.
constexpr Entry kEnglish[] = {
    {"0x113380kVorrinAboutMenuKey", "About Tarvelin..."},
    {"0x113380kVorrinImportTaggedFileKey", "Import and process..."},
    {"0x113380kVorrinProcessOnlyKey", "Process"},
    {"About this pl&ug-in...", "About this pl&ug-in..."},
    {"0x113380kZevStringVisitDeveloperWebPage", "Visit developer's page"},
    {"0x113380kVorrinProgressBarTitle", "Creating inline frames"},
    {"0x113380kVorrinPanelTitleKey", "Tarvelin"},
    {"0x113380kVorrinStaticTextKey", "Tarvelin"},
    {"0x113380kVorrinDialogTitleKey", "Tarvelin"},
    {"0x113380kZevStringMissingGraphicsFileKey", "Image file missing"},
    {"0x113380kQXTIDialogTitleKey", "Tarvelin[US]"},
    {"0x113380kVorrinPreferencesMenuKey", "Preferences..."},
    {"0x113380kVorrinAboutBoxComponentsKey", "Components:"},
    {"0x113380kVorrinImportUndoKey", "Tarvelin: Import"},
    {"0x113380kVorrinReconnectGraphicsFileUndoKey", "Tarvelin: Reconnect missing graphics file"},
    {"0x113380kVorrinAboutBoxStringKey",
     "Tarvelin 1.1\nPaginates advertisement frame files into laid-out documents."},
    {"0x113380kCommonPreferencesStringKey", "Tarvelin"},
    {"0x113380kZevFrameDidntChooseElementKey",
     "No frame box has been selected. Please choose a frame to import RMK files into."},
    {"0x113380kZevImportStreamKey", "Importing"},
    {"0x113380kZevSearchFramesKey", "Searching for inline frame definitions"},
    {"0x113380kZevIterateThroughTextKey", "Searching in text"},
    {"0x113380kZevCreatingNodesKey", "Creating inline frames"},
    {"0x113380kZevCreatingNodesAndInnerNodesKey", "Creation and positioning of inline frames"},
    {"0x113380kZevStringLogStartedReadingFileKey", "Started processing of file \"%s\"."},
    {"0x113380kZevStringDidEndImportProcessKey", "Finished import process."},
    {"0x113380kZevStringLogInitialTextKey",
     "There were errors or warnings during the import phase:"},
    {"0x113380kZevStringCouldNotOpenGraphicsFileShortKey",
     "Cannot read the file named \"%s\". Do you want to continue?"},
    {"0x113380kZevStringCouldNotOpenGraphicsFileLongWindowsKey",
     "Cannot read the file named \"%s\". Click \"Continue\" to disregard this error. Click "
     "\"Try again\" to supress displaying further messages of this type. Click \"Cancel\" to "
     "stop the import process."},
    {"0x113380kZevStringCouldNotOpenGraphicsFileKey",
     "Cannot read the file named \"%s\". Please check whether correct image folders are set "
     "(preferences), if the file exists in mentioned folders or/and if the user has correct "
     "filesystem permissions."},
    {"0x113380kZevStringLogNoSuchObjectStyleKey",
     "The object style named \"%s\" does not exist and will not be applied to the created "
     "frame."},
    {"0x113380kVorrinShowLogKey", "Show log"},
    {"0x113380kVorrinYesKey", "Yes"},
    {"0x113380kVorrinNoKey", "Stop"},
    {"0x113380kVorrinDontDisplayAgain", "Don't show again"},
    {"0x113380kVorrinDoYouWantToContinue", "Do you want to continue?"},
    {"0x113380kZevStringLogNoSuchSwatchKey",
     "Cannot set swatch named \"%s\". Swatch doesn't exist. Do you want to continue?"},
    {"0x113380kQXTImportFilterCouldNotAddOneOrMoreOfTheFollowingStyles",
     "Could not add one or more of the following styles because they already exist in this "
     "document. Imported text is using the existing (old) styles. If you want to add them, "
     "please remove them first and repeat the import process. Offendig styles:"},
    {"0x113380kQXTImportFilterCharacterStylesKey", "Character styles: "},
    {"0x113380kQXTImportFilterParagraphStylesKey", "Paragraph styles: "},
    {"0x113380kQXTImportFilterColorSwatchesStylesKey", "Color swatches: "},
    {"0x113380kZevStringGraphicsFolder1Key", "Image folder 1:"},
    {"0x113380kZevStringGraphicsFolder2Key", "Image folder 2:"},
    {"0x113380kZevStringGraphicsFolder3Key", "Image folder 3:"},
    {"0x113380kZevStringGraphicsFolder4Key", "Image folder 4:"},
    {"0x113380kZevStringReconnectMissingGraphicFileTooltipKey",
     "This inline frame should contain an image file which could not be accessed during import "
     "phase. You can click this button to force the plugin to search for it again."},
    {"0x113380kZevStringImportAndProcessKey", "Choose a text frame and import a file"},
    {"0x113380kZevStringShowLogKey", "Show log if anything was imported"},
    {"0x113380kQuarkFilesKey", "Quark XPressTag Files"},
    {"0x113380kForceMacCEEncodingKey", "Force MacCE encoding"},
    {"0x113380QXTImportFilterTitleKey", "Importing QuarkXPress tags"},
    {"0x113380QXTImportFilterActionExplainedKey",
     "Converting QuarkXPress tags to InDesign styled text"},
    {"0x113380kAutoUpdateKey",
     "A new version of Tarvelin has been found. Do you want to open your browser and download "
     "the new version?"},
    {"0x113380kGPSPChangeKey", "Change"},
    {"0x113380kZevStringLogEncodingKey", "The file \"%s\" was read as %s."},
    {"0x113380kZevStringLogDroppedCharactersKey",
     "The file \"%s\" held %d NUL characters, which were dropped, and %d bytes that are not "
     "characters of its encoding, which were replaced by U+FFFD."},
    {"0x113380kZevStringLogPictureNameIsAPathKey",
     "The picture file name \"%s\" names a path, not a plain file name; it is not looked up."},
    {"0x113380kZevStringLogCouldNotPlaceImageKey",
     "The image file \"%s\" could not be placed: %s."},
    {"0x113380kZevStringLogCouldNotReadFrameFileKey", "The file \"%s\" could not be read."},
    {"0x113380kZevStringLogInnerBoxesTooDeepKey", "Inner boxes nested too deep were left as text."},
};

// Polish texts: the same keys, plus the dialog's menu item.
constexpr Entry kPolish[] = {
    {"0x113380kVorrinAboutMenuKey", "O programie Tarvelin..."},
    {"0x113380kVorrinImportTaggedFileKey", "Importuj i przetwórz..."},
    {"0x113380kVorrinProcessOnlyKey", "Przetwórz"},
    {"About this pl&ug-in...", "O tej &wtyczce..."},
    {"0x113380kZevStringVisitDeveloperWebPage", "Odwiedź stronę producenta"},
    {"0x113380kVorrinProgressBarTitle", "Tworzenie ramek zakotwiczonych"},
    {"0x113380kVorrinPanelTitleKey", "Tarvelin"},
    {"0x113380kVorrinStaticTextKey", "Tarvelin"},
    {"0x113380kVorrinDialogTitleKey", "Tarvelin"},
    {"0x113380kZevStringMissingGraphicsFileKey", "Brak pliku obrazu"},
    {"0x113380kQXTIDialogTitleKey", "Tarvelin[PL]"},
    {"0x113380kVorrinPreferencesMenuKey", "Preferencje..."},
    {"0x113380kVorrinAboutBoxComponentsKey", "Składniki:"},
    {"0x113380kVorrinImportUndoKey", "Tarvelin: Import"},
    {"0x113380kVorrinReconnectGraphicsFileUndoKey",
     "Tarvelin: Ponowne połączenie brakującego pliku obrazu"},
    {"0x113380kVorrinAboutBoxStringKey",
     "Tarvelin 1.1\nSkłada pliki ramek z ogłoszeniami w gotowe do druku dokumenty."},
    {"0x113380kCommonPreferencesStringKey", "Tarvelin"},
    {"0x113380kZevFrameDidntChooseElementKey",
     "Nie zaznaczono żadnej ramki. Wybierz ramkę, do której mają zostać zaimportowane pliki "
     "RMK."},
    {"0x113380kZevImportStreamKey", "Importowanie"},
    {"0x113380kZevSearchFramesKey", "Wyszukiwanie definicji ramek zakotwiczonych"},
    {"0x113380kZevIterateThroughTextKey", "Przeszukiwanie tekstu"},
    {"0x113380kZevCreatingNodesKey", "Tworzenie ramek zakotwiczonych"},
    {"0x113380kZevCreatingNodesAndInnerNodesKey",
     "Tworzenie i pozycjonowanie ramek zakotwiczonych"},
    {"0x113380kZevStringLogStartedReadingFileKey", "Rozpoczęto przetwarzanie pliku \"%s\"."},
    {"0x113380kZevStringDidEndImportProcessKey", "Zakończono proces importu."},
    {"0x113380kZevStringLogInitialTextKey", "Podczas importu wystąpiły błędy lub ostrzeżenia:"},
    {"0x113380kZevStringCouldNotOpenGraphicsFileShortKey",
     "Nie można odczytać pliku o nazwie \"%s\". Czy chcesz kontynuować?"},
    {"0x113380kZevStringCouldNotOpenGraphicsFileLongWindowsKey",
     "Nie można odczytać pliku o nazwie \"%s\". Kliknij \"Kontynuuj\", aby pominąć ten błąd. "
     "Kliknij \"Ponów\", aby nie wyświetlać kolejnych komunikatów tego rodzaju. Kliknij "
     "\"Anuluj\", aby przerwać import."},
    {"0x113380kZevStringCouldNotOpenGraphicsFileKey",
     "Nie można odczytać pliku o nazwie \"%s\". Sprawdź, czy w preferencjach ustawiono właściwe "
     "foldery obrazów, czy plik znajduje się w jednym z tych folderów i czy użytkownik ma "
     "odpowiednie uprawnienia do plików."},
    {"0x113380kZevStringLogNoSuchObjectStyleKey",
     "Styl obiektu o nazwie \"%s\" nie istnieje i nie zostanie zastosowany do utworzonej "
     "ramki."},
    {"0x113380kVorrinShowLogKey", "Pokaż dziennik"},
    {"0x113380kVorrinYesKey", "Tak"},
    {"0x113380kVorrinNoKey", "Zatrzymaj"},
    {"0x113380kVorrinDontDisplayAgain", "Nie pokazuj ponownie"},
    {"0x113380kVorrinDoYouWantToContinue", "Czy chcesz kontynuować?"},
    {"0x113380kZevStringLogNoSuchSwatchKey",
     "Nie można ustawić próbki o nazwie \"%s\". Próbka nie istnieje. Czy chcesz kontynuować?"},
    {"0x113380kQXTImportFilterCouldNotAddOneOrMoreOfTheFollowingStyles",
     "Nie można było dodać co najmniej jednego z poniższych stylów, ponieważ już istnieją w tym "
     "dokumencie. Zaimportowany tekst używa istniejących (starych) stylów. Aby je dodać, usuń "
     "je najpierw i powtórz import. Style, których dotyczy problem:"},
    {"0x113380kQXTImportFilterCharacterStylesKey", "Style znakowe: "},
    {"0x113380kQXTImportFilterParagraphStylesKey", "Style akapitowe: "},
    {"0x113380kQXTImportFilterColorSwatchesStylesKey", "Próbki kolorów: "},
    {"0x113380kZevStringGraphicsFolder1Key", "Folder obrazów 1:"},
    {"0x113380kZevStringGraphicsFolder2Key", "Folder obrazów 2:"},
    {"0x113380kZevStringGraphicsFolder3Key", "Folder obrazów 3:"},
    {"0x113380kZevStringGraphicsFolder4Key", "Folder obrazów 4:"},
    {"0x113380kZevStringReconnectMissingGraphicFileTooltipKey",
     "Ta ramka zakotwiczona powinna zawierać plik obrazu, którego nie udało się odczytać "
     "podczas importu. Kliknij ten przycisk, aby wtyczka ponownie go wyszukała."},
    {"0x113380kZevStringImportAndProcessKey", "Wybierz ramkę tekstową i zaimportuj plik"},
    {"0x113380kZevStringShowLogKey", "Pokaż dziennik, jeśli cokolwiek zaimportowano"},
    {"0x113380kQuarkFilesKey", "Pliki QuarkXPress Tags"},
    {"0x113380kForceMacCEEncodingKey", "Wymuś kodowanie MacCE"},
    {"0x113380QXTImportFilterTitleKey", "Importowanie znaczników QuarkXPress"},
    {"0x113380QXTImportFilterActionExplainedKey",
     "Zamiana znaczników QuarkXPress na sformatowany tekst InDesign"},
    {"0x113380kAutoUpdateKey",
     "Znaleziono nową wersję programu Tarvelin. Czy chcesz otworzyć przeglądarkę i pobrać nową "
     "wersję?"},
    {"0x113380kGPSPChangeKey", "Zmień"},
    {"0x113380kZevStringLogEncodingKey", "Plik \"%s\" odczytano w kodowaniu %s."},
    {"0x113380kZevStringLogDroppedCharactersKey",
     "Plik \"%s\" zawierał znaki NUL (%d), które pominięto, oraz bajty niebędące znakami jego "
     "kodowania (%d), które zastąpiono znakiem U+FFFD."},
    {"0x113380kZevStringLogPictureNameIsAPathKey",
     "Nazwa pliku obrazu \"%s\" jest ścieżką, a nie samą nazwą pliku; pliku nie szukano."},
    {"0x113380kZevStringLogCouldNotPlaceImageKey",
     "Nie udało się umieścić pliku obrazu \"%s\": %s."},
    {"0x113380kZevStringLogCouldNotReadFrameFileKey", "Nie można odczytać pliku \"%s\"."},
    {"0x113380kZevStringLogInnerBoxesTooDeepKey",
     "Ramki wewnętrzne zagnieżdżone zbyt głęboko pozostawiono jako tekst."},
    {"0x113380kVorrinDialogMenuItemKey", "Dziennik importu"},
};

using Table = std::unordered_map<std::string_view, std::u16string>;

template <size_t N>
Table BuildTable(const Entry (&entries)[N]) {
  Table table;
  for (const auto& e : entries) table.emplace(e.key, FromUtf8(e.text));
  return table;
}

const Table& TableFor(Language language) {
  static const Table english = BuildTable(kEnglish);
  static const Table polish = BuildTable(kPolish);
  return language == Language::kPolish ? polish : english;
}

std::atomic<Language> g_language{Language::kEnglish};

}  // namespace

Language LanguageForHostCode(int code) {
  return code == 16 ? Language::kPolish : Language::kEnglish;
}

void SetLanguage(Language language) {
  g_language = language;
}
Language CurrentLanguage() {
  return g_language;
}

std::u16string TranslateIn(Language language, std::string_view key) {
  const Table& table = TableFor(language);
  auto it = table.find(key);
  if (it != table.end()) return it->second;
  // "Not to be translated" one-entry table: the pop-up menu name maps to itself.
  return FromUtf8(key);
}

std::u16string Translate(std::string_view key) {
  return TranslateIn(g_language, key);
}

std::u16string Translate(std::u16string_view key) {
  // Keys are ASCII; anything else cannot be a key and stays as it is.
  if (std::any_of(key.begin(), key.end(), [](char16_t c) { return c > 0x7F; }))
    return std::u16string(key);
  std::string ascii(key.begin(), key.end());
  return Translate(std::string_view(ascii));
}

std::vector<std::string_view> TableKeys(Language language) {
  std::vector<std::string_view> keys;
  if (language == Language::kPolish) {
    for (const auto& e : kPolish) keys.push_back(e.key);
  } else {
    for (const auto& e : kEnglish) keys.push_back(e.key);
  }
  return keys;
}

std::u16string FillPlaceholders(std::u16string_view text, const std::vector<std::u16string>& args) {
  std::u16string out;
  out.reserve(text.size());
  size_t next = 0;
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(u"%s", pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    if (next < args.size()) out.append(args[next]);
    ++next;
    pos = hit + 2;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace tarvelin
