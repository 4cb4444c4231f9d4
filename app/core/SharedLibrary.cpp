#include "SharedLibrary.h"

#include "Error.h"

#include <dlfcn.h>

namespace tw {

SharedLibrary::SharedLibrary(const std::string& path) : path_(path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        throw Error("Could not load the library " + path + ": " +
                    (why != nullptr ? why : "unknown reason"));
    }
}

SharedLibrary::~SharedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}

void* SharedLibrary::symbol(const char* name) const {
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr)
        throw Error(std::string("The function ") + name + " was not found in " + path_ + ".");
    return address;
}

std::string libraryPath(const std::string& folder, const std::string& name) {
    return (folder.empty() ? std::string(".") : folder) + "/lib" + name + ".so";
}

} // namespace tw
