#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// Shown while a run hands its messages to the mail library. The run stays on
// the main thread, so Step lets pending input through; a cancel (the button,
// Esc or the window's close button) takes effect before the next message,
// never in the middle of one, and the box stays up until Finish.
class SendProgressDlg : public QDialog {
    Q_OBJECT

public:
    explicit SendProgressDlg(QWidget* parent);

    // Shows the box for `total` messages without blocking.
    void Start(int total);
    // Shows message `number` (from 1) as under way; false once cancelled.
    bool Step(int number, const QString& text);
    // Fills the bar and hides the box.
    void Finish();
    bool Cancelled() const { return m_cancelled; }

    void reject() override;

signals:
    // After the step is on screen, before pending input is let through.
    void StepShown(int number);

private:
    QLabel* m_step = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
    bool m_cursorPushed = false;
};
