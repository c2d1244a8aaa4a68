#pragma once

#include "sharedpreferencesstore.h"

// Preferences that live only as long as the object: for tests and tools.
class MemoryPreferencesStore : public SharedPreferencesStore {
public:
    MemoryPreferencesStore() : SharedPreferencesStore(std::make_shared<Values>()) {}
};
