#include "GameSelectorBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <ranges>

namespace {

int CompareEntries(const QString& left, const QString& right) {
    return QString::compare(left, right, Qt::CaseInsensitive);
}

} // namespace

GameSelectorBox::GameSelectorBox(QComboBox& box) : QObject(&box), m_box(box) {
    m_box.lineEdit()->installEventFilter(this);
}

int GameSelectorBox::AddEntry(const std::string& name) {
    const QString text = QString::fromStdString(name);
    const int index = SortedPlace(text, true);
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

void GameSelectorBox::Fill(const std::vector<std::string>& names) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        texts << QString::fromStdString(name);
    }
    std::ranges::stable_sort(texts, [](const QString& left, const QString& right) {
        return CompareEntries(left, right) < 0;
    });
    const QString editText = m_box.currentText();
    // All rows in one insertion: the model and its views react once, not once
    // an entry.
    m_box.clear();
    m_box.insertItems(0, texts);
    m_box.setCurrentIndex(-1);
    SetEditTextIfDifferent(editText);
}

int GameSelectorBox::FindPrefix(const std::string& prefix) const {
    const QString text = QString::fromStdString(prefix);
    if (text.isEmpty()) {
        return -1;
    }
    // In a list sorted without regard to case, the entries that begin with
    // `text` follow one another from the first one not before it.
    const int first = SortedPlace(text, false);
    return first < m_box.count() && m_box.itemText(first).startsWith(text, Qt::CaseInsensitive)
               ? first
               : -1;
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

int GameSelectorBox::SortedPlace(const QString& text, bool afterEqual) const {
    const auto indexes = std::views::iota(0, m_box.count());
    const auto place = std::ranges::partition_point(indexes, [&](int index) {
        const int order = CompareEntries(m_box.itemText(index), text);
        return order < 0 || (afterEqual && order == 0);
    });
    return static_cast<int>(place - indexes.begin());
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
