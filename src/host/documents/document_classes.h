// Identifiers of the layout side of the host (documents, spreads, layers, page items,
// object styles, the session workspace) and the function that registers them.
//
// The plug-in adds its own interfaces to kPageItemClass (every page item, frames and
// image items alike, derives from it) and to kSessionWorkspaceClass; both values stay
// fixed. Classes:
//
//   class                   interfaces (implementation = same number)
//   kDocumentClass          IDocument, IStoryList                  the root of a document
//   kSpreadClass            ISpread                                pages and spread layers
//   kSpreadLayerClass       ISpreadLayer                           page items of one layer
//   kLayerClass             ILayer                                 a document layer
//   kPageItemClass          IPageItem                              hierarchy, bounds, anchor
//   kGraphicFrameClass      + IGraphicAttributes, ITextFrame        a rectangular frame
//   kImageItemClass         + IImageItem                           a placed picture
//   kObjectStyleClass       IObjectStyle                           a named set of attributes
//   kSessionWorkspaceClass  ISessionWorkspace                      the per-user workspace
#pragma once

#include "host/objects/error_code.h"
#include "host/objects/ids.h"

namespace tarvelin {

class ClassRegistry;

inline constexpr ClassID kDocumentClass{0x0200};
inline constexpr ClassID kSpreadClass{0x0201};
inline constexpr ClassID kSpreadLayerClass{0x0202};
inline constexpr ClassID kLayerClass{0x0203};
inline constexpr ClassID kPageItemClass{0x0210};
inline constexpr ClassID kGraphicFrameClass{0x0211};
inline constexpr ClassID kImageItemClass{0x0212};
inline constexpr ClassID kObjectStyleClass{0x0220};
inline constexpr ClassID kSessionWorkspaceClass{0x0230};

inline constexpr ImplementationID kDocumentImpl{0x0200};
inline constexpr ImplementationID kStoryListImpl{0x0201};
inline constexpr ImplementationID kSpreadImpl{0x0202};
inline constexpr ImplementationID kSpreadLayerImpl{0x0203};
inline constexpr ImplementationID kLayerImpl{0x0204};
inline constexpr ImplementationID kPageItemImpl{0x0210};
inline constexpr ImplementationID kGraphicAttributesImpl{0x0211};
inline constexpr ImplementationID kTextFrameImpl{0x0212};
inline constexpr ImplementationID kImageItemImpl{0x0213};
inline constexpr ImplementationID kObjectStyleImpl{0x0220};
inline constexpr ImplementationID kSessionWorkspaceImpl{0x0230};

// Registers the implementations and classes above, and installs the story's inline-object
// deleter (deleting an anchor character deletes its page item with everything it holds).
ErrorCode RegisterDocumentClasses(ClassRegistry& registry);

}  // namespace tarvelin
