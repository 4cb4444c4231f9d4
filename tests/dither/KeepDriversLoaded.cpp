// Under LeakSanitizer: keeps every library the OpenGL driver loads in memory until the
// process ends. Closing the last dither context terminates the EGL display, which unloads
// Mesa's driver; allocations the driver keeps until exit would then be reported with
// stacks of unknown modules that no suppression by library name can match.
#include "Dither.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace {

int CollectLibrary(dl_phdr_info* info, std::size_t, void* names) {
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
        static_cast<std::vector<std::string>*>(names)->push_back(info->dlpi_name);
    return 0;
}

class KeepDriversLoaded : public ::testing::Environment {
  public:
    void SetUp() override {
        DitherGLState* context = CreateDitherContextEx(2); // loads the driver, if any
        std::vector<std::string> names;
        dl_iterate_phdr(CollectLibrary, &names);
        for (const std::string& name : names) {
            // RTLD_NOLOAD only takes another reference; RTLD_NODELETE makes it permanent.
            if (void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE))
                dlclose(handle);
        }
        DestroyDitherGLContext(&context);
    }
};

const bool kRegistered = dither_test::kUnderAddressSanitizer &&
                         ::testing::AddGlobalTestEnvironment(new KeepDriversLoaded) != nullptr;

} // namespace
