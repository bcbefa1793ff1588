#include "host/text/text_model.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <memory>
#include <unordered_map>

#include "core/diagnostics.h"
#include "core/stream.h"
#include "host/objects/class_registry.h"
#include "host/objects/database.h"
#include "host/objects/object.h"
#include "host/objects/undo_record.h"
#include "host/text/story_impl.h"
#include "host/text/text_classes.h"

namespace tarvelin {

namespace {

ErrorCode DeleteInlineObject(Database& db, UID uid) {
  const auto& d = db.Registry().GetInlineObjectDeleter();
  if (d) return d(db, uid);
  return db.DeleteObject(uid);
}

std::vector<uint32_t> ParagraphEnds(std::u16string_view text) {
  std::vector<uint32_t> ends;
  size_t i = 0;
#if defined(__SSE2__)
  // Eight units at a time: a story's text is long and its paragraph ends are few.
  const __m128i end = _mm_set1_epi16(static_cast<short>(kParagraphEnd));
  for (; i + 8 <= text.size(); i += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(units, end)) == 0) continue;
    for (size_t k = i; k < i + 8; ++k)
      if (text[k] == kParagraphEnd) ends.push_back(static_cast<uint32_t>(k));
  }
#endif
  for (; i < text.size(); ++i)
    if (text[i] == kParagraphEnd) ends.push_back(static_cast<uint32_t>(i));
  return ends;
}

StoryImpl* StoryOf(Database& db, UID uid) {
  auto model = db.Query<ITextModel>(uid);
  return model ? dynamic_cast<StoryImpl*>(model.get()) : nullptr;
}

// ---------------------------------------------------------------- undo records

// An insert keeps only where it was: the text it put in is still in the story until it is
// undone, and is taken back out then, for the redo. An import's inserts so cost the undo
// nothing in proportion to their text. (Inserting a fragment the story's own delete gave
// reproduces the story exactly: the paragraph formats come whole from the fragment.)
// A move's text, undone, goes to the `MovedText` it shares with the delete in the source.
class InsertRecord final : public UndoRecord {
 public:
  InsertRecord(UID story, size_t pos, size_t length, Format paragraph, Format eos, MovedText moved)
      : story_(story),
        pos_(pos),
        length_(length),
        paragraph_(paragraph),
        eos_(eos),
        moved_(std::move(moved)) {}
  void Undo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) {
      removed_ = s->RawDelete(pos_, length_);
      s->SetParagraphFormatAt(pos_, paragraph_);
      s->SetEndOfStoryFormat(eos_);
      if (moved_) *moved_ = std::move(removed_.text);
    }
  }
  void Redo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) {
      if (moved_) removed_.text = std::move(*moved_);
      s->RawInsert(pos_, removed_, &removed_.text);
    }
    removed_ = StoryFragment();
  }

 private:
  UID story_;
  size_t pos_;
  size_t length_;
  Format paragraph_;
  Format eos_;
  MovedText moved_;
  StoryFragment removed_;  // only while undone
};

// With `moved`, the fragment holds no text: the target of the move holds it while the delete
// is done, the shared `MovedText` while it is undone there.
class DeleteRecord final : public UndoRecord {
 public:
  DeleteRecord(UID story, size_t pos, size_t length, StoryFragment removed, Format eos,
               MovedText moved)
      : story_(story),
        pos_(pos),
        length_(length),
        removed_(std::move(removed)),
        eos_(eos),
        moved_(std::move(moved)) {}
  void Undo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) {
      if (moved_) {
        removed_.text = std::move(*moved_);
        s->RawInsert(pos_, removed_, &removed_.text);
        removed_.text = std::u16string();
      } else {
        s->RawInsert(pos_, removed_);
      }
      s->SetEndOfStoryFormat(eos_);
    }
  }
  void Redo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) {
      StoryFragment f = s->RawDelete(pos_, length_, moved_ != nullptr);
      if (moved_) *moved_ = std::move(f.text);
    }
  }

 private:
  UID story_;
  size_t pos_;
  size_t length_;
  StoryFragment removed_;
  Format eos_;
  MovedText moved_;
};

