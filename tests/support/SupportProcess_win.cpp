#include "SupportProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <atomic>

namespace {

// Where the Wine session's bridge reads requests: a folder on the Linux side,
// given by the test's environment (zorvel_add_test).
constexpr const char* kBridgeVariable = "ZORVEL_WINE_BRIDGE";
constexpr int kRunSeconds = 120;
// Enough for the bridge to start a program, or to end one by force.
constexpr int kAnswerSeconds = 20;

// Sends one request and waits for its answer. An empty object, with *error
// set, when the bridge cannot be reached or refuses.
QJsonObject Ask(QJsonObject request, int seconds, QString* error) {
    static std::atomic<int> sequence{0};
    const QString folder = qEnvironmentVariable(kBridgeVariable);
    if (folder.isEmpty()) {
        *error = QString(kBridgeVariable) +
                 " is not set: run the test through CTest, whose Wine session runs the bridge";
        return {};
    }
    const QString name =
        QString("%1/%2-%3").arg(folder).arg(QCoreApplication::applicationPid()).arg(++sequence);
    QFile part(name + ".request.part");
    if (!part.open(QIODevice::WriteOnly) || part.write(QJsonDocument(request).toJson()) < 0 ||
        !part.flush()) {
        *error = "cannot write a request into " + folder + ": " + part.errorString();
        return {};
    }
    part.close();
    if (!QFile::rename(part.fileName(), name + ".request")) {
        *error = "cannot hand a request to the bridge in " + folder;
        return {};
    }
    QFile reply(name + ".reply");
    const QDeadlineTimer deadline(seconds * 1000);
    while (!reply.open(QIODevice::ReadOnly)) {
        if (deadline.hasExpired()) {
            QFile::remove(name + ".request");
            *error = QString("the Wine session's bridge did not answer within %1 s (%2)")
                         .arg(seconds)
                         .arg(folder);
            return {};
        }
        QThread::msleep(5);
    }
    const auto answer = QJsonDocument::fromJson(reply.readAll()).object();
    reply.remove();
    if (answer.contains("error")) {
        *error = answer["error"].toString();
        return {};
    }
    return answer;
}

QJsonObject Command(const char* operation, const QString& program, const QStringList& arguments) {
    return {{"op", operation},
            {"argv", QJsonArray::fromStringList(QStringList{program} + arguments)}};
}

} // namespace

struct SupportProcess::Running {
    int process = 0; // the bridge's number for it; 0 when none runs
};

SupportProcess::SupportProcess() : m_running(std::make_unique<Running>()) {}

SupportProcess::~SupportProcess() {
    Stop();
}

bool SupportProcess::Start(const QString& program, const QStringList& arguments, QString* error) {
    const auto answer = Ask(Command("start", program, arguments), kAnswerSeconds, error);
    m_running->process = answer["process"].toInt();
    return m_running->process != 0;
}

bool SupportProcess::IsRunning() const {
    if (m_running->process == 0) {
        return false;
    }
    QString error;
    return Ask({{"op", "poll"}, {"process", m_running->process}}, kAnswerSeconds, &error)["running"]
        .toBool();
}

void SupportProcess::Stop() {
    if (m_running->process == 0) {
        return;
    }
    QString error;
    Ask({{"op", "stop"}, {"process", m_running->process}}, kAnswerSeconds, &error);
    m_running->process = 0;
}

bool SupportProcess::Run(const QString& program, const QStringList& arguments, QByteArray* output,
                         QString* error) {
    auto request = Command("run", program, arguments);
    request["timeout"] = kRunSeconds;
    const auto answer = Ask(request, kRunSeconds + kAnswerSeconds, error);
    if (answer.isEmpty()) {
        *error = program + " failed: " + *error;
        return false;
    }
    if (answer["status"].toInt() != 0) {
        *error = program + " failed: " + answer["stderr"].toString();
        return false;
    }
    *output = answer["stdout"].toString().toUtf8();
    return true;
}

// Wine's Z: drive is the Linux root.
QString SupportProcess::LocalPath(const QString& linuxPath) {
    return linuxPath.startsWith('/') ? QStringLiteral("Z:") + QString(linuxPath).replace('/', '\\')
                                     : linuxPath;
}
