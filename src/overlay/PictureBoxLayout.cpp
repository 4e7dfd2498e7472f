// Picture box placement.
#include "PictureBoxLayout.h"

namespace kivra {

BoxRect placePictureBox(PicAlign align, BoxSize client, BoxSize current, std::optional<BoxSize> fitted) {
    const BoxSize own = fitted.value_or(current);
    switch (align) {
    case PicAlign::Top: return {0, 0, client.width, own.height};
    case PicAlign::Bottom: return {0, client.height - own.height, client.width, own.height};
    case PicAlign::Right: return {client.width - own.width, 0, own.width, client.height};
    case PicAlign::None: break;
    }
    return {0, 0, own.width, own.height};
}

}  // namespace kivra
