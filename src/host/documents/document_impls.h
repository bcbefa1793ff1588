// Registration of the layout side's implementations, one function per source file;
// RegisterDocumentClasses calls them all.
#pragma once

namespace tarvelin {

class ClassRegistry;

void RegisterDocumentRootImpls(ClassRegistry& registry);
void RegisterSpreadImpls(ClassRegistry& registry);
void RegisterPageItemImpls(ClassRegistry& registry);
void RegisterObjectStyleImpls(ClassRegistry& registry);
void RegisterSessionWorkspaceImpls(ClassRegistry& registry);

}  // namespace tarvelin
