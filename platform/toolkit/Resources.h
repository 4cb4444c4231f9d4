// Built-in resources by type and name ("KMPART", "CST0MCR0") or by type and numeric id
// ("PAL", 1), compiled into the program.
#pragma once

#include "Bytes.h"

#include <string>

namespace tw::toolkit {

// A missing resource is a tw::Error naming it.
Bytes loadResource(const std::string& type, const std::string& name);
Bytes loadResource(const std::string& type, int id);

} // namespace tw::toolkit
