// イメージ: its own properties and its main value.
#include "parts/kinds/Shared.h"

#include "lib/text/TextCore.h"

namespace nokari::parts {
namespace {

constexpr auto kRows = JoinRows(kPictureRows, kStretchRows, kTransparentRows);

// The image's value is the file it shows, as the word keeps it.
std::string ReadFileName(Part& part) { return text::TrimBlanks(part.Word.Value); }

// Assigning a file name loads it and the image takes the picture's size;
// removing the picture (an empty name) leaves the size alone rather than
// shrinking the part to nothing.
void AssignFile(Part& part, const std::string& value) {
  LoadPictureOf(part, value);
  Store(part, value);
  PartRect picture = part.Control.PictureSize();
  if (picture.W <= 0 || picture.H <= 0) return;
  PartRect r = part.Control.Geometry();
  r.W = picture.W;
  r.H = picture.H;
  part.Control.SetGeometry(r);
}

}  // namespace

const KindBehaviour kImageBehaviour{kRows, ReadFileName, "s", AssignFile};

}  // namespace nokari::parts
