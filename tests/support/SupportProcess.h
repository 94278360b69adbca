#pragma once

// A test support program of this machine's Linux side (python3, openssl):
// run directly on Linux; under Wine through the bridge that the Wine session
// runs (tests/support/wine_bridge.py), since Wine gives a Windows program no
// hold on a Linux process. Arguments that are paths of this process reach the
// program as the Linux side names them. One implementation per platform.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class SupportProcess {
public:
    SupportProcess();
    // Stops the program when it still runs.
    ~SupportProcess();
    SupportProcess(const SupportProcess&) = delete;
    SupportProcess& operator=(const SupportProcess&) = delete;

    // Starts it in the background, its output joining this test's standard
    // error (under Wine the bridge's log). False, with *error set, when it
    // cannot be started.
    bool Start(const QString& program, const QStringList& arguments, QString* error);
    bool IsRunning() const;
    // Ends it and whatever it started: politely, then by force after 5 s.
    void Stop();

    // Runs a program to its end, within two minutes, and sets *output to its
    // standard output. False, with *error set (its standard error), when it
    // cannot be run, fails or takes longer.
    static bool Run(const QString& program, const QStringList& arguments, QByteArray* output,
                    QString* error);

    // A path that a program of the Linux side wrote, as this process names
    // it: the same on Linux, on Wine's Z: drive under Wine.
    static QString LocalPath(const QString& linuxPath);

private:
    struct Running;
    std::unique_ptr<Running> m_running;
};
