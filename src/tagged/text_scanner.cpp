#include "tagged/text_scanner.h"

#include <algorithm>
#include <utility>

#include "core/diagnostics.h"
#include "core/string_table.h"
#include "core/utf16.h"
#include "tagged/tag_lexer.h"

namespace tarvelin {
namespace {

constexpr size_t kNone = std::u16string::npos;
// Positions between progress updates and cancel polls; text runs are cut at this length.
constexpr size_t kPollStride = 4096;

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

bool IsWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}
bool IsLineEnd(char16_t c) {
  return c == kCR || c == kLF;
}
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || IsLineEnd(c);
}

// A backslash takes the next character literally and is dropped.
std::u16string Unescape(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size()) ++i;
    out.push_back(s[i]);
  }
  return out;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string_view StripQuotes(std::u16string_view s) {
  if (!s.empty() && s.front() == u'"') s.remove_prefix(1);
  if (!s.empty() && s.back() == u'"') s.remove_suffix(1);
  return s;
}

std::string Utf8(std::u16string_view s) {
  return ToUtf8(s);
}

}  // namespace

TextScanner::TextScanner(Stream& stream, int encodingSelector, ScannerSink& sink,
                         ScannerLookup& lookup, Progress* progress, int64_t inputSize, bool swap)
    : sink_(sink),
      lookup_(lookup),
      progress_(progress),
      reader_(CreateReader(encodingSelector)),
      input_size_(inputSize),
      swap_(swap) {
  reader_->SetStream(&stream);
}

TextScanner::TextScanner(std::u16string text, ScannerSink& sink, ScannerLookup& lookup,
                         Progress* progress)
    : sink_(sink), lookup_(lookup), progress_(progress), text_(std::move(text)) {}

TextScanner::~TextScanner() = default;

const std::vector<TaggedAttribute>* TextScanner::CreatedCharacterStyleList(
    std::u16string_view name) const {
  auto it = created_index_.find(std::u16string(name));
  return it == created_index_.end() ? nullptr : &created_lists_[it->second];
}

ScanResult TextScanner::Scan() {
  ReadInput();
  if (!sink_.OpenStory(text_.size())) {
    diag::Write(
        "TextScanner::Scan, InterfacePtr<ITextModel> model( forcedModel, UseDefaultIID() ) is "
        "nil.\n");
    return ScanResult::kStopped;
  }
  if (progress_) progress_->DoTask(Translate("0x113380QXTImportFilterTitleKey"), 1);

  bool char_defs = false;
  bool para_defs = false;
  next_poll_ = 0;
  if (!PreScan(char_defs, para_defs)) return ScanResult::kStopped;
  DefaultStyles(char_defs, para_defs);

  if (progress_) {
    bar_ = progress_->CreateRangeBar(Translate("0x113380QXTImportFilterActionExplainedKey"), 0,
                                     static_cast<int64_t>(text_.size()));
  }
  next_poll_ = 0;
  return MainLoop() ? ScanResult::kImported : ScanResult::kStopped;
}

void TextScanner::ReadInput() {
  if (!reader_) return;
  int64_t bytes = input_size_ > 0 ? input_size_ : reader_->GetLength();
  if (bytes > 0) text_.reserve(static_cast<size_t>(bytes / reader_->GetCharSize()));
  for (char16_t c = reader_->ReadChar(); c != 0; c = reader_->ReadChar()) {
    if (swap_) c = static_cast<char16_t>((c >> 8) | (c << 8));
    text_.push_back(c);
  }
  if (reader_->NulCount() > 0 || reader_->ReplacedCount() > 0) {
    diag::Printf("TextScanner::Scan, %lld NUL characters skipped, %lld characters replaced.\n",
                 static_cast<long long>(reader_->NulCount()),
                 static_cast<long long>(reader_->ReplacedCount()));
  }
}

bool TextScanner::PollCancel(size_t pos) {
  if (!progress_ || pos < next_poll_) return false;
  next_poll_ = pos + kPollStride;
  if (bar_) bar_->SetPosition(static_cast<int64_t>(pos));
  return progress_->WasCancelled();
}

