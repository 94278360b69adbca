#include "GameSelectorBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

GameSelectorBox::GameSelectorBox(QComboBox& box) : QObject(&box), m_box(box) {
    m_box.lineEdit()->installEventFilter(this);
}

int GameSelectorBox::AddEntry(const std::string& name) {
    const QString text = QString::fromStdString(name);
    int index = 0;
    while (index < m_box.count() &&
           QString::compare(m_box.itemText(index), text, Qt::CaseInsensitive) <= 0) {
        ++index;
    }
    const QString editText = m_box.currentText();
    const bool nothingSelected = m_box.currentIndex() < 0;
    m_box.insertItem(index, text);
    // Qt selects the first entry of an empty list by itself; adding must not.
    if (nothingSelected) {
        m_box.setCurrentIndex(-1);
    }
    SetEditTextIfDifferent(editText);
    return index;
}

int GameSelectorBox::FindPrefix(const std::string& prefix) const {
    const QString text = QString::fromStdString(prefix);
    if (text.isEmpty()) {
        return -1;
    }
    for (int index = 0; index < m_box.count(); ++index) {
        if (m_box.itemText(index).startsWith(text, Qt::CaseInsensitive)) {
            return index;
        }
    }
    return -1;
}

void GameSelectorBox::DeleteEntry(int index) {
    if (index < 0 || index >= m_box.count()) {
        return;
    }
    const QString editText = m_box.currentText();
    const bool wasSelected = index == m_box.currentIndex();
    m_box.removeItem(index);
    if (wasSelected) {
        m_box.setCurrentIndex(-1);
    }
    SetEditTextIfDifferent(editText);
}

void GameSelectorBox::Select(int index) {
    m_box.setCurrentIndex(index);
    SetEditTextIfDifferent(index >= 0 ? m_box.itemText(index) : QString());
}

std::string GameSelectorBox::SelectedText() const {
    const int index = m_box.currentIndex();
    return index >= 0 ? m_box.itemText(index).toStdString() : std::string();
}

void GameSelectorBox::ShowName(const QString& name) {
    const int found = FindPrefix(name.toStdString());
    if (found >= 0) {
        Select(found);
        return;
    }
    SetEditTextIfDifferent(name);
}

QString GameSelectorBox::EditText() const {
    return m_box.currentText();
}

void GameSelectorBox::SetEditTextIfDifferent(const QString& text) {
    if (m_box.currentText() != text) {
        m_box.setEditText(text);
    }
}

bool GameSelectorBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || m_box.view()->isVisible()) {
        return QObject::eventFilter(watched, event);
    }
    QCoreApplication::sendEvent(m_box.window(), event);
    return true;
}
