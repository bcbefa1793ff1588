#include "random_document.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "fuzz_host.h"
#include "host/application/application.h"
#include "host/documents/document.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/text/font_families.h"
#include "host/text/style_table.h"
#include "host/text/swatch_list.h"
#include "host/text/text_attributes.h"
#include "host/text/text_commands.h"
#include "host/text/text_model.h"

namespace tarvelin::fuzz {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Units a story can hold that a writer must treat with care: markup characters, the
// story's own specials, characters outside XML's range, surrogates alone and in pairs.
constexpr std::array<char16_t, 24> kHostile = {
    u'<',      u'>',      u'&',      u'"',      u'\'',     u'\r',     u'\n',     u'\t',
    u'\0',     u'\x01',   u'\x1F',   u'\uFFFC', u'\uFFFE', u'\uFFFF', u'\u2028', u'\u00A0',
    u'\xD83D', u'\xDE00', u'\xDC00', u'(',      u')',      u'\\',     u']',      u'%'};
constexpr std::u16string_view kLetters = u"aZ0 żółćĘŚ–—„”…€ßÜ日本";

constexpr std::array<double, 16> kNumbers = {0,     1,  12,    0.5,  -1,   -1000, 1e6, 1e30,
                                             -1e30, 72, 15552, 1e-9, kInf, kNaN,  300, -0.0};

constexpr std::array<std::u16string_view, 4> kFamilies = {u"DejaVu Sans", u"Liberation Serif",
                                                          u"Liberation Mono", u"Missing Sans"};
constexpr std::array<std::u16string_view, 5> kFaces = {u"Regular", u"Bold", u"Italic",
                                                       u"Bold Italic", u"Condensed"};

enum Edit : uint8_t {
  kAppendText,
  kInsertText,
  kDeleteText,
  kCharacterAttributes,
  kParagraphAttributes,
  kClearOverrides,
  kNewSwatch,
  kNewStyle,
  kApplyStyle,
  kInlineText,
  kInlinePicture,
  kFreeTextFrame,
  kFreeRectangle,
  kThread,
  kFrameLook,
  kObjectStyle,
  kNewSpread,
  kColumns,
  kDeleteItem,
  kLabel,
  kUndo,
  kRedo,
  kEditCount
};

struct Builder {
  Builder(const Host& h, FuzzBytes& bytes) : host(h), in(bytes) {}

  const Host& host;
  FuzzBytes& in;
  RandomDocument out;
  std::vector<UIDRef> stories;
  std::vector<UIDRef> frames;  // every frame made, free or inline
  std::vector<UID> swatches{kInvalidUID};
  std::vector<UID> paragraphStyles{kInvalidUID}, characterStyles{kInvalidUID};
  std::vector<UID> objectStyles;
  std::vector<UIDRef> layers;

  Document& doc() { return *out.doc; }
  Database& db() { return out.doc->DataBase(); }
  TextWorkspace ws() { return out.doc->TextWorkspaceRefs(); }

  template <typename T>
  const T& Pick(const std::vector<T>& from) {
    return from[in.Below(static_cast<uint32_t>(from.size()))];
  }

  UIDRef Story() { return Pick(stories); }
  size_t Length(const UIDRef& story) {
    auto text = db().Query<ITextModel>(story.GetUID());
    return text ? text->TotalLength() : 0;
  }
  // A position in the story; one past the end now and then, which must be refused.
  size_t Position(const UIDRef& story) {
    return in.Below(static_cast<uint32_t>(Length(story) + 2));
  }

  PMRect Bounds() {
    const double left = in.Below(8) == 0 ? in.Number() : in.Below(600);
    const double top = in.Below(8) == 0 ? in.Number() : in.Below(840);
    const double w = in.Below(8) == 0 ? in.Number() : 1 + in.Below(400);
    const double h = in.Below(8) == 0 ? in.Number() : 1 + in.Below(400);
    return {left, top, left + w, top + h};
  }
  Insets SomeInsets() { return {in.Number(), in.Number(), in.Number(), in.Number()}; }