// Looks for style definitions among the first lines. Each '@' looks ahead to the next ':'
// or '='; that look-ahead is remembered, so a line of many '@' stays linear.
bool TextScanner::PreScan(bool& charDefSeen, bool& paraDefSeen) {
  const size_t n = text_.size();
  size_t lines = 0;
  bool warned = false;
  size_t stop_from = 0;
  size_t stop = kNone;
  for (size_t i = 0; i < n; ++i) {
    if (PollCancel(i)) return false;
    char16_t c = text_[i];
    if (c == kLF || (c == kCR && !(i + 1 < n && text_[i + 1] == kLF))) ++lines;
    if (c == u'@') {
      if (stop == kNone || i + 1 < stop_from || i + 1 > stop) {
        stop_from = i + 1;
        stop = stop_from;
        while (stop < n && text_[stop] != u':' && text_[stop] != u'=') ++stop;
      }
      if (stop + 1 < n && text_[stop] == u'=') {
        if (text_[stop + 1] == u'<') charDefSeen = true;
        if (text_[stop + 1] == u'[') paraDefSeen = true;
      }
    }
    if (lines > 3) {
      if (!charDefSeen && !warned) {
        diag::Write("nie mamy naszych styli...\n");
        warned = true;
      }
      if (!paraDefSeen) {
        diag::Write("nie mamy naszych styli...\n");
        break;
      }
    }
    if (charDefSeen && paraDefSeen) break;
  }
  return true;
}

void TextScanner::DefaultStyles(bool charDefSeen, bool paraDefSeen) {
  static constexpr std::u16string_view kNormal = u"Normal";
  if (!charDefSeen && !lookup_.CharacterStyleExists(kNormal)) {
    sink_.DefineCharacterStyle(kNormal, {});
    RecordCreated(kNormal, {});
  }
  if (!paraDefSeen) {
    if (!lookup_.ParagraphStyleExists(kNormal)) {
      sink_.DefineParagraphStyle(kNormal, {});
      RecordCreated(kNormal, {});
    }
    if (lookup_.ParagraphStyleExists(kNormal)) {
      sink_.ApplyParagraphStyle(kNormal, false);
    } else {
      diag::Write("No such para style as Normal!\n");
    }
  }
}

bool TextScanner::MainLoop() {
  const size_t n = text_.size();
  const std::u16string_view text = text_;
  size_t pos = 0;
  while (pos < n) {
    if (PollCancel(pos)) return false;
    char16_t c = text[pos];
    if (c == u'<') {
      Found end = FindTagEnd(pos + 1);
      if (!end.closed) {
        sink_.InsertText(u"<");
        ++pos;
        continue;
      }
      InterpretTag(text.substr(pos + 1, end.pos - pos - 1), nullptr);
      pos = end.pos + 1;
      continue;
    }
    if (c == u'@' && !(pos > 0 && IsWordChar(text[pos - 1]))) {
      size_t next = StyleSequence(pos);
      if (next == kNone) {
        sink_.InsertText(u"@");
        ++pos;
      } else {
        pos = next;
      }
      continue;
    }
    if (c == kLF && !(pos + 1 < n && text[pos + 1] == kCR)) {
      ++pos;
      continue;
    }
    // A run of plain text, cut where the grammar needs a decision.
    size_t start = pos++;
    size_t limit = std::min(n, start + kPollStride);
    while (pos < limit) {
      c = text[pos];
      if (c == u'<' || (c == u'@' && !IsWordChar(text[pos - 1])) ||
          (c == kLF && !(pos + 1 < n && text[pos + 1] == kCR))) {
        break;
      }
      ++pos;
    }
    sink_.InsertText(text.substr(start, pos - start));
  }
  return true;
}

TextScanner::Found TextScanner::FindTagEnd(size_t from) const {
  const size_t n = text_.size();
  for (size_t i = from; i < n; ++i) {
    char16_t c = text_[i];
    if (c == u'\\') {
      ++i;
    } else if (c == u'>') {
      return {i, true};
    } else if (c == u'<') {
      return {i, false};
    }
  }
  return {n, false};
}