class FormatRecord final : public UndoRecord {
 public:
  FormatRecord(UID story, TextLevel level, size_t start, std::vector<Run> before,
               std::vector<Run> after)
      : story_(story),
        level_(level),
        start_(start),
        before_(std::move(before)),
        after_(std::move(after)) {}
  void Undo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) s->RawOverwrite(level_, start_, before_);
  }
  void Redo(Database& db) override {
    if (StoryImpl* s = StoryOf(db, story_)) s->RawOverwrite(level_, start_, after_);
  }

 private:
  UID story_;
  TextLevel level_;
  size_t start_;
  std::vector<Run> before_;
  std::vector<Run> after_;
};

}  // namespace

UIDRef CreateStory(Database& db) {
  return db.CreateObject(kStoryClass);
}

// ---------------------------------------------------------------- StoryImpl: raw edits

StoryImpl::StoryImpl() {
  Reset();
}

void StoryImpl::Reset() {
  text_.Assign(std::u16string(1, kEndOfStory));
  chars_.Assign({{1, {}}});
  paras_.Assign({{1, {}}});
  anchors_.Assign({}, 1);
  anchored_.clear();
  formats_.Reset();
}

Database* StoryImpl::Db() const {
  return Owner() ? Owner()->DataBase() : nullptr;
}
UID StoryImpl::Self() const {
  return Owner() ? Owner()->GetUID() : kInvalidUID;
}

size_t StoryImpl::ChangedFrom(uint64_t revision) const {
  if (revision >= revision_) return TotalLength();
  if (revision_ - revision > changes_.size()) return 0;
  size_t from = TotalLength();
  for (uint64_t r = revision + 1; r <= revision_; ++r)
    from = std::min<size_t>(from, changes_[r % changes_.size()]);
  return from;
}

void StoryImpl::Changed(size_t pos) {
  ++revision_;
  changes_[revision_ % changes_.size()] = static_cast<uint32_t>(pos);
}

bool StoryImpl::Recording() const {
  Database* db = Db();
  return db != nullptr && db->Journals(Self());
}

void StoryImpl::Record(std::unique_ptr<UndoRecord> record) {
  if (Database* db = Db()) db->AddUndoRecord(Self(), ITextModel::kIID, std::move(record));
}

void StoryImpl::RawInsert(size_t pos, const StoryFragment& f, std::u16string* take) {
  size_t n = f.text.size();
  if (n == 0) return;
  size_t total = text_.size();
  RunSpan a = paras_.Find(pos);
  std::vector<Run> paragraphs;
  size_t piece_start = 0;
  size_t piece = 0;
  std::vector<uint32_t> found;
  const std::vector<uint32_t>& ends =
      f.paragraphEnds ? *f.paragraphEnds : (found = ParagraphEnds(f.text));
  paragraphs.reserve(ends.size() + 1);
  for (const uint32_t end : ends) {
    const size_t i = end;
    size_t len = i + 1 - piece_start;
    if (piece == 0) len += pos - a.start;
    paragraphs.push_back({static_cast<uint32_t>(len), f.paragraphs[piece]});
    ++piece;
    piece_start = i + 1;
  }
  size_t tail = a.start + a.length - pos;
  size_t last = n - piece_start + tail + (piece == 0 ? pos - a.start : 0);
  paragraphs.push_back({static_cast<uint32_t>(last), f.paragraphs[piece]});
  paras_.Erase(a.start, a.length);
  paras_.Insert(a.start, paragraphs);

  anchors_.PrepareInsert(pos, total);
  if (take)
    text_.InsertTaking(pos, std::move(*take));
  else
    text_.Insert(pos, f.text);
  chars_.Insert(pos, f.characters);
  for (const Anchor& anchor : f.anchors) {
    anchors_.Add(pos + anchor.position, anchor.uid, total + n);
    anchored_.insert(anchor.uid);
  }
  Changed(pos);
}

