// Small persistent and non-persistent implementations used by the host tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "host/objects/class_registry.h"
#include "host/objects/command.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"
#include "host/objects/undo_record.h"

namespace tarvelin::testing {

// Counts ReadWrite calls so tests can see when the host snapshots.
inline int g_read_writes = 0;

class ICounter : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x100};
  virtual void Set(int32_t value, std::u16string label) = 0;
  virtual int32_t Value() const = 0;
  virtual const std::u16string& Label() const = 0;
};

class CounterImpl final : public ICounter, public PersistentImpl {
 public:
  void Set(int32_t value, std::u16string label) override {
    PreDirty();
    value_ = value;
    label_ = std::move(label);
  }
  int32_t Value() const override { return value_; }
  const std::u16string& Label() const override { return label_; }
  void ReadWrite(Stream& s, ImplementationID) override {
    ++g_read_writes;
    s.XferInt32(value_);
    s.XferText(label_);
  }

 private:
  int32_t value_ = 0;
  std::u16string label_;
};

// A list of notes: the shape of a record a plug-in adds to a host class.
class INotes : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x101};
  virtual void Add(std::u16string note) = 0;
  virtual const std::vector<std::u16string>& Notes() const = 0;
};

class NotesImpl final : public INotes, public PersistentImpl {
 public:
  void Add(std::u16string note) override {
    PreDirty();
    notes_.push_back(std::move(note));
  }
  const std::vector<std::u16string>& Notes() const override { return notes_; }
  void ReadWrite(Stream& s, ImplementationID) override {
    ++g_read_writes;
    uint16_t version = 1;
    s.XferInt16(version);
    uint32_t n = static_cast<uint32_t>(notes_.size());
    s.XferInt32(n);
    if (s.IsReading()) notes_.clear();  // reading replaces the whole state
    for (uint32_t i = 0; i < n && s.Good(); ++i) {
      std::u16string note = s.IsWriting() ? notes_[i] : std::u16string();
      s.XferText(note);
      if (s.IsReading()) notes_.push_back(std::move(note));
    }
  }

 private:
  std::vector<std::u16string> notes_;
};

// Not persistent: undo does not touch it.
class ITransient : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x102};
  int hits = 0;
};
class TransientImpl final : public ITransient {};

// Text edited through small undo records, never snapshotted by an edit.
class IText : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x103};
  virtual void Insert(size_t pos, std::u16string_view text) = 0;
  virtual void Erase(size_t pos, size_t n) = 0;
  // A wholesale change, undone by snapshot like any persistent data.
  virtual void Replace(std::u16string text) = 0;
  virtual const std::u16string& Text() const = 0;
};

class TextImpl final : public IText, public PersistentImpl {
 public:
  void Insert(size_t pos, std::u16string_view text) override;
  void Erase(size_t pos, size_t n) override;
  void Replace(std::u16string text) override {
    PreDirty();
    text_ = std::move(text);
  }
  const std::u16string& Text() const override { return text_; }
  void ReadWrite(Stream& s, ImplementationID) override {
    ++g_read_writes;
    s.XferText(text_);
  }
  // Raw operations, used by the records.
  void RawInsert(size_t pos, std::u16string_view t) { text_.insert(pos, t); }
  void RawErase(size_t pos, size_t n) { text_.erase(pos, n); }

 private:
  std::u16string text_;
};

// One record serves both directions: an insertion undone is an erasure redone.
class TextEditRecord final : public UndoRecord {
 public:
  TextEditRecord(UID uid, bool insert, size_t pos, std::u16string text)
      : uid_(uid), insert_(insert), pos_(pos), text_(std::move(text)) {}
  void Undo(Database& db) override { Run(db, !insert_); }
  void Redo(Database& db) override { Run(db, insert_); }
  bool Absorb(UndoRecord& later) override {
    auto* next = dynamic_cast<TextEditRecord*>(&later);
    if (!next || !insert_ || !next->insert_ || next->pos_ != pos_ + text_.size()) return false;
    text_ += next->text_;
    ++absorbed;
    return true;
  }
  static inline int absorbed = 0;

 private:
  void Run(Database& db, bool insert) {
    auto text = db.Query<IText>(uid_);
    auto* impl = dynamic_cast<TextImpl*>(text.get());
    if (insert)
      impl->RawInsert(pos_, text_);
    else
      impl->RawErase(pos_, text_.size());
  }
  UID uid_;
  bool insert_;
  size_t pos_;
  std::u16string text_;
};

inline void TextImpl::Insert(size_t pos, std::u16string_view text) {
  RawInsert(pos, text);
  Object* o = Owner();
  if (o && o->DataBase())
    o->DataBase()->AddUndoRecord(
        o->GetUID(), IText::kIID,
        std::make_unique<TextEditRecord>(o->GetUID(), true, pos, std::u16string(text)));
}

inline void TextImpl::Erase(size_t pos, size_t n) {
  std::u16string removed = text_.substr(pos, n);
  RawErase(pos, n);
  Object* o = Owner();
  if (o && o->DataBase())
    o->DataBase()->AddUndoRecord(
        o->GetUID(), IText::kIID,
        std::make_unique<TextEditRecord>(o->GetUID(), false, pos, std::move(removed)));
}

inline constexpr ImplementationID kCounterImpl{0x200};
inline constexpr ImplementationID kNotesImpl{0x201};
inline constexpr ImplementationID kTransientImpl{0x202};
inline constexpr ImplementationID kTextImpl{0x203};

inline constexpr ClassID kPageItem{0x2C10};
inline constexpr ClassID kTextFrame{0x2C11};  // derives from kPageItem
inline constexpr ClassID kStory{0x300};

// Host classes, and the plug-in's notes added to the page-item class.
inline std::shared_ptr<ClassRegistry> MakeRegistry(bool with_addin = true) {
  auto r = std::make_shared<ClassRegistry>();
  r->RegisterImplementation<CounterImpl>(kCounterImpl, "CounterImpl");
  r->RegisterImplementation<NotesImpl>(kNotesImpl, "NotesImpl");
  r->RegisterImplementation<TransientImpl>(kTransientImpl, "TransientImpl");
  r->RegisterImplementation<TextImpl>(kTextImpl, "TextImpl");
  r->DefineClass(kPageItem, kInvalidClass,
                 {{ICounter::kIID, kCounterImpl}, {ITransient::kIID, kTransientImpl}});
  r->DefineClass(kTextFrame, kPageItem, {});
  r->DefineClass(kStory, kInvalidClass, {{IText::kIID, kTextImpl}, {ICounter::kIID, kCounterImpl}});
  if (with_addin) r->AddIn(kPageItem, {{INotes::kIID, kNotesImpl}});
  return r;
}

// A command built from lambdas, for tests that need a specific Do.
class LambdaCommand final : public Command {
 public:
  LambdaCommand(std::u16string name, std::function<ErrorCode()> fn)
      : Command(std::move(name)), fn_(std::move(fn)) {}
  ErrorCode Do() override { return fn_(); }

 private:
  std::function<ErrorCode()> fn_;
};

inline std::shared_ptr<Command> MakeCommand(std::u16string name, std::function<ErrorCode()> fn) {
  return std::make_shared<LambdaCommand>(std::move(name), std::move(fn));
}

}  // namespace tarvelin::testing
