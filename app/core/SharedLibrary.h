// A shared library opened by its file path, closed when the owner goes.
#pragma once

#include <string>

namespace tw {

class SharedLibrary {
  public:
    // Opens the library; an error names the file and the loader's reason.
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of an exported function; an error when the library lacks it.
    void* symbol(const char* name) const;
    template <typename F> F function(const char* name) const {
        return reinterpret_cast<F>(symbol(name));
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    void* handle_ = nullptr;
};

// The file path of a library named `name` ("Dither", "Octree") in `folder`.
std::string libraryPath(const std::string& folder, const std::string& name);

} // namespace tw
