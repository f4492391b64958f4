// Any bytes: reading must fail cleanly or give a value that the archiver can write back.

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QCoreApplication>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Image plug-ins load through the application object.
    static int argc = 1;
    static char name[] = "fuzz_keyed_archive";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(bytes))
        (void)dw::KeyedArchiver::archivedDataWithRootObject(*value);
    return 0;
}
