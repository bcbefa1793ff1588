// The user-visible texts, by key, in English and Polish. Keys are ASCII and begin with
// the plug-in's prefix "0x113380"; a key without a translation translates to itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvelin {

enum class Language { kEnglish, kPolish };

// Host language codes: 16 is Polish; 1-4 and 6-13 are English; any other code falls back
// to English as well, so a text is always shown.
Language LanguageForHostCode(int code);

void SetLanguage(Language language);
Language CurrentLanguage();

// The text of the key in the current language, or the key itself.
std::u16string Translate(std::string_view key);
std::u16string Translate(std::u16string_view key);
std::u16string TranslateIn(Language language, std::string_view key);

// Every key of a table, for completeness checks.
std::vector<std::string_view> TableKeys(Language language);

// Replaces the "%s" placeholders of the text in order by the given texts; when the list
// runs out, by the empty text. Text inserted earlier is never searched again.
std::u16string FillPlaceholders(std::u16string_view text, const std::vector<std::u16string>& args);

}  // namespace tarvelin
