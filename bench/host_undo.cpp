// Undo throughput: many small persistent modifications in one command sequence, then
// one undo (and redo) of the whole sequence. Each modification is its own command, so
// each takes a snapshot; the cost per modification must not grow with the count.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/stream.h"
#include "host/objects/class_registry.h"
#include "host/objects/command.h"
#include "host/objects/command_processor.h"
#include "host/objects/database.h"

namespace tarvelin {
namespace {

class IValue : public virtual Interface {
 public:
  static constexpr InterfaceID kIID{0x100};
  virtual void Set(int32_t v) = 0;
  virtual int32_t Get() const = 0;
};

class ValueImpl final : public IValue, public PersistentImpl {
 public:
  void Set(int32_t v) override {
    PreDirty();
    value_ = v;
  }
  int32_t Get() const override { return value_; }
  void ReadWrite(Stream& s, ImplementationID) override {
    s.XferInt32(value_);
    s.XferText(label_);
  }

 private:
  int32_t value_ = 0;
  std::u16string label_ = u"frame";
};

constexpr ClassID kItem{0x2C10};

std::shared_ptr<ClassRegistry> Registry() {
  auto r = std::make_shared<ClassRegistry>();
  r->RegisterImplementation<ValueImpl>(ImplementationID(0x200));
  r->DefineClass(kItem, kInvalidClass, {{IValue::kIID, ImplementationID(0x200)}});
  return r;
}

class SetValue final : public Command {
 public:
  SetValue(Database& db, UID uid, int32_t v) : Command(u"Set"), db_(db), uid_(uid), v_(v) {}
  ErrorCode Do() override {
    auto value = db_.Query<IValue>(uid_);
    if (!value) return kNotFound;
    value->Set(v_);
    return kSuccess;
  }

 private:
  Database& db_;
  UID uid_;
  int32_t v_;
};

// `objects` items; `mods` modifications spread over them round-robin.
void Modify(Database& db, int64_t mods, int64_t objects) {
  AbortableSequence seq(db.Commands(), u"Many");
  for (int64_t i = 0; i < mods; ++i)
    db.Commands().ProcessCommand(
        std::make_shared<SetValue>(db, static_cast<UID>(1 + i % objects), static_cast<int32_t>(i)));
  seq.End();
}

std::unique_ptr<Database> Build(int64_t objects) {
  auto db = std::make_unique<Database>(Registry());
  for (int64_t i = 0; i < objects; ++i) db->CreateObject(kItem);
  return db;
}

// Modifications, each on its own object.
void BM_ModifyDistinctObjects(benchmark::State& state) {
  int64_t n = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto db = Build(n);
    state.ResumeTiming();
    Modify(*db, n, n);
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}

// Modifications spread over 100 objects (many commands per object).
void BM_ModifyFewObjects(benchmark::State& state) {
  int64_t n = state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto db = Build(100);
    state.ResumeTiming();
    Modify(*db, n, 100);
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}

// Undo of the whole sequence, then redo; items are modifications.
void BM_UndoRedoSequence(benchmark::State& state) {
  int64_t n = state.range(0);
  auto db = Build(n);
  Modify(*db, n, n);
  for (auto _ : state) {
    if (db->Commands().Undo() != kSuccess || db->Commands().Redo() != kSuccess) {
      state.SkipWithError("undo/redo failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * n * 2);
  state.SetComplexityN(n);
}

BENCHMARK(BM_ModifyDistinctObjects)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ModifyFewObjects)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_UndoRedoSequence)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarvelin

BENCHMARK_MAIN();
