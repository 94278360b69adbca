#include "SendProgressDlg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Room for a step naming a long address and two attachments in two lines.
constexpr int kStepTextWidth = 420;

} // namespace

SendProgressDlg::SendProgressDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::applicationName());
    setWindowModality(Qt::WindowModal);

    m_step = new QLabel(this);
    m_step->setTextFormat(Qt::PlainText);
    m_step->setWordWrap(true);
    m_step->setMinimumWidth(kStepTextWidth);
    m_step->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_bar = new QProgressBar(this);

    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_cancel, &QPushButton::clicked, this, &SendProgressDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_step);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
}

void SendProgressDlg::Start(int total) {
    m_cancelled = false;
    m_cancel->setEnabled(true);
    m_step->clear();
    m_bar->setRange(0, total);
    m_bar->setValue(0);
    // The caller's wait cursor would make Cancel look unusable.
    if (!m_cursorPushed) {
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        m_cursorPushed = true;
    }
    show();
    QCoreApplication::processEvents();
}

bool SendProgressDlg::Step(int number, const QString& text) {
    m_step->setText(text);
    // Word wrap does not make a shown window taller by itself.
    const int missing = m_step->heightForWidth(m_step->width()) - m_step->height();
    if (missing > 0) {
        resize(width(), height() + missing);
    }
    m_bar->setValue(number - 1);
    emit StepShown(number);
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void SendProgressDlg::Finish() {
    m_bar->setValue(m_bar->maximum());
    hide();
    if (m_cursorPushed) {
        QGuiApplication::restoreOverrideCursor();
        m_cursorPushed = false;
    }
}

// Esc and the close button come here too; the message in the mail library
// runs to its end, so the box stays until the caller finishes.
void SendProgressDlg::reject() {
    m_cancelled = true;
    m_cancel->setEnabled(false);
}