StoryFragment StoryImpl::RawDelete(size_t pos, size_t n, bool whole) {
  StoryFragment f;
  if (n == 0) return f;
  size_t total = text_.size();
  size_t end = pos + n;
  Format first = chars_.Find(pos).format;
  if (whole) f.characters = chars_.Collect(pos, n);

  RunSpan a = paras_.Find(pos);
  RunSpan b = paras_.Find(end);
  size_t b_end = b.start + b.length;
  if (whole)
    for (const Run& r : paras_.Collect(a.start, b_end - a.start)) f.paragraphs.push_back(r.format);
  Format joined = (a.start == b.start || pos > a.start) ? a.format : b.format;
  paras_.Erase(a.start, b_end - a.start);
  paras_.Insert(a.start, {{static_cast<uint32_t>(b_end - a.start - n), joined}});

  for (Anchor anchor : anchors_.Remove(pos, n, total)) {
    anchored_.erase(anchor.uid);
    anchor.position -= pos;
    f.anchors.push_back(anchor);
  }
  bool reaches_end = end == total - 1;
  if (whole)
    f.text = text_.Take(pos, n);
  else
    text_.Erase(pos, n);
  chars_.Erase(pos, n);
  if (reaches_end) SetEndOfStoryFormat(first);
  Changed(pos);
  return f;
}

void StoryImpl::RawOverwrite(TextLevel level, size_t start, const std::vector<Run>& runs) {
  (level == TextLevel::kCharacter ? chars_ : paras_).Overwrite(start, runs);
  Changed(start);
}

void StoryImpl::SetParagraphFormatAt(size_t pos, Format format) {
  RunSpan p = paras_.Find(pos);
  if (p.format == format) return;
  paras_.Overwrite(p.start, {{static_cast<uint32_t>(p.length), format}});
}

void StoryImpl::SetEndOfStoryFormat(Format format) {
  if (chars_.Last() == format) return;
  chars_.Overwrite(text_.size() - 1, {{1, format}});
}

// Read without a seek: edits in the middle of a long story must not walk to its end.
Format StoryImpl::EndOfStoryFormat() const {
  return chars_.Last();
}

// ---------------------------------------------------------------- StoryImpl: edits

Format StoryImpl::InsertionFormat(size_t pos) const {
  if (pos + 1 >= text_.size()) return EndOfStoryFormat();
  if (pos > 0 && text_.At(pos - 1) != kParagraphEnd) return chars_.Find(pos - 1).format;
  return chars_.Find(pos).format;
}

ErrorCode StoryImpl::CheckInsert(size_t pos, size_t n) const {
  if (pos >= text_.size()) return kInvalidArgument;
  if (n > kMaxStoryLength || text_.size() + n > kMaxStoryLength) return kInvalidArgument;
  return kSuccess;
}

ErrorCode StoryImpl::DoInsert(size_t pos, StoryFragment f, MovedText moved) {
  const size_t n = f.text.size();
  if (n == 0) return kSuccess;
  if (!Recording()) {
    RawInsert(pos, f, &f.text);
    return kSuccess;
  }
  Format paragraph = paras_.Find(pos).format;
  Format eos = EndOfStoryFormat();
  RawInsert(pos, f, &f.text);
  Record(std::make_unique<InsertRecord>(Self(), pos, n, paragraph, eos, std::move(moved)));
  return kSuccess;
}

ErrorCode StoryImpl::Insert(size_t pos, std::u16string_view text) {
  if (ErrorCode e = CheckInsert(pos, text.size())) return e;
  if (text.empty()) return kSuccess;
  StoryFragment f;
  f.text.assign(text);
  f.characters = {{static_cast<uint32_t>(text.size()), InsertionFormat(pos)}};
  f.paragraphEnds = ParagraphEnds(text);
  f.paragraphs.assign(f.paragraphEnds->size() + 1, paras_.Find(pos).format);
  return DoInsert(pos, std::move(f));
}

ErrorCode StoryImpl::InsertStyled(size_t pos, StyledText st) {
  return InsertStyledFrom(pos, st, nullptr, std::nullopt);
}

