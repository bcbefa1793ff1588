// The module's entry: the one export the host looks for. The plug-in object lists the
// registration step of every library the module holds.
#include "shell/tarvelin_plugin.h"

namespace {

tarvelin::TarvelinPlugIn& ThePlugIn() {
  static tarvelin::TarvelinPlugIn plugIn({});
  return plugIn;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) tarvelin::IPlugIn* GetPlugIn() {
  return &ThePlugIn();
}
