#pragma once

#include <memory>
#include <string>

// A shared library loaded at run time. One implementation per platform.
class SharedModule {
public:
    using Procedure = void (*)();

    // nullptr when the library cannot be loaded.
    static std::unique_ptr<SharedModule> Load(const std::string& location);

    // The folder that holds the running program; empty when it cannot be told.
    static std::string ProgramFolder();

    SharedModule(const SharedModule&) = delete;
    SharedModule& operator=(const SharedModule&) = delete;

    // nullptr when the library does not export `name`.
    Procedure Find(const char* name) const;

private:
    explicit SharedModule(void* handle) : m_handle(handle) {}

    // Never closed: unloading a mail library that may still run threads or
    // exit handlers of its own is not safe, so it stays for the program's life.
    void* m_handle;
};