// Takes the text out of `st` only once nothing can fail any more. `known_ends`: where the
// paragraph ends lie in the text, when the caller knows.
ErrorCode StoryImpl::InsertStyledFrom(size_t pos, StyledText& st, MovedText moved,
                                      std::optional<std::vector<uint32_t>> known_ends) {
  if (ErrorCode e = CheckInsert(pos, st.text.size())) return e;
  size_t n = st.text.size();
  std::vector<uint32_t> end_positions =
      known_ends ? std::move(*known_ends) : ParagraphEnds(st.text);
  const size_t ends = end_positions.size();
  if (!st.paragraphs.empty() && st.paragraphs.size() != ends + 1) return kInvalidArgument;
  size_t sum = 0;
  for (const StyledRun& r : st.characters) sum += r.length;
  if (!st.characters.empty() && sum != n) return kInvalidArgument;
  Database* db = Db();
  for (size_t i = 0; i < st.anchors.size(); ++i) {
    const Anchor& a = st.anchors[i];
    if (a.position >= n || st.text[a.position] != kObjectReplacement || a.uid == kInvalidUID)
      return kInvalidArgument;
    if (i > 0 && st.anchors[i - 1].position >= a.position) return kInvalidArgument;
    if (db && !db->Contains(a.uid)) return kNotFound;
    if (FindInlineObject(a.uid)) return kAlreadyExists;
  }
  if (n == 0) return kSuccess;

  const bool ends_paragraph = st.text.back() == kParagraphEnd;
  StoryFragment f;
  f.text = std::move(st.text);  // a whole story moved in is not copied once more
  if (st.characters.empty()) {
    f.characters = {{static_cast<uint32_t>(n), InsertionFormat(pos)}};
  } else {
    for (const StyledRun& r : st.characters)
      if (r.length)
        f.characters.push_back(
            {static_cast<uint32_t>(r.length), {r.style, formats_.Intern(r.overrides)}});
  }
  Format here = paras_.Find(pos).format;
  f.paragraphs.assign(ends + 1, here);
  if (!st.paragraphs.empty() && ends > 0) {
    auto intern = [&](const ParagraphFormat& p) {
      return Format{p.style, formats_.Intern(p.overrides)};
    };
    bool at_paragraph_start = pos == 0 || text_.At(pos - 1) == kParagraphEnd;
    if (at_paragraph_start) f.paragraphs[0] = intern(st.paragraphs[0]);
    for (size_t i = 1; i < ends; ++i) f.paragraphs[i] = intern(st.paragraphs[i]);
    if (!ends_paragraph) f.paragraphs[ends] = intern(st.paragraphs[ends]);
  }
  f.anchors = std::move(st.anchors);
  f.paragraphEnds = std::move(end_positions);
  return DoInsert(pos, std::move(f), std::move(moved));
}

ErrorCode StoryImpl::InsertInlineObject(size_t pos, UID object) {
  if (ErrorCode e = CheckInsert(pos, 1)) return e;
  if (object == kInvalidUID) return kInvalidArgument;
  if (Database* db = Db(); db && !db->Contains(object)) return kNotFound;
  if (FindInlineObject(object)) return kAlreadyExists;
  StoryFragment f;
  f.text.assign(1, kObjectReplacement);
  f.characters = {{1, InsertionFormat(pos)}};
  f.paragraphs = {paras_.Find(pos).format};
  f.anchors = {{0, object}};
  return DoInsert(pos, std::move(f));
}

ErrorCode StoryImpl::Delete(size_t pos, size_t length, AnchorPolicy policy) {
  size_t total = text_.size();
  if (pos >= total || length > total - 1 - pos) return kInvalidArgument;
  if (length == 0) return kSuccess;
  std::vector<Anchor> anchors;
  if (!Recording()) {
    anchors = RawDelete(pos, length, false).anchors;  // nothing keeps the text
  } else {
    Format eos = EndOfStoryFormat();
    StoryFragment removed = RawDelete(pos, length);
    anchors = removed.anchors;
    Record(std::make_unique<DeleteRecord>(Self(), pos, length, std::move(removed), eos, nullptr));
  }
  Database* db = Db();
  if (policy == AnchorPolicy::kDeleteObjects && db) {
    for (const Anchor& a : anchors) {
      if (!db->Contains(a.uid)) continue;
      if (ErrorCode e = DeleteInlineObject(*db, a.uid)) {
        diag::Printf("Story %u: the inline object %u could not be deleted (%s)\n", Self(), a.uid,
                     ErrorCodeName(e));
        return e;
      }
    }
  }
  return kSuccess;
}

