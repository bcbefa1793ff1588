// The host's class registry: the text side's and the layout side's classes. A plug-in
// adds its own (and its add-ins to host classes) before the first document is made.
#pragma once

#include <memory>

namespace tarvelin {

class ClassRegistry;

// Null (with a diagnostic) when a registration fails: the program cannot work then.
std::shared_ptr<ClassRegistry> CreateHostRegistry();

}  // namespace tarvelin