// A later search starts just after an '@' inside the stretch already searched; since '@'
// is no backslash, the escape pairs from there on are the ones already seen.
size_t TextScanner::FindSequenceStop(size_t from) {
  if (seq_stop_ != kNone && seq_from_ <= from && from <= seq_stop_) return seq_stop_;
  const size_t n = text_.size();
  size_t i = from;
  for (; i < n; ++i) {
    char16_t c = text_[i];
    if (c == u'\\') {
      if (i + 1 < n && !IsLineEnd(text_[i + 1])) ++i;
      continue;
    }
    if (c == u':' || c == u'=' || c == u'<' || IsLineEnd(c)) break;
  }
  seq_from_ = from;
  seq_stop_ = i;
  return i;
}

size_t TextScanner::FindBracketStop(size_t from) {
  if (bracket_stop_ != kNone && bracket_from_ <= from && from <= bracket_stop_) {
    return bracket_stop_;
  }
  const size_t n = text_.size();
  size_t i = from;
  while (i < n && text_[i] != u']' && !IsLineEnd(text_[i])) ++i;
  bracket_from_ = from;
  bracket_stop_ = i;
  return i;
}

size_t TextScanner::SkipLineEnd(size_t pos) const {
  return pos < text_.size() && IsLineEnd(text_[pos]) ? pos + 1 : pos;
}

void TextScanner::RecordCreated(std::u16string_view name, std::vector<TaggedAttribute> list) {
  created_names_.emplace_back(name);
  created_lists_.push_back(std::move(list));
  created_index_[created_names_.back()] = created_lists_.size() - 1;
}

size_t TextScanner::StyleSequence(size_t at) {
  const size_t n = text_.size();
  size_t stop = FindSequenceStop(at + 1);
  if (stop >= n || (text_[stop] != u':' && text_[stop] != u'=')) return kNone;
  std::u16string name = Unescape(std::u16string_view(text_).substr(at + 1, stop - at - 1));
  if (text_[stop] == u':') {
    if (name == u"$") name = u"Normal";
    if (!name.empty() && !sink_.ApplyParagraphStyle(name, true)) sink_.InsertText(u"@");
    return stop + 1;
  }
  size_t open = stop + 1;
  if (open >= n) return kNone;
  if (text_[open] == u'<') return CharacterStyleDefinition(name, open);
  if (text_[open] == u'[') {
    if (open + 1 < n && text_[open + 1] == u'C') return ColourDefinition(name, open);
    return ParagraphStyleDefinition(name, open);
  }
  return kNone;
}

size_t TextScanner::CharacterStyleDefinition(std::u16string_view name, size_t open) {
  Found end = FindTagEnd(open + 1);
  if (!end.closed) return kNone;
  size_t after = SkipLineEnd(end.pos + 1);
  if (name.empty()) return after;
  if (!lookup_.CharacterStyleExists(name)) {
    std::u16string body = Unescape(std::u16string_view(text_).substr(open + 1, end.pos - open - 1));
    std::vector<TaggedAttribute> list;
    InterpretTag(body, &list);
    sink_.DefineCharacterStyle(name, list);
    RecordCreated(name, std::move(list));
  } else {
    existing_char_.emplace_back(name);
  }
  if (!lookup_.CharacterStyleExists(name)) {
    diag::Printf("Could not get the newly created character style named \"%s\".\n",
                 Utf8(name).c_str());
  } else if (!sink_.ApplyCharacterStyle(name)) {
    sink_.InsertText(u"@");
  }
  return after;
}