template <typename Fn>
ErrorCode StoryImpl::ChangeFormats(size_t pos, size_t length, TextLevel level, Fn&& change) {
  size_t total = text_.size();
  if (pos >= total || length > total - pos) return kInvalidArgument;
  size_t start = pos;
  size_t end = pos + length;
  RunArray* strand = &chars_;
  if (level == TextLevel::kCharacter) {
    if (length == 0) return kSuccess;
    if (end == total - 1) end = total;
  } else {
    strand = &paras_;
    RunSpan first = paras_.Find(pos);
    RunSpan last = paras_.Find(length ? end - 1 : pos);
    start = first.start;
    end = last.start + last.length;
  }
  std::vector<Run> before = strand->Collect(start, end - start);
  std::vector<Run> after = before;
  std::unordered_map<uint32_t, uint32_t> interned;
  for (Run& r : after) r.format = change(r.format, interned);
  if (after == before) return kSuccess;
  strand->Overwrite(start, after);
  Changed(start);
  if (Recording())
    Record(
        std::make_unique<FormatRecord>(Self(), level, start, std::move(before), std::move(after)));
  return kSuccess;
}

ErrorCode StoryImpl::ApplyAttributes(size_t pos, size_t length, const AttributeList& list,
                                     TextLevel level) {
  return ChangeFormats(pos, length, level, [&](Format f, auto& cache) {
    auto [it, inserted] = cache.try_emplace(f.overrides, 0);
    if (inserted) {
      AttributeList merged = formats_.Get(f.overrides);
      merged.Merge(list);
      it->second = formats_.Intern(merged);
    }
    return Format{f.style, it->second};
  });
}

ErrorCode StoryImpl::ClearOverrides(size_t pos, size_t length, const AttrKindSet& kinds,
                                    TextLevel level) {
  return ChangeFormats(pos, length, level, [&](Format f, auto& cache) {
    auto [it, inserted] = cache.try_emplace(f.overrides, 0);
    if (inserted) {
      AttributeList kept = formats_.Get(f.overrides);
      kept.RemoveKinds(kinds);
      it->second = formats_.Intern(kept);
    }
    return Format{f.style, it->second};
  });
}

ErrorCode StoryImpl::ApplyStyle(size_t pos, size_t length, UID style, TextLevel level) {
  if (Database* db = Db(); db && style != kInvalidUID && !db->Contains(style)) return kNotFound;
  return ChangeFormats(pos, length, level, [&](Format f, auto&) {
    return Format{style, f.overrides};
  });
}

// ---------------------------------------------------------------- StoryImpl: reading

size_t StoryImpl::Clamp(size_t index) const {
  return std::min(index, text_.size() - 1);
}

char16_t StoryImpl::CharAt(size_t index) const {
  return text_.At(Clamp(index));
}

std::u16string StoryImpl::Text(size_t pos, size_t length) const {
  size_t total = text_.size();
  if (pos >= total) return {};
  return text_.Copy(pos, std::min(length, total - pos));
}

TextRange StoryImpl::CharacterRunAt(size_t index) const {
  RunSpan r = chars_.Find(Clamp(index));
  return {r.start, r.length};
}
UID StoryImpl::CharacterStyleAt(size_t index) const {
  return chars_.Find(Clamp(index)).format.style;
}
const AttributeList& StoryImpl::CharacterOverridesAt(size_t index) const {
  return formats_.Get(chars_.Find(Clamp(index)).format.overrides);
}
TextRange StoryImpl::ParagraphAt(size_t index) const {
  RunSpan r = paras_.Find(Clamp(index));
  return {r.start, r.length};
}
UID StoryImpl::ParagraphStyleAt(size_t index) const {
  return paras_.Find(Clamp(index)).format.style;
}
const AttributeList& StoryImpl::ParagraphOverridesAt(size_t index) const {
  return formats_.Get(paras_.Find(Clamp(index)).format.overrides);
}

