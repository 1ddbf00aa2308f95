#include "windowing/window_registry.h"

#include <map>
#include <mutex>

namespace windowing {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<int32_t, WindowHost*> hosts;
    int32_t nextHandle = 1;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

int32_t RegisterWindowHost(WindowHost& host) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const int32_t handle = r.nextHandle++;
    r.hosts[handle] = &host;
    return handle;
}

void UnregisterWindowHost(int32_t window) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.hosts.erase(window);
}

bool WithWindowHost(int32_t window, const std::function<void(WindowHost&)>& use) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);  // held so the host cannot be unregistered mid-use
    const auto found = r.hosts.find(window);
    if (found == r.hosts.end()) {
        return false;
    }
    use(*found->second);
    return true;
}

}  // namespace windowing