size_t TextScanner::ColourDefinition(std::u16string_view name, size_t open) {
  const size_t n = text_.size();
  size_t close = FindBracketStop(open + 1);
  if (close >= n || text_[close] != u']') return kNone;
  size_t after = close + 1;
  std::u16string_view body;
  if (after < n && text_[after] == u'<') {
    Found end = FindTagEnd(after + 1);
    if (!end.closed) return kNone;
    body = std::u16string_view(text_).substr(after, end.pos - after);
    after = SkipLineEnd(end.pos + 1);
  }

  std::u16string_view model;
  if (body.size() >= 2 && body[0] == u'<' && body[1] == u'"') {
    size_t q = body.find(u'"', 2);
    model = body.substr(2, (q == kNone ? body.size() : q) - 2);
  }
  if (model != u"CMYK" && model != u"RGB") {
    diag::Printf("Extension Colvix does not support color type \"%s\".\n", Utf8(model).c_str());
    return after;
  }
  const bool cmyk = model == u"CMYK";

  // Fields after the '<', split at every comma.
  std::u16string_view fields[9];
  size_t count = 0;
  std::u16string_view rest = body.substr(1);
  while (count < 9) {
    size_t comma = rest.find(u',');
    fields[count++] = rest.substr(0, comma);
    if (comma == kNone) break;
    rest.remove_prefix(comma + 1);
  }
  auto component = [&](size_t i) {
    return i < count ? StripQuotes(Trim(fields[i])) : std::u16string_view();
  };
  std::u16string_view c1 = component(4), c2 = component(5), c3 = component(6);
  std::u16string_view c4 = cmyk ? component(8) : std::u16string_view();
  if (c1.empty() || c2.empty() || c3.empty() || name.empty()) return after;

  if (lookup_.SwatchExists(name)) {
    existing_swatches_.emplace_back(name);
  } else {
    sink_.DefineColor(name, cmyk ? ColourSpace::kCmyk : ColourSpace::kRgb,
                      TagLexer::ParseNumber(c1), TagLexer::ParseNumber(c2),
                      TagLexer::ParseNumber(c3), TagLexer::ParseNumber(c4));
  }
  return after;
}

size_t TextScanner::ParagraphStyleDefinition(std::u16string_view name, size_t open) {
  const size_t n = text_.size();
  size_t close = FindBracketStop(open + 1);
  if (close >= n || text_[close] != u']') return kNone;

  // The third quoted text of the bracket names the character style to start from.
  std::u16string_view bracket = std::u16string_view(text_).substr(open + 1, close - open - 1);
  std::u16string_view base;
  size_t quoted = 0;
  for (size_t i = 0; i < bracket.size() && quoted < 3;) {
    size_t q1 = bracket.find(u'"', i);
    if (q1 == kNone) break;
    size_t q2 = bracket.find(u'"', q1 + 1);
    if (q2 == kNone) q2 = bracket.size();
    if (++quoted == 3) base = bracket.substr(q1 + 1, q2 - q1 - 1);
    i = q2 + 1;
  }

  size_t after = close + 1;
  std::u16string_view body;
  if (after < n && text_[after] == u'<') {
    Found end = FindTagEnd(after + 1);
    if (!end.closed) return kNone;
    body = std::u16string_view(text_).substr(after + 1, end.pos - after - 1);
    after = end.pos + 1;
  }
  after = SkipLineEnd(after);
  if (name.empty()) return after;

  if (lookup_.ParagraphStyleExists(name)) {
    existing_para_.emplace_back(name);
    diag::Printf("Para style with name \"%s\" already exist. Will not change.\n",
                 Utf8(name).c_str());
    return after;
  }
  std::vector<TaggedAttribute> list;
  if (!base.empty()) {
    if (auto it = created_index_.find(std::u16string(base)); it != created_index_.end()) {
      list = created_lists_[it->second];
    }
  }
  InterpretTag(body, &list);
  sink_.DefineParagraphStyle(name, list);
  return after;
}

bool TextScanner::ApplyPending(TaggedLevel level) {
  bool applied = sink_.ApplyPending(pending_, level);
  if (applied) pending_.clear();
  return applied;
}

bool TextScanner::Add(std::vector<TaggedAttribute>* def, TaggedAttribute attr, TaggedLevel level) {
  if (def) {
    def->push_back(std::move(attr));
    return true;
  }
  pending_.push_back(std::move(attr));
  return ApplyPending(level);
}

void TextScanner::Toggle(std::vector<TaggedAttribute>* def, bool& flag, TaggedAttrKind kind,
                         int32_t on) {
  if (Add(def, {kind, flag ? int32_t{0} : on}, TaggedLevel::kCharacter)) flag = !flag;
}

