// The least a Qt program does on the command line: start, read the file it is given and print
// something about it as JSON. The start-up benchmark's reference.
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2)
        return 2;
    QFile file(arguments.at(1));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QJsonObject summary{{QStringLiteral("bytes"), double(file.readAll().size())}};
    std::fputs(QJsonDocument(summary).toJson().constData(), stdout);
    return 0;
}
