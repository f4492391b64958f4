#include "tests/support/program/PreviewProgram.h"

#include "model/QMApplicationDefaults.h"
#include "platform/core/UserDefaults.h"

#include <QByteArray>
#include <QtGlobal>

namespace dw::test {

void startPreviewProgram(PreviewDefaults defaults)
{
    if (qEnvironmentVariableIsEmpty("QV_RESOURCES_DIR"))
        qputenv("QV_RESOURCES_DIR", QByteArray(DW_SOURCE_DIR "/resources"));
    QString error;
    const bool registered = defaults == PreviewDefaults::WithTransformers
                                ? registerApplicationDefaultsAndTransformers(UserDefaults::standard(), &error)
                                : registerApplicationDefaults(UserDefaults::standard(), &error);
    if (!registered)
        qWarning("the defaults could not be registered: %s", qPrintable(error));
}

} // namespace dw::test
