// qm-merge: runs the template engine from the command line.
//
//     qm-merge [-j OBJECT.json] [--dump-tree] -e TEXT [-e TEXT ...]
//
// Each -e text is parsed with the delimiters "[[" and "]]" (with the merge object, so that false
// branches are left out) and merged against the object; the results are printed in order, each
// followed by a line feed. All merges run in one process, so values that one sets are seen by
// the next. Without -j there is no merge object. --dump-tree prints each parsed command tree
// instead of merging. The engine's console lines go to standard error, one a line. Exits with 0
// when the merges ran, 1 when the JSON cannot be read, 2 on a wrong command line.

#include "description/MiscMerge/MiscMergeEngine.h"
#include "description/MiscMerge/MiscMergeTemplate.h"

#include "platform/core/ConsoleOutput.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QStringList>
#include <cstdio>

namespace {

void printError(const QString& message)
{
    std::fprintf(stderr, "qm-merge: %s\n", message.toLocal8Bit().constData());
}

int usage()
{
    printError(QStringLiteral("usage: qm-merge [-j OBJECT.json] [--dump-tree] -e TEXT [-e TEXT ...]"));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QStringList texts;
    QString jsonPath;
    bool dumpTree = false;
    while (!arguments.isEmpty()) {
        const QString argument = arguments.takeFirst();
        if (argument == QStringLiteral("--dump-tree")) {
            dumpTree = true;
        } else if ((argument == QStringLiteral("-e") || argument == QStringLiteral("-j")) && !arguments.isEmpty()) {
            (argument == QStringLiteral("-e") ? texts.append(arguments.takeFirst())
                                              : void(jsonPath = arguments.takeFirst()));
        } else {
            return usage();
        }
    }
    if (texts.isEmpty())
        return usage();

    QVariant object;
    if (!jsonPath.isEmpty()) {
        QFile file(jsonPath);
        if (!file.open(QIODevice::ReadOnly)) {
            printError(QStringLiteral("cannot read %1: %2").arg(jsonPath, file.errorString()));
            return 1;
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
        if (document.isNull()) {
            printError(QStringLiteral("%1 is no JSON: %2").arg(jsonPath, error.errorString()));
            return 1;
        }
        object = document.toVariant();
    }

    dw::setConsoleSink([](const QString& line) {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        std::fflush(stderr);
    });
    for (const QString& text : texts) {
        auto mergeTemplate = std::make_shared<MiscMergeTemplate>();
        mergeTemplate->setStartDelimiter(QStringLiteral("[["), QStringLiteral("]]"));
        mergeTemplate->parseString(text, object);
        const QString output = dumpTree ? mergeTemplate->treeDescription()
                                        : MiscMergeEngine(mergeTemplate).executeWithObject(object) + u'\n';
        std::fputs(output.toUtf8().constData(), stdout);
    }
    std::fflush(stdout);
    return 0;
}