void TextScanner::Face(std::vector<TaggedAttribute>* def, bool bold) {
  std::u16string family = sink_.CurrentFamily();
  std::u16string face = sink_.CurrentFace();
  if (family.empty() || face.empty()) return;
  std::u16string regular_face = lookup_.FaceName(family, TaggedFaceKind::kRegular);
  std::u16string italic_face = lookup_.FaceName(family, TaggedFaceKind::kItalic);
  std::u16string bold_face = lookup_.FaceName(family, TaggedFaceKind::kBold);
  std::u16string bold_italic_face = lookup_.FaceName(family, TaggedFaceKind::kBoldItalic);
  const std::u16string& same = bold ? bold_face : italic_face;
  const std::u16string& other = bold ? italic_face : bold_face;
  std::u16string next;
  if (face == same) {
    next = regular_face;
  } else if (face == other) {
    next = bold_italic_face;
  } else {
    next = same;
  }
  if (next.empty()) return;
  Add(def, {TaggedAttrKind::kFontStyle, std::move(next)}, TaggedLevel::kCharacter);
}

void TextScanner::Font(std::vector<TaggedAttribute>* def, const std::u16string& name) {
  auto it = font_known_.find(name);
  if (it == font_known_.end()) {
    bool exists = lookup_.FontFamilyExists(name);
    it = font_known_.emplace(name, exists).first;
    if (!exists) {
      diag::Printf("no such font name %s\n", Utf8(name).c_str());
      missing_fonts_.push_back(name);
    }
  }
  if (it->second) Add(def, {TaggedAttrKind::kFontFamily, name}, TaggedLevel::kCharacter);
}

void TextScanner::Rule(std::vector<TaggedAttribute>* def, TaggedAttrKind kind,
                       const std::vector<std::u16string>& args) {
  auto arg = [&](size_t i) {
    return i < args.size() ? std::u16string_view(args[i]) : std::u16string_view();
  };
  TaggedRule rule;
  rule.width = TagLexer::ParseNumber(arg(0));
  std::u16string_view colour = StripQuotes(arg(2));
  if (!colour.empty() && lookup_.ResolveTextColour(colour)) rule.colour = colour;
  std::u16string_view left = arg(4);
  if (!left.empty() && left.front() == u'T') {
    left.remove_prefix(1);
    rule.toColumn = true;
  }
  rule.leftIndent = TagLexer::ParseNumber(left);
  rule.rightIndent = TagLexer::ParseNumber(arg(5));
  std::u16string_view offset = arg(6);
  if (!offset.empty() && offset.back() == u'%') offset.remove_suffix(1);
  rule.offset = TagLexer::ParseNumber(offset);
  Add(def, {kind, std::move(rule)}, TaggedLevel::kParagraph);
}

void TextScanner::Revert(char16_t letter) {
  switch (letter) {
    case u'f':
      sink_.RevertAttribute(TaggedAttrKind::kFontFamily);
      break;
    case u'z':
      sink_.RevertAttribute(TaggedAttrKind::kPointSize);
      break;
    case u'c':
      sink_.RevertAttribute(TaggedAttrKind::kColour);
      break;
    case u'k':
      sink_.RevertAttribute(TaggedAttrKind::kKerning);
      break;
    case u't':
      sink_.RevertAttribute(TaggedAttrKind::kTracking);
      break;
    case u'b':
      sink_.RevertAttribute(TaggedAttrKind::kBaselineShift);
      break;
    case u'h':
    case u'y':
      // Both revert whichever scale came last.
      if (last_scale_ == ScaleKind::kHorizontal) {
        sink_.RevertAttribute(TaggedAttrKind::kHorizontalScale);
      } else if (last_scale_ == ScaleKind::kVertical) {
        sink_.RevertAttribute(TaggedAttrKind::kVerticalScale);
      }
      break;
    default:
      break;  // shade is not carried
  }
}

