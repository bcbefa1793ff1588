#include <gtest/gtest.h>

#include "core/stream.h"
#include "host/application/host_registry.h"
#include "host/application/import_provider.h"
#include "host/documents/document.h"
#include "host/objects/class_registry.h"
#include "host/objects/object.h"
#include "host/text/text_model.h"
#include "tagged/qxt_import_service.h"

namespace tarvelin {
namespace {

// The host finds the filter by its service class and imports through the interface alone.
TEST(ImportServiceTest, TheServiceClassImportsTaggedTextIntoANewStory) {
  auto registry = CreateHostRegistry();
  ASSERT_TRUE(registry);
  ASSERT_EQ(RegisterTaggedClasses(*registry), kSuccess);
  auto object = registry->CreateObject(kQXTImportServiceClass);
  ASSERT_TRUE(object);
  auto provider = object->Query<IImportProvider>();
  ASSERT_TRUE(provider);
  EXPECT_EQ(provider->Extensions(), std::vector<std::string>{"xtg"});

  PageSetup setup;
  auto doc = Document::Create(registry, setup, u"t");
  ASSERT_TRUE(doc);
  for (const char* name : {"specials_utf16.xtg", "specials_macce.xtg"}) {
    auto stream = FileStream::OpenRead(std::string(TARVELIN_TEST_DATA) + "/" + name);
    ASSERT_TRUE(stream) << name;
    EXPECT_EQ(provider->CanImportThisStream(*stream), 2) << name;
    EXPECT_EQ(stream->Tell(), 0) << name;
    UIDRef story;
    ASSERT_EQ(provider->ImportThis(doc->DataBase(), *stream, ImportUILevel::kNone, story), kSuccess)
        << name;
    auto model = QueryInterface<ITextModel>(story);
    ASSERT_TRUE(model) << name;
    EXPECT_GT(model->TotalLength(), 10u) << name;
  }
  // Something that is not tagged text is refused and imports nothing.
  std::vector<uint8_t> junk = {'h', 'e', 'l', 'l', 'o'};
  auto stream = MemoryStream::ReadView(junk);
  EXPECT_EQ(provider->CanImportThisStream(*stream), 0);
  UIDRef story;
  EXPECT_NE(provider->ImportThis(doc->DataBase(), *stream, ImportUILevel::kNone, story), kSuccess);
  EXPECT_TRUE(story.IsNull());
}

}  // namespace
}  // namespace tarvelin
