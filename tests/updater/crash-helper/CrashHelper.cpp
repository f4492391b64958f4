// Installs the crash handler as the program does (its own name and version), then dies of the
// signal named on the command line ("abort" or "segv"), as a crashing program would.
#include "updater/DWCrashReporter.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DWCrashReporter::installSignalHandler();
    if (argc > 1 && std::strcmp(argv[1], "segv") == 0)
        std::raise(SIGSEGV);
    std::abort();
}
