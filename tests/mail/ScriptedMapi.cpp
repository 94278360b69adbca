#include "ScriptedMapi.h"

#include "SharedModule.h"

#include <QtGlobal>

namespace {
template <typename Function> Function Find(const SharedModule& module, const char* name) {
    auto function = reinterpret_cast<Function>(module.Find(name));
    if (function == nullptr) {
        qFatal("The scripted mail library lacks %s", name);
    }
    return function;
}
} // namespace

ScriptedMapi::ScriptedMapi(const std::string& path) {
    // Loaded the way the binding loads it, so both share one instance.
    const std::unique_ptr<SharedModule> module = SharedModule::Load(path);
    if (!module) {
        qFatal("Cannot load %s", path.c_str());
    }
    Find<ScriptedMapiResetFn>(*module, "ScriptedMapiReset")();
    m_queue = Find<ScriptedMapiQueueFn>(*module, "ScriptedMapiQueue");
    m_note = Find<ScriptedMapiNoteFn>(*module, "ScriptedMapiNote");
    m_calls = Find<ScriptedMapiCallsFn>(*module, "ScriptedMapiCalls");
}

void ScriptedMapi::Queue(const char* call, std::initializer_list<MapiULong> codes) const {
    for (MapiULong code : codes) {
        m_queue(call, code);
    }
}

void ScriptedMapi::Note(const std::string& note) const {
    m_note(note.c_str());
}

std::vector<SeenCall> ScriptedMapi::CallsTo(const std::string& what) const {
    std::vector<SeenCall> found;
    for (const SeenCall& call : Calls()) {
        if (call.what == what) {
            found.push_back(call);
        }
    }
    return found;
}

QStringList ScriptedMapi::Timeline(bool withRows) const {
    QStringList timeline;
    for (const SeenCall& call : Calls()) {
        const QString what = QString::fromStdString(call.what);
        if (withRows || !what.startsWith("RefreshRow")) {
            timeline << what;
        }
    }
    return timeline;
}
