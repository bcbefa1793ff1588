#include "host/text/text_classes.h"

#include "core/diagnostics.h"
#include "host/objects/class_registry.h"
#include "host/text/story_impl.h"
#include "host/text/text_workspace_impl.h"

namespace tarvelin {

namespace {

template <typename Impl, typename Iface>
void Register(ClassRegistry& r, ClassID cls, ImplementationID impl, const char* name) {
  if (!r.HasImplementation(impl)) {
    if (ErrorCode e = r.RegisterImplementation<Impl>(impl, name))
      diag::Printf("RegisterTextClasses: %s not registered (%s)\n", name, ErrorCodeName(e));
  }
  if (!r.HasClass(cls)) {
    if (ErrorCode e = r.DefineClass(cls, kInvalidClass, {{Iface::kIID, impl}}, name))
      diag::Printf("RegisterTextClasses: class %s not defined (%s)\n", name, ErrorCodeName(e));
  } else {
    diag::Printf("RegisterTextClasses: class %s was already defined\n", name);
  }
}

}  // namespace

void RegisterTextClasses(ClassRegistry& registry) {
  Register<StoryImpl, ITextModel>(registry, kStoryClass, kStoryImpl, "Story");
  Register<StyleImpl, IStyle>(registry, kStyleClass, kStyleImpl, "Style");
  Register<StyleTableImpl, IStyleTable>(registry, kStyleTableClass, kStyleTableImpl, "StyleTable");
  Register<SwatchImpl, ISwatch>(registry, kSwatchClass, kSwatchImpl, "Swatch");
  Register<SwatchListImpl, ISwatchList>(registry, kSwatchListClass, kSwatchListImpl, "SwatchList");
  Register<FontFamilyImpl, IFontFamily>(registry, kFontFamilyClass, kFontFamilyImpl, "FontFamily");
  Register<FontFamilyListImpl, IFontFamilyList>(registry, kFontFamilyListClass, kFontFamilyListImpl,
                                                "FontFamilyList");
}

}  // namespace tarvelin
