// The module's entry: the one export the host looks for. The plug-in object lists the
// registration step of every library the module holds.
#include "attributes/advertisement_attributes.h"
#include "engine/engine_classes.h"
#include "preferences/preference_data.h"
#include "shell/tarvelin_plugin.h"
#include "tagged/qxt_import_service.h"

namespace {

tarvelin::TarvelinPlugIn& ThePlugIn() {
  static tarvelin::TarvelinPlugIn plugIn({
      tarvelin::RegisterAttributeClasses,
      tarvelin::RegisterPreferenceClasses,
      tarvelin::RegisterEngineClasses,
      tarvelin::RegisterTaggedClasses,
  });
  return plugIn;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) tarvelin::IPlugIn* GetPlugIn() {
  return &ThePlugIn();
}
