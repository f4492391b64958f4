#pragma once
// Runs one of our command-line programs (or any program) to the end and collects what it said.
//
//     auto run = dw::test::runProgram(dw::test::builtTool("qv-rtf"), {"dump", path});
//     ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace dw::test {

struct ProgramRun
{
    int exitCode = -1; // -1 when the program crashed, could not start or did not finish
    QByteArray output;
    QByteArray errors;
};

ProgramRun runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {});

// The path of a tool built in tools/<name>/ of the build tree.
QString builtTool(const QString& name);

} // namespace dw::test
