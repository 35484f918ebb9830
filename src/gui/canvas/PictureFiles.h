// Picture files for every picture the window layer reads or writes: the
// canvases, the 画像 property of イメージ, フォーム, ボタン and アニメ.
// One rule for all of them: the format by the lower-cased extension (never
// by sniffing the content), the clipboard under the name クリップボード,
// and the size a file declares checked before anything is allocated.
#pragma once
#include <QByteArray>
#include <QImage>
#include <string>

namespace nokari {

enum class PictureReadFailure { None, Unsupported, CannotOpen, TooLarge, Broken };

// Reads a picture (CP932 path, already resolved) as Format_RGB32. A null
// image on failure, with what failed and, for TooLarge and Broken, the
// reason (CP932). "クリップボード" reads the clipboard (empty: a null
// image, no failure).
QImage ReadPictureFile(const std::string& path, PictureReadFailure& failure, std::string& reason);

// The picture as the bytes of a file of that extension, written in the
// given colour depth (24 unless a script changed it). False with the
// reason (CP932).
bool EncodePicture(const QImage& image, int depth, const std::string& extension, int quality, QByteArray& bytes,
                   std::string& reason);

}  // namespace nokari
