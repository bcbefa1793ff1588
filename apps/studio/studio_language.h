// The studio's interface language: English or Polish, from the system locale unless the
// user chose one in Preferences. The studio's own texts are translated by a table here;
// the plug-in's texts by the host's string tables, switched together.
#pragma once

#include <QString>

namespace tarvelin::studio {

enum class StudioLanguage { kSystem, kEnglish, kPolish };

StudioLanguage StoredLanguage();
void StoreLanguage(StudioLanguage language);
// Installs the translation of the language (the system's for kSystem); open windows are
// told by a LanguageChange event.
void ApplyLanguage(StudioLanguage language);
// The language kSystem stands for on this machine.
bool SystemPrefersPolish();

// The Polish text of a studio text, or null when the table has none; for completeness
// checks.
const char* PolishText(const char* english);

}  // namespace tarvelin::studio