UID StoryImpl::InlineObjectAt(size_t index) const {
  return anchors_.At(index, text_.size());
}

std::vector<Anchor> StoryImpl::InlineObjectsIn(size_t pos, size_t length) const {
  return anchors_.In(pos, length, text_.size());
}

std::optional<size_t> StoryImpl::FindInlineObject(UID object) const {
  if (!anchored_.contains(object)) return std::nullopt;
  for (const Anchor& a : anchors_.All(text_.size()))
    if (a.uid == object) return a.position;
  return std::nullopt;
}

StyledText StoryImpl::ExtractStyled(size_t pos, size_t length) const {
  if (pos >= text_.size()) return {};
  length = std::min(length, text_.size() - pos);
  StyledText out = Styling(pos, length);
  // Room to spare: moved into an empty story, the copy becomes that story's text.
  out.text = text_.Copy(pos, length, length / 64 + 8);
  return out;
}

// The range's formats and anchors, without its text.
StyledText StoryImpl::Styling(size_t pos, size_t length, std::vector<uint32_t>* ends) const {
  StyledText out;
  const size_t total = text_.size();
  const std::vector<Run> chars = chars_.Collect(pos, length);
  out.characters.reserve(chars.size());
  for (const Run& r : chars)
    out.characters.push_back({r.length, r.format.style, formats_.Get(r.format.overrides)});
  // Every paragraph run ends at its paragraph end (stories keep it so, loading checks it).
  // The runs of the range and one unit more: each but the last ends at a paragraph end in
  // the range, and the paragraph after it is the next run's.
  const std::vector<Run> paras = paras_.Collect(pos, std::min(length + 1, total - pos));
  out.paragraphs.reserve(paras.size() + 1);
  if (ends) ends->reserve(paras.size());
  size_t end = 0;
  for (size_t i = 0; i < paras.size(); ++i) {
    const Format f = paras[i].format;
    out.paragraphs.push_back(ParagraphFormat{f.style, formats_.Get(f.overrides)});
    end += paras[i].length;
    if (end > length) break;
    if (ends) ends->push_back(static_cast<uint32_t>(end - 1));
    // A range through the story's end: the paragraph after the last end is the last one.
    if (i + 1 == paras.size()) out.paragraphs.push_back(out.paragraphs.back());
  }
  for (Anchor a : anchors_.In(pos, length, total)) {
    a.position -= pos;
    out.anchors.push_back(a);
  }
  return out;
}

// A move to another story hands the text over. When both stories keep undo records, the
// two records share it: while the move is done it is in the target, while it is undone in
// the source, and neither record copies it. That holds only while the target's record lives
// as long as the source's. A step drops the records of the objects created since a mark, of
// every UID from the mark's on, so the target must be the older story (the lower UID).
// Otherwise the source's record keeps a copy.
ErrorCode StoryImpl::MoveTo(size_t pos, size_t length, StoryImpl& target, size_t at) {
  const size_t total = text_.size();
  if (&target == this || pos >= total || length > total - 1 - pos || at >= target.text_.size())
    return kInvalidArgument;
  if (ErrorCode e = target.CheckInsert(at, length)) return e;
  if (length == 0) return kSuccess;
  std::vector<uint32_t> ends;
  StyledText moved = Styling(pos, length, &ends);
  const bool recording = Recording();
  MovedText shared;
  if (recording && target.Recording() && target.Self() < Self())
    shared = std::make_shared<std::u16string>();
  const Format eos = EndOfStoryFormat();
  StoryFragment removed = RawDelete(pos, length);
  if (recording && !shared)
    moved.text = removed.text;
  else
    moved.text = std::move(removed.text);
  if (recording)
    Record(std::make_unique<DeleteRecord>(Self(), pos, length, std::move(removed), eos, shared));
  const ErrorCode e = target.InsertStyledFrom(at, moved, shared, std::move(ends));
  if (e != kSuccess) {
    // The text goes back where the source's undo, or this, finds it.
    if (shared) {
      *shared = std::move(moved.text);
    } else if (!recording) {
      removed.text = std::move(moved.text);
      RawInsert(pos, removed, &removed.text);
      SetEndOfStoryFormat(eos);
    }
  }
  return e;
}

