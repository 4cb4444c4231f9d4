// Under AddressSanitizer: keeps every library the OpenGL driver loads in memory until the
// process ends. Closing the last dither context terminates the EGL display, which unloads
// Mesa's driver; allocations the driver keeps until exit would then be reported with
// stacks of unknown modules that no suppression by library name can match.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

int collectLibrary(dl_phdr_info* info, std::size_t, void* names) {
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
        static_cast<std::vector<std::string>*>(names)->push_back(info->dlpi_name);
    return 0;
}

class KeepGlDriversLoaded : public ::testing::Environment {
  public:
    void SetUp() override {
        // The library of the build, opened for good; a GPU context loads the driver.
        void* dither = dlopen(TW_BIN_DIR "/libDither.so", RTLD_NOW | RTLD_NODELETE);
        if (dither == nullptr) return;
        using Create = void* (*)(int);
        using Destroy = void (*)(void**);
        auto create = reinterpret_cast<Create>(dlsym(dither, "CreateDitherContextEx"));
        auto destroy = reinterpret_cast<Destroy>(dlsym(dither, "DestroyDitherGLContext"));
        if (create == nullptr || destroy == nullptr) return;
        void* context = create(2);
        std::vector<std::string> names;
        dl_iterate_phdr(collectLibrary, &names);
        for (const std::string& name : names) {
            // RTLD_NOLOAD only takes another reference; RTLD_NODELETE makes it permanent.
            if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
                dlclose(handle);
        }
        if (context != nullptr) destroy(&context);
    }
};

const bool kRegistered = kUnderAddressSanitizer &&
                         ::testing::AddGlobalTestEnvironment(new KeepGlDriversLoaded) != nullptr;

} // namespace