  Attribute SomeAttribute() {
    const auto kind = static_cast<AttrKind>(in.Below(kAttrKindCount));
    switch (kind) {
      case AttrKind::kFontFamily: {
        std::u16string_view name = kFamilies[in.Below(kFamilies.size())];
        UID family = FindFontFamily(db(), ws(), name);
        if (family == kInvalidUID) RegisterFontFamily(db(), ws(), name, nullptr, &family);
        return Attribute::Uid(kind, family);
      }
      case AttrKind::kFontStyle:
        return Attribute::Text(
            kind, in.Below(4) == 0 ? in.Text(12) : std::u16string(kFaces[in.Below(5)]));
      case AttrKind::kColour:
      case AttrKind::kRuleAboveColour:
      case AttrKind::kRuleBelowColour:
        // Now and then a UID that is no swatch, as a damaged reference would be.
        return Attribute::Uid(kind, in.Below(8) == 0 ? in.Byte() : Pick(swatches));
      default:
        break;
    }
    switch (ValueTypeOf(kind)) {
      case AttrValueType::kInt:
        return Attribute::Int(kind, static_cast<int32_t>(in.Below(6)) - 1);
      case AttrValueType::kDouble:
        return Attribute::Double(
            kind, kind == AttrKind::kLeading && in.Below(2) == 0 ? kAutoLeading : in.Number());
      case AttrValueType::kUID:
        return Attribute::Uid(kind, Pick(swatches));
      case AttrValueType::kText:
        return Attribute::Text(kind, in.Text(8));
    }
    return Attribute::Int(kind, 0);
  }
  AttributeList SomeAttributes() {
    AttributeList list;
    for (uint32_t n = 1 + in.Below(4); n > 0; --n) list.Set(SomeAttribute());
    return list;
  }

  // A new free text frame's story, listed with its frame.
  void AddStoryOf(const UIDRef& frame) {
    auto tf = db().Query<ITextFrame>(frame.GetUID());
    if (tf) stories.push_back({&db(), tf->Story()});
  }

  void Run(Edit edit) {
    switch (edit) {
      case kAppendText: {
        const UIDRef s = Story();
        InsertText(s, Length(s) == 0 ? 0 : Length(s) - 1, in.Text(48));
        break;
      }
      case kInsertText: {
        const UIDRef s = Story();
        InsertText(s, Position(s), in.Text(16));
        break;
      }
      case kDeleteText: {
        const UIDRef s = Story();
        DeleteText(s, Position(s), in.Below(24));
        break;
      }
      case kCharacterAttributes:
      case kParagraphAttributes: {
        const UIDRef s = Story();
        ApplyTextAttributes(
            s, Position(s), in.Below(32), SomeAttributes(),
            edit == kCharacterAttributes ? TextLevel::kCharacter : TextLevel::kParagraph);
        break;
      }
      case kClearOverrides: {
        const UIDRef s = Story();
        ClearTextOverrides(s, Position(s), in.Below(32), AllAttrKinds(),
                           in.Below(2) ? TextLevel::kCharacter : TextLevel::kParagraph);
        break;
      }
      case kNewSwatch: {
        const auto space = ColourSpaceOfModel(static_cast<int32_t>(in.Below(3)));
        const std::array<float, 4> c = {
            static_cast<float>(in.Number()), static_cast<float>(in.Byte()) / 255,
            static_cast<float>(in.Byte()) / 255, static_cast<float>(in.Byte()) / 255};
        UID uid = kInvalidUID;
        if (CreateSwatch(db(), ws(), in.Text(12), Colour::Make(space, c, in.Below(2) == 0), &uid) ==
            kSuccess)
          swatches.push_back(uid);
        break;
      }
      case kNewStyle: {
        const bool paragraph = in.Below(2) == 0;
        auto& list = paragraph ? paragraphStyles : characterStyles;
        UID uid = kInvalidUID;
        if (CreateStyle(db(), ws(), paragraph ? StyleKind::kParagraph : StyleKind::kCharacter,
                        in.Text(12), SomeAttributes(), Pick(list), &uid) == kSuccess)
          list.push_back(uid);
        break;
      }
      case kApplyStyle: {
        const UIDRef s = Story();
        const bool paragraph = in.Below(2) == 0;
        ApplyTextStyle(s, Position(s), in.Below(32),
                       Pick(paragraph ? paragraphStyles : characterStyles),
                       paragraph ? TextLevel::kParagraph : TextLevel::kCharacter);
        break;
      }
      case kInlineText:
      case kInlinePicture: {
        UIDRef frame;
        const PMRect size = {0, 0, in.Number(), in.Number()};
        if (edit == kInlineText) {
          if (CreateTextFrame(doc(), Pick(layers), size, 1 + in.Below(3), in.Number(), &frame) !=
              kSuccess)
            break;
          AddStoryOf(frame);
          InsertText(stories.back(), 0, in.Text(24));
        } else {
          if (CreateRectangleFrame(doc(), Pick(layers), size, &frame) != kSuccess) break;
          const std::string file =
              in.Below(4) == 0 ? host.picture.string() + ".missing" : host.picture.string();
          PlaceImageFile(doc(), frame, file, *Application::Current()->Services().images);
        }
        frames.push_back(frame);
        const UIDRef into = Story();
        ChangeToInline(doc(), into, static_cast<int32_t>(Position(into)), frame);
        break;
      }
      case kFreeTextFrame: {
        UIDRef frame;
        if (CreateTextFrame(doc(), Pick(layers), Bounds(), 1 + in.Below(4), in.Number(), &frame) ==
            kSuccess) {
          frames.push_back(frame);
          AddStoryOf(frame);
        }
        break;
      }
      case kFreeRectangle: {
        UIDRef frame;
        if (CreateRectangleFrame(doc(), Pick(layers), Bounds(), &frame) == kSuccess)
          frames.push_back(frame);
        break;
      }
      case kThread:
        if (!frames.empty()) ThreadFrames(doc(), Pick(frames), Pick(frames));
        break;
      case kFrameLook: {
        if (frames.empty()) break;
        const UIDList one(Pick(frames));
        switch (in.Below(6)) {
          case 0:
            SetFillSwatch(doc(), one, Pick(swatches));
            break;
          case 1:
            SetStrokeSwatch(doc(), one, Pick(swatches));
            break;
          case 2:
            SetStrokeWeight(doc(), one, in.Number());
            break;
          case 3:
            SetTextInsets(doc(), one, SomeInsets());
            break;
          case 4:
            SetTextWrap(doc(), one, static_cast<WrapMode>(in.Below(4)), SomeInsets());
            break;
          default:
            SetBounds(doc(), Pick(frames), Bounds());
        }
        break;
      }
      case kObjectStyle: {
        if (in.Below(2) == 0 || objectStyles.empty()) {
          ObjectStyleAttributes a;
          if (in.Below(2)) a.fill = Pick(swatches);
          if (in.Below(2)) a.stroke = Pick(swatches);
          if (in.Below(2)) a.strokeWeight = in.Number();
          if (in.Below(2)) a.insets = SomeInsets();
          if (in.Below(2)) a.wrapMode = static_cast<WrapMode>(in.Below(4));
          UIDRef style;
          if (CreateObjectStyle(doc(), in.Text(12), a, &style) == kSuccess)
            objectStyles.push_back(style.GetUID());
        } else if (!frames.empty()) {
          ApplyObjectStyle(doc(), UIDList(Pick(frames)), Pick(objectStyles));
        }
        break;
      }
      case kNewSpread: {
        UIDRef spread;
        if (CreateSpread(doc(), 1 + in.Below(3), &spread) != kSuccess) break;
        auto s = db().Query<ISpread>(spread.GetUID());
        if (s && !s->SpreadLayers().empty()) layers.push_back({&db(), s->SpreadLayers().front()});
        break;
      }
      case kColumns:
        if (!frames.empty())
          SetColumns(doc(), UIDList(Pick(frames)), static_cast<int32_t>(in.Below(70)), in.Number());
        break;
      case kDeleteItem:
        if (!frames.empty()) DeletePageItems(doc(), UIDList(Pick(frames)));
        break;
      case kLabel:
        if (!frames.empty()) {
          auto& pairs = out.labels[Pick(frames).GetUID()];
          pairs.emplace_back(in.Text(8), in.Text(16));
        }
        break;
      case kUndo:
        db().Commands().Undo();
        break;
      case kRedo:
        db().Commands().Redo();
        break;
      case kEditCount:
        break;
    }
  }

