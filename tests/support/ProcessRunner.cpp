#include "tests/support/ProcessRunner.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace dw::test {

ProgramRun runProgram(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(60000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString() << ": " << process.errorString().toStdString();
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return {};
    }
    return ProgramRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                      process.readAllStandardOutput(), process.readAllStandardError()};
}

QString builtTool(const QString& name)
{
    return qEnvironmentVariable("QV_BUILD_DIR") + QStringLiteral("/tools/") + name + u'/' + name;
}

} // namespace dw::test
