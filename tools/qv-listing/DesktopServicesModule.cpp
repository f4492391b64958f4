// The picture decoder and the resource decipherer of qv-listing, in a module of their own so that
// the tool loads Qt Gui and libcrypto only when a picture has to be decoded (format "1", or a file
// only an image plugin knows as a picture) or an enciphered resource read.

#include "model/desktop/QMCryptoResourceDecipherer.h"
#include "model/desktop/QMQtPictureCodec.h"

extern "C" __attribute__((visibility("default"))) QMPictureCodec* qvListingMakePictureCodec()
{
    return new QMQtPictureCodec;
}

extern "C" __attribute__((visibility("default"))) QMResourceDecipherer* qvListingMakeResourceDecipherer()
{
    return new QMCryptoResourceDecipherer;
}
