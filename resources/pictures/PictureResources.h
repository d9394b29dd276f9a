// SPDX-License-Identifier: MIT
// Where the rendered pictures sit among the Qt resources that this library embeds.
#pragma once

#include <QString>

namespace nelvo {

// The resource path of bitmap `id`, e.g. ":/nelvo/bitmaps/1015.png".
QString pictureResourcePath(int id);

}  // namespace nelvo
