// SPDX-License-Identifier: MIT
#include "resources/pictures/PictureResources.h"

namespace nelvo {

QString pictureResourcePath(int id) {
    return QStringLiteral(":/nelvo/bitmaps/%1.png").arg(id);
}

}  // namespace nelvo
