#include "SupportProcess.h"

#include <QProcess>

struct SupportProcess::Running {
    QProcess process;
};

SupportProcess::SupportProcess() : m_running(std::make_unique<Running>()) {
    m_running->process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SupportProcess::~SupportProcess() {
    Stop();
}

bool SupportProcess::Start(const QString& program, const QStringList& arguments, QString* error) {
    m_running->process.start(program, arguments);
    if (!m_running->process.waitForStarted()) {
        *error = program + " did not start: " + m_running->process.errorString();
        return false;
    }
    return true;
}

bool SupportProcess::IsRunning() const {
    return m_running->process.state() != QProcess::NotRunning;
}

void SupportProcess::Stop() {
    auto& process = m_running->process;
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
    }
    process.waitForFinished(5000);
}

bool SupportProcess::Run(const QString& program, const QStringList& arguments, QByteArray* output,
                         QString* error) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        const auto said = QString::fromUtf8(process.readAllStandardError());
        *error = program + " failed: " + (said.isEmpty() ? process.errorString() : said);
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    *output = process.readAllStandardOutput();
    return true;
}

QString SupportProcess::LocalPath(const QString& linuxPath) {
    return linuxPath;
}