  void Build() {
    PageSetup setup;
    if (in.Below(4) == 0) {
      setup.width = 100 + in.Below(2000);
      setup.height = 100 + in.Below(2000);
      setup.columns = 1 + in.Below(4);
    }
    out.doc = Document::Create(host.registry, setup, in.Text(12));
    if (!out.doc) return;
    layers.push_back(doc().DefaultSpreadLayer());
    UIDRef main;
    if (CreateTextFrame(doc(), layers.front(), {36, 36, 559, 805}, 1 + in.Below(3), 12, &main) !=
        kSuccess)
      return;
    frames.push_back(main);
    AddStoryOf(main);
    for (size_t n = 0; n < kMaxEdits && !in.Done(); ++n)
      Run(static_cast<Edit>(in.Below(kEditCount)));
  }
};

}  // namespace

uint32_t FuzzBytes::Below(uint32_t n) {
  if (n <= 1) return 0;
  uint32_t v = Byte();
  if (n > 256) v = v << 8 | Byte();
  return v % n;
}

double FuzzBytes::Number() {
  const uint8_t b = Byte();
  if (b < 128) return kNumbers[b % kNumbers.size()];
  return (b - 128) * 4.0 + Byte() / 64.0;
}

std::u16string FuzzBytes::Text(size_t max) {
  std::u16string s;
  const size_t n = Below(static_cast<uint32_t>(max + 1));
  for (size_t i = 0; i < n && !Done(); ++i) {
    const uint8_t b = Byte();
    if (b < kHostile.size())
      s += kHostile[b];
    else if (b < 64)
      s += kLetters[b % kLetters.size()];
    else
      s += static_cast<char16_t>(b < 128 ? b : 0x100 + b);
  }
  return s;
}

RandomDocument BuildRandomDocument(const Host& host, FuzzBytes& in) {
  Builder b(host, in);
  b.Build();
  if (!b.out.doc || b.stories.empty()) return {};
  return std::move(b.out);
}

}  // namespace tarvelin::fuzz
