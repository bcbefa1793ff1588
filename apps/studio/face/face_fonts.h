// The plug-in's interface fonts as Qt fonts: what each face widget is drawn with. The
// plug-in registers the five fonts with the host's interface-font service; a widget asks
// for one by its role.
#pragma once

#include <QFont>

class QWidget;

namespace tarvelin::studio::face {

// Offsets from the plug-in's ID prefix of the registered fonts.
enum class FaceFont {
  kHeading = 0,  // base size, bold: a dialog's lead line
  kTitle = 1,    // 18 points, bold: a page's title
  kLarge = 2,    // base size + 5: the about box's name line
  kSmall = 3,    // 10 points: long read-only text
  kBody = 4,     // base size: lists, fields, buttons
};

// The registered font (empty face: the application's own); the application's font when
// the host has no such font registered.
QFont InterfaceQFont(FaceFont role);
void UseFont(QWidget* widget, FaceFont role);

// The studio's base interface size, in points, for the host's interface-font service.
int StudioInterfaceFontSize();

}  // namespace tarvelin::studio::face
