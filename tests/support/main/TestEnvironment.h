#pragma once
// Run by both test mains before any test: the process gets its own HOME and XDG folders, so no
// test can read or write the developer's real settings, and the user defaults start empty.
// Loopback addresses bypass any proxy of the machine, so the fake servers are always reached.

#include <QTemporaryDir>

namespace dw::test {

class ProcessSandbox
{
public:
    ProcessSandbox();
    ~ProcessSandbox();

private:
    QTemporaryDir m_home;
};

} // namespace dw::test
