// Reduces a true-colour picture to at most 256 colours for the 8-bit screens.
#pragma once

#include "image.h"

// Keeps the colours exactly when there are 256 or fewer; otherwise picks a palette by
// median cut (weighted by how often each colour occurs) and maps every pixel to its
// nearest palette entry. The result depends only on the picture.
IndexedImage quantise(const RgbImage& image);
