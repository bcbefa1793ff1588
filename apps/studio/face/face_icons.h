// The plug-in's pictures by resource number: each in a normal and a highlighted variant
// (the highlighted one is shown while the pointer is over a button or the entry is active).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tarvelin::studio::face {

inline constexpr int kReconnectIcon = 13205;         // 14 x 13
inline constexpr int kImportAndProcessIcon = 13210;  // 20 x 16
inline constexpr int kShowLogIcon = 13212;           // 18 x 12
inline constexpr int kProcessIcon = 13238;           // 20 x 16
inline constexpr int kLogDialogIcon = 13215;         // 32 x 32
inline constexpr int kAboutBannerIcon = 13216;       // 417 x 45

QPixmap FacePixmap(int resource, bool highlighted = false);
// Both variants: normal for QIcon::Normal, highlighted for QIcon::Active and Selected.
QIcon FaceIcon(int resource);
// The studio's application icon.
QIcon StudioApplicationIcon();

}  // namespace tarvelin::studio::face
