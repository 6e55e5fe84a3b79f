// The pictures of the About box, drawn here: the program's icon (a moth over a disc) and the
// header the texts are laid on.
#pragma once

#include "raster/image.h"

namespace qm {

constexpr int kProgramIconSide = 64;
// The grey of the About box's pictures and credits.
constexpr uint32_t kAboutGrey = rgb(170, 170, 170);

// A kProgramIconSide square, transparent around the disc.
Image drawProgramIcon();

// The header: `width` wide, as high as the icon and its 5-pixel margin plus room for three
// lines of text beside it, filled grey with `icon` at (5, 5). Texts go beside the icon from
// x = icon width + 10.
Image drawAboutHeader(const Image& icon, int width);

}  // namespace qm