void TextScanner::InterpretTag(std::u16string_view body, std::vector<TaggedAttribute>* def) {
  using K = TaggedAttrKind;
  constexpr auto kChar = TaggedLevel::kCharacter;
  TagLexer lex(body);
  for (;;) {
    TagItem item = lex.Next();
    switch (item) {
      case TagItem::kEnd:
        return;
      case TagItem::kAlignment: {
        static constexpr std::u16string_view kLetters = u"LCRFJ";
        auto value = static_cast<int32_t>(kLetters.find(lex.Letter()));
        Add(def, {K::kAlignment, value}, TaggedLevel::kParagraph);
        break;
      }
      case TagItem::kKeepWithNext:
        Add(def, {K::kKeepWithNext, int32_t{1}}, kChar);
        break;
      case TagItem::kParagraphFormats: {
        const auto& args = lex.Args();
        if (args.size() < 8) break;
        std::vector<TaggedAttribute>& out = def ? *def : pending_;
        out.push_back({K::kLeftIndent, TagLexer::ParseNumber(args[0])});
        out.push_back({K::kFirstLineIndent, TagLexer::ParseNumber(args[1])});
        out.push_back({K::kRightIndent, TagLexer::ParseNumber(args[2])});
        double leading = TagLexer::ParseNumber(args[3]);
        if (leading != 0) out.push_back({K::kLeading, leading});
        if (!def) ApplyPending(kChar);
        break;
      }
      case TagItem::kRuleAbove:
        Rule(def, K::kRuleAbove, lex.Args());
        break;
      case TagItem::kRuleBelow:
        Rule(def, K::kRuleBelow, lex.Args());
        break;
      case TagItem::kCapsMode3:
        Toggle(def, caps_mode3_, K::kCapitalisation, 3);
        break;
      case TagItem::kBold:
        Face(def, true);
        break;
      case TagItem::kItalic:
        Face(def, false);
        break;
      case TagItem::kUnderline:
        Toggle(def, underline_, K::kUnderline, 1);
        break;
      case TagItem::kStrikethrough:
        Toggle(def, strikethrough_, K::kStrikethrough, 1);
        break;
      case TagItem::kAllCaps:
        Toggle(def, all_caps_, K::kCapitalisation, 2);
        break;
      case TagItem::kSmallCaps:
        Toggle(def, small_caps_, K::kCapitalisation, 1);
        break;
      case TagItem::kSuperscript:
        Add(def, {K::kPosition, int32_t{1}}, kChar);
        break;
      case TagItem::kSubscript:
        Add(def, {K::kPosition, int32_t{2}}, kChar);
        break;
      case TagItem::kFont:
        Font(def, lex.Text());
        break;
      case TagItem::kSize:
        Add(def, {K::kPointSize, lex.Number()}, kChar);
        break;
      case TagItem::kHorizontalScale:
        Add(def, {K::kHorizontalScale, lex.Number() / 100}, kChar);
        last_scale_ = ScaleKind::kHorizontal;
        break;
      case TagItem::kVerticalScale:
        Add(def, {K::kVerticalScale, lex.Number() / 100}, kChar);
        last_scale_ = ScaleKind::kVertical;
        break;
      case TagItem::kKerning:
        Add(def, {K::kKerning, lex.Number() * 5 / 1000}, kChar);
        break;
      case TagItem::kTracking:
        Add(def, {K::kTracking, lex.Number() * 5 / 1000}, kChar);
        break;
      case TagItem::kBaselineShift:
        Add(def, {K::kBaselineShift, lex.Number()}, kChar);
        break;
      case TagItem::kColour:
        if (!lex.Text().empty() && lookup_.ResolveTextColour(lex.Text())) {
          Add(def, {K::kColour, lex.Text()}, kChar);
        }
        break;
      case TagItem::kRevert:
        if (!def) Revert(lex.Letter());
        break;
      case TagItem::kRevertAll:
        if (!def) sink_.RevertAll();
        break;
      case TagItem::kCharacterStyle:
        if (!lex.Text().empty()) sink_.ApplyCharacterStyle(lex.Text());
        break;
      case TagItem::kNormalCharacterStyle:
        sink_.ApplyCharacterStyle(u"Normal");
        break;
      case TagItem::kRootCharacterStyle:
        sink_.ApplyRootCharacterStyle();
        break;
      case TagItem::kSpecial: {
        char16_t unit = lex.Letter();
        sink_.InsertText(std::u16string_view(&unit, 1));
        break;
      }
      case TagItem::kUnknown:
      case TagItem::kHyphenation:
      case TagItem::kKeepTogether:
      case TagItem::kTabs:
      case TagItem::kBracketList:
      case TagItem::kPlain:
      case TagItem::kShade:
        break;
    }
  }
}

}  // namespace tarvelin
