#pragma once

#include "ProfileStore.h"

// Holds one store transaction open for the life of a scope.
class StoreTransaction {
public:
    explicit StoreTransaction(ProfileStore& store) : m_store(store) { m_store.BeginTransaction(); }
    ~StoreTransaction() { m_store.EndTransaction(); }
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

private:
    ProfileStore& m_store;
};

// Holds one reading of the store open for the life of a scope.
class StoreReading {
public:
    explicit StoreReading(ProfileStore& store) : m_store(store) { m_store.BeginReading(); }
    ~StoreReading() { m_store.EndReading(); }
    StoreReading(const StoreReading&) = delete;
    StoreReading& operator=(const StoreReading&) = delete;

private:
    ProfileStore& m_store;
};