// ---------------------------------------------------------------- StoryImpl: persistence

namespace {

constexpr uint32_t kStoryVersion = 1;

void XferUnits(Stream& s, std::u16string_view units) {
  if constexpr (std::endian::native == std::endian::little) {
    s.WriteBytes(units.data(), units.size() * sizeof(char16_t));
  } else {
    for (char16_t c : units) s.WriteUInt16(c);
  }
}

bool ReadUnits(Stream& s, size_t count, std::u16string& out) {
  out.clear();
  constexpr size_t kChunk = 1 << 16;
  while (out.size() < count) {
    size_t n = std::min(kChunk, count - out.size());
    size_t at = out.size();
    out.resize(at + n);
    size_t got = s.ReadBytes(&out[at], n * sizeof(char16_t));
    if (got != n * sizeof(char16_t)) return false;
  }
  if constexpr (std::endian::native != std::endian::little)
    for (char16_t& c : out) c = static_cast<char16_t>((c >> 8) | (c << 8));
  return true;
}

bool XferRuns(Stream& s, std::vector<Run>& runs) {
  uint32_t count = static_cast<uint32_t>(runs.size());
  if (!s.XferInt32(count)) return false;
  if (s.IsReading()) {
    runs.clear();
    for (uint32_t i = 0; i < count; ++i) {
      Run r;
      if (!s.XferInt32(r.length) || !s.XferInt32(r.format.style) ||
          !s.XferInt32(r.format.overrides))
        return false;
      runs.push_back(r);
    }
    return true;
  }
  for (Run& r : runs) {
    s.XferInt32(r.length);
    s.XferInt32(r.format.style);
    s.XferInt32(r.format.overrides);
  }
  return s.Good();
}

}  // namespace

void StoryImpl::ReadWrite(Stream& s, ImplementationID) {
  if (s.IsWriting()) {
    uint32_t version = kStoryVersion;
    uint32_t total = static_cast<uint32_t>(text_.size());
    s.XferInt32(version);
    s.XferInt32(total);
    auto [a, b] = text_.Pieces();
    XferUnits(s, a);
    XferUnits(s, b);
    // Override lists in order of first use, so equal stories write equal bytes whatever
    // their edit history left in the table.
    std::vector<Run> chars = chars_.All();
    std::vector<Run> paras = paras_.All();
    std::unordered_map<uint32_t, uint32_t> renumber{{0, 0}};
    std::vector<uint32_t> used;
    for (auto* runs : {&chars, &paras})
      for (Run& r : *runs) {
        auto [it, inserted] =
            renumber.try_emplace(r.format.overrides, static_cast<uint32_t>(used.size() + 1));
        if (inserted) used.push_back(r.format.overrides);
        r.format.overrides = it->second;
      }
    uint32_t sets = static_cast<uint32_t>(used.size());
    s.XferInt32(sets);
    for (uint32_t index : used) {
      AttributeList list = formats_.Get(index);
      list.ReadWrite(s);
    }
    XferRuns(s, chars);
    XferRuns(s, paras);
    std::vector<Anchor> anchors = anchors_.All(text_.size());
    uint32_t count = static_cast<uint32_t>(anchors.size());
    s.XferInt32(count);
    for (Anchor& anchor : anchors) {
      uint32_t position = static_cast<uint32_t>(anchor.position);
      s.XferInt32(position);
      s.XferInt32(anchor.uid);
    }
    return;
  }
  ReadStory(s);
  Changed(0);
}

