// The running host of the targets that need one: a Qt GUI application on the offscreen
// platform, the Qt platform services (system fonts, image decoding, composition) and an
// Application without plug-ins or a workspace file, as the command line starts them.
// Started once per process; every later call returns the same host.
#pragma once

#include <filesystem>
#include <memory>

namespace tarvelin {
class ClassRegistry;
class QtLayoutService;
}  // namespace tarvelin

namespace tarvelin::fuzz {

struct Host {
  std::shared_ptr<const ClassRegistry> registry;
  QtLayoutService* layout = nullptr;
  // A small picture written at start, for picture frames to show.
  std::filesystem::path picture;
  // Where a target writes its output: memory-backed when the system has /dev/shm.
  std::filesystem::path scratch;
};

const Host& StartHost();

}  // namespace tarvelin::fuzz
