// A document with the attribute classes registered, and small helpers, for the
// attributes tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "attributes/advertisement_attributes.h"
#include "host/application/host_registry.h"
#include "host/documents/document.h"
#include "host/documents/page_item_commands.h"
#include "host/objects/class_registry.h"

namespace tarvelin::testing {

inline std::vector<std::pair<std::u16string, std::u16string>> Entries(const KDictionary& d) {
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (size_t i = 0; i < d.Keys().size(); ++i) out.emplace_back(d.Keys()[i], d.Values()[i]);
  return out;
}

class AttributesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = CreateHostRegistry();
    ASSERT_TRUE(registry_);
    ASSERT_EQ(RegisterAttributeClasses(*registry_), kSuccess);
    doc_ = Document::Create(registry_, PageSetup{}, u"attributes");
    ASSERT_TRUE(doc_);
  }

  Database& Db() { return doc_->DataBase(); }

  UIDRef NewFrame(double left = 10) {
    UIDRef ref;
    EXPECT_EQ(CreateRectangleFrame(*doc_, doc_->DefaultSpreadLayer(),
                                   PMRect{left, 10, left + 50, 60}, &ref),
              kSuccess);
    return ref;
  }

  std::shared_ptr<IAdvertisementAttributes> Record(const UIDRef& ref) {
    return QueryInterface<IAdvertisementAttributes>(ref);
  }

  // Stores pairs on the items in one command sequence, as the engine does.
  void Store(const UIDRef& item,
             const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
    SequenceId seq = Db().Commands().BeginCommandSequence(u"store");
    auto record = Record(item);
    ASSERT_TRUE(record);
    for (const auto& [k, v] : pairs) record->SetAttribute(k, v);
    ASSERT_EQ(Db().Commands().EndCommandSequence(seq), kSuccess);
  }

  std::shared_ptr<ClassRegistry> registry_;
  std::unique_ptr<Document> doc_;
};

}  // namespace tarvelin::testing
