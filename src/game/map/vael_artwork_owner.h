#pragma once
// The owner of game sprites that lends them its three image libraries (full, half and quarter size): a
// unit's display object. A sprite made without libraries of its own draws from its owner's.
#include "framework/display/oif.h"

namespace vael {

class VaelArtworkOwner {
public:
    virtual ~VaelArtworkOwner() = default;
    virtual OIF<Bitmap>* normalSizeArtwork() = 0;
    virtual OIF<Bitmap>* halfSizeArtwork() = 0;
    virtual OIF<Bitmap>* quarterSizeArtwork() = 0;
};

} // namespace vael
