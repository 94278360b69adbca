#include "ProviderKit.h"

#include <QFile>
#include <QProcess>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

bool Provider::Open() {
    m_handle = dlopen(ZORVEL_PROVIDER, RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        m_error = QString::fromLocal8Bit(dlerror());
    }
    return m_handle != nullptr;
}

void* Provider::Find(const char* name) const {
    return dlsym(m_handle, name);
}

QStringList Provider::Exports() const {
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only", ZORVEL_PROVIDER});
    nm.waitForFinished();
    QStringList names;
    for (const auto& line :
         QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        names << line.section(' ', -1);
    }
    names.sort();
    return names;
}

QString WhyTheSystemStoreCannotRefuse() {
    return {};
}

bool ProviderRunsPrograms() {
    return true;
}

UnsendableFiles::UnsendableFiles(const QString& folder) {
    const auto fifo = folder + "/pipe";
    if (mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0) {
        return;
    }
    m_paths << fifo;
    if (geteuid() == 0) {
        return;
    }
    const auto locked = folder + "/locked";
    QFile file(locked);
    if (file.open(QIODevice::WriteOnly) && file.write("turn") == 4 &&
        file.setPermissions(QFileDevice::WriteOwner)) {
        m_paths << locked;
    } else {
        m_paths.clear();
    }
}

UnsendableFiles::~UnsendableFiles() = default;
