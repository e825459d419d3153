#pragma once

#include <QFile>
#include <QTemporaryDir>

// Keeps the server links that a test process makes to themselves: their message windows and
// single-instance locks go into a private folder, and no system settings name a server handle,
// so that a teaching server or a program running on the machine is never found. Made at the
// start of main(), before any link.
class TIsolatedRuntime
{
public:
    TIsolatedRuntime()
    {
        qputenv("TUTORIX_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(config.path()));
    }

private:
    QTemporaryDir runtime;
    QTemporaryDir config;
};
