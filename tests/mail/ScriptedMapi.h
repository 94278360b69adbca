#pragma once

#include "ScriptedMapiRecord.h"

#include <QStringList>

#include <initializer_list>
#include <string>
#include <vector>

// A recorded text for comparing; "<null>" for a null pointer.
inline QString Shown(const std::optional<std::string>& text) {
    return text ? QString::fromStdString(*text) : QStringLiteral("<null>");
}

// The test's hold on a scripted Simple MAPI library: loads it (the binding
// under test then gets the same instance), clears what it saw, scripts its
// answers and reads its timeline.
class ScriptedMapi {
public:
    explicit ScriptedMapi(const std::string& path);

    void Queue(const char* call, std::initializer_list<MapiULong> codes) const;
    void Note(const std::string& note) const;

    const std::vector<SeenCall>& Calls() const { return *m_calls(); }
    std::vector<SeenCall> CallsTo(const std::string& what) const;
    // What happened in order; "RefreshRow" notes only when asked for.
    QStringList Timeline(bool withRows = false) const;

private:
    ScriptedMapiQueueFn m_queue;
    ScriptedMapiNoteFn m_note;
    ScriptedMapiCallsFn m_calls;
};
