#pragma once

#include <QtGlobal>

namespace tarvel {

// The one running instance of a service, as the application core registered it. Services are
// built and wired by the core; `shared()` only reaches the running core's member.
template <typename T>
class SharedInstance {
public:
    static T& get(const char* typeName) {
        if (!instance_) qFatal("%s::shared() used while no application core is running", typeName);
        return *instance_;
    }
    static bool has() { return instance_ != nullptr; }
    static void set(T* instance) { instance_ = instance; }
    // Forgets `instance` if it is the registered one.
    static void clear(T* instance) {
        if (instance_ == instance) instance_ = nullptr;
    }

private:
    static inline T* instance_ = nullptr;
};

}  // namespace tarvel