void StoryImpl::ReadStory(Stream& s) {
  Reset();
  uint32_t version = 0;
  uint32_t total = 0;
  if (!s.XferInt32(version) || !s.XferInt32(total)) return;
  if (version != kStoryVersion || total == 0 || total > kMaxStoryLength) {
    diag::Printf("Story: unknown version %u or length %u; the story is left empty\n", version,
                 total);
    return;
  }
  std::u16string text;
  if (!ReadUnits(s, total, text)) return;
  if (text.back() != kEndOfStory) text.push_back(kEndOfStory);

  uint32_t sets = 0;
  std::vector<AttributeList> lists(1);
  std::vector<Run> chars;
  std::vector<Run> paras;
  std::vector<Anchor> anchors;
  bool ok = s.XferInt32(sets);
  for (uint32_t i = 0; ok && i < sets; ++i) {
    AttributeList list;
    ok = list.ReadWrite(s);
    lists.push_back(std::move(list));
  }
  ok = ok && XferRuns(s, chars) && XferRuns(s, paras);
  uint32_t count = 0;
  ok = ok && s.XferInt32(count);
  for (uint32_t i = 0; ok && i < count; ++i) {
    uint32_t position = 0;
    uint32_t uid = 0;
    ok = s.XferInt32(position) && s.XferInt32(uid);
    anchors.push_back({position, uid});
  }

  // Whatever is inconsistent is dropped; the text is kept in any case.
  auto runs_cover = [&](const std::vector<Run>& runs) {
    size_t sum = 0;
    for (const Run& r : runs) {
      if (r.format.overrides >= lists.size()) return false;
      sum += r.length;
    }
    return sum == text.size();
  };
  bool paragraphs_ok = ok && runs_cover(paras);
  if (paragraphs_ok) {
    size_t at = 0;
    for (const Run& r : paras) {
      if (r.length == 0) {
        paragraphs_ok = false;
        break;
      }
      at += r.length;
      if (text[at - 1] != kParagraphEnd ||
          std::find(text.begin() + static_cast<ptrdiff_t>(at - r.length),
                    text.begin() + static_cast<ptrdiff_t>(at - 1),
                    kParagraphEnd) != text.begin() + static_cast<ptrdiff_t>(at - 1)) {
        paragraphs_ok = false;
        break;
      }
    }
  }
  bool chars_ok = ok && runs_cover(chars);
  bool anchors_ok = ok;
  for (size_t i = 0; anchors_ok && i < anchors.size(); ++i)
    anchors_ok = anchors[i].position < text.size() &&
                 text[anchors[i].position] == kObjectReplacement && anchors[i].uid != kInvalidUID &&
                 (i == 0 || anchors[i - 1].position < anchors[i].position);
  for (size_t i = 0; anchors_ok && i < anchors.size(); ++i)
    anchors_ok = anchored_.insert(anchors[i].uid).second;  // an object has one anchor
  if (!ok || !chars_ok || !paragraphs_ok || !anchors_ok)
    diag::Printf(
        "Story: damaged formatting (characters %d, paragraphs %d, anchors %d); "
        "kept the text\n",
        chars_ok, paragraphs_ok, anchors_ok);

  for (size_t i = 1; i < lists.size(); ++i) formats_.Intern(lists[i]);
  auto renumber = [&](std::vector<Run>& runs) {
    for (Run& r : runs) r.format.overrides = formats_.Intern(lists[r.format.overrides]);
  };
  if (chars_ok) {
    renumber(chars);
  } else {
    chars = {{static_cast<uint32_t>(text.size()), {}}};
  }
  if (paragraphs_ok) {
    renumber(paras);
  } else {
    paras.clear();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == kParagraphEnd) {
        paras.push_back({static_cast<uint32_t>(i + 1 - start), {}});
        start = i + 1;
      }
  }
  if (!anchors_ok) {
    anchors.clear();
    anchored_.clear();
  }
  size_t length = text.size();
  text_.Assign(std::move(text));
  chars_.Assign(std::move(chars));
  paras_.Assign(std::move(paras));
  anchors_.Assign(std::move(anchors), length);
}

}  // namespace tarvelin
