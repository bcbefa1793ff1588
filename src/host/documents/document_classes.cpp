#include "host/documents/document_classes.h"

#include "host/application/session_workspace.h"
#include "host/documents/document.h"
#include "host/documents/document_impls.h"
#include "host/documents/document_story.h"
#include "host/documents/object_style.h"
#include "host/documents/page_item.h"
#include "host/documents/page_item_commands.h"
#include "host/documents/spread.h"
#include "host/objects/class_registry.h"

namespace tarvelin {

ErrorCode RegisterDocumentClasses(ClassRegistry& r) {
  RegisterDocumentRootImpls(r);
  RegisterSpreadImpls(r);
  RegisterPageItemImpls(r);
  RegisterObjectStyleImpls(r);
  RegisterSessionWorkspaceImpls(r);

  struct Def {
    ClassID id;
    ClassID base;
    std::vector<InterfaceBinding> bindings;
    const char* name;
  };
  const Def defs[] = {
      {kDocumentClass,
       kInvalidClass,
       {{IDocument::kIID, kDocumentImpl}, {IStoryList::kIID, kStoryListImpl}},
       "kDocumentClass"},
      {kSpreadClass, kInvalidClass, {{ISpread::kIID, kSpreadImpl}}, "kSpreadClass"},
      {kSpreadLayerClass,
       kInvalidClass,
       {{ISpreadLayer::kIID, kSpreadLayerImpl}},
       "kSpreadLayerClass"},
      {kLayerClass, kInvalidClass, {{ILayer::kIID, kLayerImpl}}, "kLayerClass"},
      {kPageItemClass, kInvalidClass, {{IPageItem::kIID, kPageItemImpl}}, "kPageItemClass"},
      {kGraphicFrameClass,
       kPageItemClass,
       {{IGraphicAttributes::kIID, kGraphicAttributesImpl}, {ITextFrame::kIID, kTextFrameImpl}},
       "kGraphicFrameClass"},
      {kImageItemClass, kPageItemClass, {{IImageItem::kIID, kImageItemImpl}}, "kImageItemClass"},
      {kObjectStyleClass,
       kInvalidClass,
       {{IObjectStyle::kIID, kObjectStyleImpl}},
       "kObjectStyleClass"},
      {kSessionWorkspaceClass,
       kInvalidClass,
       {{ISessionWorkspace::kIID, kSessionWorkspaceImpl}},
       "kSessionWorkspaceClass"},
  };
  for (const Def& d : defs)
    if (ErrorCode e = r.DefineClass(d.id, d.base, d.bindings, d.name); e != kSuccess) return e;
  r.SetInlineObjectDeleter(DeleteInlineObject);
  return kSuccess;
}

}  // namespace tarvelin
