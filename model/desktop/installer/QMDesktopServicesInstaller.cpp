// Compiled into every program that links the model's desktop part (an interface source of the
// target `model`): installs the picture decoder built on Qt and the decipherer of the enciphered
// resources before main(), so that no program that links them can start without them. In the
// static library an object that nothing refers to would be left out of the program.

#include "model/desktop/QMCryptoResourceDecipherer.h"
#include "model/desktop/QMQtPictureCodec.h"

namespace {

[[maybe_unused]] const bool s_desktopServicesInstalled =
    (QMQtPictureCodec::installOnce(), QMCryptoResourceDecipherer::installOnce(), true);

} // namespace
