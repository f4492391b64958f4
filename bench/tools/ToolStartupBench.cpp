// How long a seller waits for `qv-listing show` of a small document, beside a program that loads
// only Qt Core and reads the same file (QtCoreReference.cpp). Most of a tool's start-up is the
// dynamic loader's work on the libraries it links, so the ratio shows what the tool loads beyond
// what it uses.
#include "support/BenchRatios.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Runs a program with its output thrown away; its exit status, -1 when it could not run.
int run(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// A listing of a few fields without pictures, written by the tool itself once per run.
const std::string& smallDocument()
{
    static QTemporaryDir folder;
    static const std::string path = [] {
        const std::string json = folder.filePath(QStringLiteral("listing.json")).toStdString();
        const std::string document = folder.filePath(QStringLiteral("small.qvlisting")).toStdString();
        if (FILE* file = std::fopen(json.c_str(), "w")) {
            std::fputs(R"({"title": "Vintage camera", "subTitle": "Fully working", "minimumBid": "12.50"})", file);
            std::fclose(file);
        }
        if (run({DW_QV_LISTING, "create", json, document}) != 0)
            return std::string();
        return document;
    }();
    return path;
}

void qtCoreProgram(benchmark::State& state)
{
    const std::string& document = smallDocument();
    if (document.empty()) {
        state.SkipWithError("qv-listing could not write the document");
        return;
    }
    for (auto _ : state) {
        if (run({DW_QT_CORE_REFERENCE, document}) != 0)
            state.SkipWithError("the reference program failed");
    }
}

void qvListingShow(benchmark::State& state)
{
    const std::string& document = smallDocument();
    if (document.empty()) {
        state.SkipWithError("qv-listing could not write the document");
        return;
    }
    for (auto _ : state) {
        if (run({DW_QV_LISTING, "show", document}) != 0)
            state.SkipWithError("qv-listing show failed");
    }
}

} // namespace

BENCHMARK(qtCoreProgram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(qvListingShow)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return dw::bench::runWithRatios(argc, argv, {{"qvListingShow", "qtCoreProgram", 1.5}}, 15);
}
