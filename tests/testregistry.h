#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Test classes register themselves here so that one executable per area runs them all.
struct TestRegistry {
    using Factory = std::function<std::unique_ptr<QObject>()>;

    static std::vector<Factory> &factories()
    {
        static std::vector<Factory> list;
        return list;
    }

    template <typename Test> struct Registration {
        Registration()
        {
            factories().push_back([] { return std::make_unique<Test>(); });
        }
    };
};

#define BRISKLET_TEST(Class) static const TestRegistry::Registration<Class> registration##Class;
