// A database with the text classes, and a plain model of a story that the story tests
// compare against: one string and a formatting value per unit.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/objects/class_registry.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/text/text_classes.h"
#include "host/text/text_model.h"

namespace tarvelin::testing {

inline std::shared_ptr<ClassRegistry> TextRegistry() {
  auto registry = std::make_shared<ClassRegistry>();
  RegisterTextClasses(*registry);
  return registry;
}

struct NaiveFormat {
  UID style = kInvalidUID;
  AttributeList overrides;
  friend bool operator==(const NaiveFormat&, const NaiveFormat&) = default;
};

// The rules of text_model.h, written the slow and obvious way.
struct NaiveStory {
  std::u16string text = u"\r";
  std::vector<NaiveFormat> chars = std::vector<NaiveFormat>(1);
  std::vector<NaiveFormat> paras = std::vector<NaiveFormat>(1);  // per unit, uniform per paragraph

  size_t Total() const { return text.size(); }
  size_t ParagraphStart(size_t i) const {
    while (i > 0 && text[i - 1] != u'\r') --i;
    return i;
  }
  size_t ParagraphEnd(size_t i) const {  // one past its U+000D
    while (text[i] != u'\r') ++i;
    return i + 1;
  }
  void SetParagraph(size_t start, const NaiveFormat& f) {
    for (size_t i = start, end = ParagraphEnd(start); i < end; ++i) paras[i] = f;
  }
  NaiveFormat InsertionFormat(size_t pos) const {
    if (pos + 1 >= Total()) return chars.back();
    if (pos > 0 && text[pos - 1] != u'\r') return chars[pos - 1];
    return chars[pos];
  }

  // pieces: the paragraph formats of the inserted text's pieces (explicit).
  void InsertRaw(size_t pos, const std::u16string& s, const std::vector<NaiveFormat>& c,
                 const std::vector<NaiveFormat>& pieces) {
    size_t head = ParagraphStart(pos);
    text.insert(pos, s);
    chars.insert(chars.begin() + pos, c.begin(), c.end());
    paras.insert(paras.begin() + pos, s.size(), NaiveFormat{});
    size_t start = head;
    for (const NaiveFormat& f : pieces) {
      SetParagraph(start, f);
      start = ParagraphEnd(start);
    }
  }

  void Insert(size_t pos, const std::u16string& s) {
    size_t ends = std::count(s.begin(), s.end(), u'\r');
    InsertRaw(pos, s, std::vector<NaiveFormat>(s.size(), InsertionFormat(pos)),
              std::vector<NaiveFormat>(ends + 1, paras[pos]));
  }

  // Styled insertion of source[from, from + n).
  void InsertCopy(size_t pos, const NaiveStory& source, size_t from, size_t n) {
    std::u16string s = source.text.substr(from, n);
    std::vector<NaiveFormat> c(source.chars.begin() + from, source.chars.begin() + from + n);
    size_t ends = std::count(s.begin(), s.end(), u'\r');
    std::vector<NaiveFormat> pieces(ends + 1, paras[pos]);
    if (ends > 0) {
      bool at_start = pos == 0 || text[pos - 1] == u'\r';
      std::vector<NaiveFormat> given{source.paras[from]};
      for (size_t i = 0; i < n; ++i)
        if (s[i] == u'\r')
          given.push_back(source.paras[std::min(from + i + 1, source.Total() - 1)]);
      if (at_start) pieces[0] = given[0];
      for (size_t i = 1; i < ends; ++i) pieces[i] = given[i];
      if (s.back() != u'\r') pieces[ends] = given[ends];
    }
    InsertRaw(pos, s, c, pieces);
  }

  void Delete(size_t pos, size_t n) {
    if (n == 0) return;
    size_t start = ParagraphStart(pos);
    bool joins =
        std::find(text.begin() + pos, text.begin() + pos + n, u'\r') != text.begin() + pos + n;
    NaiveFormat joined = (!joins || pos > start) ? paras[pos] : paras[pos + n];
    bool reaches_end = pos + n == Total() - 1;
    NaiveFormat first = chars[pos];
    text.erase(pos, n);
    chars.erase(chars.begin() + pos, chars.begin() + pos + n);
    paras.erase(paras.begin() + pos, paras.begin() + pos + n);
    SetParagraph(start, joined);
    if (reaches_end) chars.back() = first;
  }

  template <typename Fn>
  void Change(size_t pos, size_t n, TextLevel level, Fn fn) {
    if (level == TextLevel::kCharacter) {
      if (n == 0) return;
      size_t end = pos + n == Total() - 1 ? Total() : pos + n;
      for (size_t i = pos; i < end; ++i) fn(chars[i]);
    } else {
      size_t start = ParagraphStart(pos);
      size_t end = ParagraphEnd(n ? pos + n - 1 : pos);
      for (size_t i = start; i < end; ++i) fn(paras[i]);
    }
  }
};

// Compares every unit's text and formatting.
inline void ExpectSame(const NaiveStory& naive, const ITextModel& story, const std::string& where) {
  ASSERT_EQ(naive.Total(), story.TotalLength()) << where;
  ASSERT_EQ(naive.text, story.Text(0, story.TotalLength())) << where;
  size_t paragraphs = 0;
  for (size_t i = 0; i < naive.Total(); ++i) {
    ASSERT_EQ(naive.chars[i].style, story.CharacterStyleAt(i)) << where << " char style at " << i;
    ASSERT_EQ(naive.chars[i].overrides, story.CharacterOverridesAt(i))
        << where << " char overrides at " << i;
    ASSERT_EQ(naive.paras[i].style, story.ParagraphStyleAt(i)) << where << " para style at " << i;
    ASSERT_EQ(naive.paras[i].overrides, story.ParagraphOverridesAt(i))
        << where << " para overrides at " << i;
    TextRange p = story.ParagraphAt(i);
    ASSERT_EQ(naive.ParagraphStart(i), p.start) << where << " paragraph at " << i;
    ASSERT_EQ(naive.ParagraphEnd(i), p.End()) << where << " paragraph at " << i;
    if (naive.text[i] == u'\r') ++paragraphs;
  }
  ASSERT_EQ(paragraphs, story.ParagraphCount()) << where;
}

}  // namespace tarvelin::testing
